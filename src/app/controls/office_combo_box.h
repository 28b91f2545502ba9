#pragma once
// The category and preset choosers: each entry has a title, a one-line description and an icon.
// Unlike the parameter choosers they raise OnChange on every selection, even of the same position.
#include <functional>
#include <string>
#include <vector>

#include "app/controls/control.h"

namespace app {

struct TOfficeComboItem {
  std::string Title;
  std::string Description;
  int Icon = -1;
};

class TOfficeComboBox : public TControl {
 public:
  using TControl::TControl;
  std::function<void()> OnChange;

  const std::vector<TOfficeComboItem>& Items() const { return items_; }
  int Count() const { return static_cast<int>(items_.size()); }
  int ItemIndex() const { return itemIndex_; }
  // Title of the selected entry, "" without a selection.
  std::string Text() const {
    return itemIndex_ < 0 ? std::string() : items_[static_cast<size_t>(itemIndex_)].Title;
  }

  void Clear() {
    items_.clear();
    itemIndex_ = -1;
    Changed();
  }
  void Add(TOfficeComboItem AItem) {
    items_.push_back(std::move(AItem));
    Changed();
  }
  // Selects an entry (-1: none) and raises OnChange; false, and nothing happens, outside the entries.
  bool SetItemIndex(int AIndex) {
    if (AIndex < -1 || AIndex >= Count()) return false;
    itemIndex_ = AIndex;
    Changed();
    if (OnChange) OnChange();
    return true;
  }
  bool Select(int AIndex) { return Enabled() && Visible() && AIndex >= 0 && SetItemIndex(AIndex); }
  // Redraw request for a view after a refill.
  void Repaint() { Changed(); }

 private:
  std::vector<TOfficeComboItem> items_;
  int itemIndex_ = -1;
};

}  // namespace app
