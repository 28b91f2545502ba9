#pragma once
// The pick-list chooser: the user selects one of the offered entries, never types one.
// Change rule: OnChange runs whenever the shown text changes, whether the user picked an entry or code
// selected one, and not when an entry with the text already shown is selected again. Emptying the
// entries leaves the shown text as it was, so refilling and selecting the same text raises nothing.
#include <functional>
#include <string>
#include <vector>

#include "app/controls/control.h"

namespace app {

class TComboBox : public TControl {
 public:
  using TControl::TControl;
  std::function<void()> OnChange;

  const std::vector<std::string>& Items() const { return items_; }
  int Count() const { return static_cast<int>(items_.size()); }
  int ItemIndex() const { return itemIndex_; }
  const std::string& Text() const { return text_; }

  void Clear() {
    items_.clear();
    itemIndex_ = -1;
    Changed();
  }
  void Add(const std::string& AItem) {
    items_.push_back(AItem);
    Changed();
  }
  // Selects an entry (-1: none, which empties the text). False, and nothing changes, for a position
  // outside the entries.
  bool SetItemIndex(int AIndex) {
    if (AIndex < -1 || AIndex >= Count()) return false;
    itemIndex_ = AIndex;
    const std::string text = AIndex < 0 ? std::string() : items_[static_cast<size_t>(AIndex)];
    const bool textChanged = text != text_;
    text_ = text;
    Changed();
    if (textChanged && OnChange) OnChange();
    return true;
  }
  // The user's pick; ignored while disabled.
  bool Select(int AIndex) { return Enabled() && Visible() && AIndex >= 0 && SetItemIndex(AIndex); }

 private:
  std::vector<std::string> items_;
  int itemIndex_ = -1;
  std::string text_;
};

}  // namespace app
