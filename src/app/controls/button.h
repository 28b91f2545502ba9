#pragma once
// Buttons and menu items: a caption and a click handler. Code calls handlers directly; Click() is the
// user's click and does nothing while the control is disabled or hidden.
#include <functional>

#include "app/controls/control.h"

namespace app {

class TButton : public TControl {
 public:
  using TControl::TControl;
  std::function<void()> OnClick;

  // True when the handler ran.
  bool Click() {
    if (!Enabled() || !Visible() || !OnClick) return false;
    OnClick();
    return true;
  }
};

class TMenuItem : public TButton {
 public:
  using TButton::TButton;
};

}  // namespace app
