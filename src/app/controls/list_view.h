#pragma once
// The report-style list: columns with captions and widths (width 0: hidden, never wider than 1), rows
// of a caption (column 0) and sub-items (columns 1..n-1), one selected row at most.
#include <functional>
#include <string>
#include <vector>

#include "app/controls/control.h"

namespace app {

struct TListColumn {
  std::string Caption;
  int Width = 0;
  int MaxWidth = 0;  // 0: no limit
};

class TListView : public TControl {
 public:
  using TControl::TControl;
  // Runs when a row becomes selected or deselected.
  std::function<void()> OnSelectItem;
  // A view repaints one row (-1: the whole list).
  TSignal<int> RowChanged;

  void SetColumns(std::vector<TListColumn> AColumns);
  const std::vector<TListColumn>& Columns() const { return columns_; }
  int ColumnCount() const { return static_cast<int>(columns_.size()); }

  int Count() const { return static_cast<int>(rows_.size()); }
  // Appends a row with every cell empty; returns its index.
  int Add(const std::string& ACaption = {});
  void Delete(int ARow);
  void Clear();
  // Swaps the complete contents of two rows.
  void Exchange(int ARowA, int ARowB);

  // Cell text; column 0 is the caption. "" outside the list.
  const std::string& Cell(int ARow, int AColumn) const;
  void SetCell(int ARow, int AColumn, const std::string& AText);
  const std::vector<std::string>& Row(int ARow) const { return rows_.at(static_cast<size_t>(ARow)); }

  // The selected row, -1 for none.
  int Selected() const { return selected_; }
  // Selects a row (-1: none); OnSelectItem runs when the selection changes. False outside the list.
  bool SetSelected(int ARow);

 private:
  bool ValidCell(int ARow, int AColumn) const {
    return ARow >= 0 && ARow < Count() && AColumn >= 0 && AColumn < ColumnCount();
  }
  std::vector<TListColumn> columns_;
  std::vector<std::vector<std::string>> rows_;  // each row holds one text per column
  int selected_ = -1;
};

}  // namespace app
