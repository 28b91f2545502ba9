#include "app/controls/list_view.h"

#include <utility>

namespace app {

namespace {
const std::string kEmpty;
}

void TListView::SetColumns(std::vector<TListColumn> AColumns) {
  columns_ = std::move(AColumns);
  for (auto& row : rows_) row.resize(columns_.size());
  Changed();
  RowChanged(-1);
}

int TListView::Add(const std::string& ACaption) {
  rows_.emplace_back(columns_.size());
  if (!columns_.empty()) rows_.back()[0] = ACaption;
  RowChanged(-1);
  return Count() - 1;
}

void TListView::Delete(int ARow) {
  if (ARow < 0 || ARow >= Count()) return;
  rows_.erase(rows_.begin() + ARow);
  const bool selectionGone = selected_ == ARow;
  if (selectionGone)
    selected_ = -1;
  else if (selected_ > ARow)
    --selected_;
  RowChanged(-1);
  if (selectionGone && OnSelectItem) OnSelectItem();
}

void TListView::Clear() {
  const bool hadSelection = selected_ >= 0;
  rows_.clear();
  selected_ = -1;
  RowChanged(-1);
  if (hadSelection && OnSelectItem) OnSelectItem();
}

void TListView::Exchange(int ARowA, int ARowB) {
  if (ARowA < 0 || ARowB < 0 || ARowA >= Count() || ARowB >= Count()) return;
  std::swap(rows_[static_cast<size_t>(ARowA)], rows_[static_cast<size_t>(ARowB)]);
  RowChanged(ARowA);
  RowChanged(ARowB);
}

const std::string& TListView::Cell(int ARow, int AColumn) const {
  return ValidCell(ARow, AColumn) ? rows_[static_cast<size_t>(ARow)][static_cast<size_t>(AColumn)] : kEmpty;
}

void TListView::SetCell(int ARow, int AColumn, const std::string& AText) {
  if (!ValidCell(ARow, AColumn)) return;
  std::string& cell = rows_[static_cast<size_t>(ARow)][static_cast<size_t>(AColumn)];
  if (cell == AText) return;
  cell = AText;
  RowChanged(ARow);
}

bool TListView::SetSelected(int ARow) {
  if (ARow < -1 || ARow >= Count()) return false;
  if (ARow == selected_) return true;
  selected_ = ARow;
  Changed();
  if (OnSelectItem) OnSelectItem();
  return true;
}

}  // namespace app
