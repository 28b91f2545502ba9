#pragma once
// Check boxes and radio buttons. Changing the state by program has the same effect as the user's click:
// OnClick runs whenever the state changes. Radio buttons of one TRadioGroup are exclusive.
#include <functional>
#include <vector>

#include "app/controls/control.h"

namespace app {

class TCheckBox : public TControl {
 public:
  using TControl::TControl;
  std::function<void()> OnClick;

  bool Checked() const { return checked_; }
  void SetChecked(bool AChecked) {
    if (checked_ == AChecked) return;
    checked_ = AChecked;
    Changed();
    if (OnClick) OnClick();
  }
  // The user's click toggles the box.
  void Click() {
    if (Enabled() && Visible()) SetChecked(!checked_);
  }

 private:
  bool checked_ = false;
};

class TRadioButton;

// The exclusive choices of one group box.
class TRadioGroup {
 public:
  void Add(TRadioButton& AButton) { buttons_.push_back(&AButton); }
  const std::vector<TRadioButton*>& Buttons() const { return buttons_; }
  // Position of the checked button in the group, -1 when none is.
  int CheckedIndex() const;

 private:
  friend class TRadioButton;
  std::vector<TRadioButton*> buttons_;
};

class TRadioButton : public TControl {
 public:
  TRadioButton(std::string AName, std::string ACaption, TRadioGroup& AGroup)
      : TControl(std::move(AName), std::move(ACaption)), group_(AGroup) {
    group_.Add(*this);
  }
  std::function<void()> OnClick;

  bool Checked() const { return checked_; }
  // Checking one button unchecks the others of its group.
  void SetChecked(bool AChecked) {
    if (checked_ == AChecked) return;
    if (AChecked)
      for (TRadioButton* other : group_.buttons_)
        if (other != this) other->Uncheck();
    checked_ = AChecked;
    Changed();
    if (OnClick) OnClick();
  }
  void Click() {
    if (Enabled() && Visible()) SetChecked(true);
  }

 private:
  void Uncheck() {
    if (!checked_) return;
    checked_ = false;
    Changed();
  }
  TRadioGroup& group_;
  bool checked_ = false;
};

inline int TRadioGroup::CheckedIndex() const {
  for (size_t i = 0; i < buttons_.size(); ++i)
    if (buttons_[i]->Checked()) return static_cast<int>(i);
  return -1;
}

}  // namespace app
