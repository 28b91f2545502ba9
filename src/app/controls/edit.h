#pragma once
// A one-line text box.
#include <functional>

#include "app/controls/control.h"

namespace app {

class TEdit : public TControl {
 public:
  using TControl::TControl;
  std::function<void()> OnChange;

  const std::string& Text() const { return text_; }
  void SetText(const std::string& AText) {
    if (text_ == AText) return;
    text_ = AText;
    Changed();
    if (OnChange) OnChange();
  }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool AReadOnly) { Assign(readOnly_, AReadOnly); }

 private:
  std::string text_;
  bool readOnly_ = false;
};

}  // namespace app
