#pragma once
// The common part of every control model: name, caption, hint, enabled, visible and keyboard focus.
// Models hold plain data; a view mirrors them through Changed and turns user input into their calls.
#include <string>

#include "app/controls/signal.h"

namespace app {

class TControl;

// Which control of a window has the keyboard focus.
class TFocusScope {
 public:
  TControl* Focused() const { return focused_; }
  void SetFocus(TControl* AControl) {
    focused_ = AControl;
    FocusChanged(AControl);
  }
  TSignal<TControl*> FocusChanged;

 private:
  TControl* focused_ = nullptr;
};

class TControl {
 public:
  explicit TControl(std::string AName, std::string ACaption = {})
      : name_(std::move(AName)), caption_(std::move(ACaption)) {}
  virtual ~TControl() = default;
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  const std::string& Name() const { return name_; }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool AEnabled) { Assign(enabled_, AEnabled); }
  bool Visible() const { return visible_; }
  void SetVisible(bool AVisible) { Assign(visible_, AVisible); }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& ACaption) { Assign(caption_, ACaption); }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& AHint) { Assign(hint_, AHint); }

  void SetFocusScope(TFocusScope* AScope) { scope_ = AScope; }
  void SetFocus() {
    if (scope_ != nullptr) scope_->SetFocus(this);
  }
  bool Focused() const { return scope_ != nullptr && scope_->Focused() == this; }

  // Any change of the model's state.
  TSignal<> Changed;

 protected:
  template <typename T>
  void Assign(T& AField, const T& AValue) {
    if (AField == AValue) return;
    AField = AValue;
    Changed();
  }

 private:
  std::string name_;
  std::string caption_;
  std::string hint_;
  bool enabled_ = true;
  bool visible_ = true;
  TFocusScope* scope_ = nullptr;
};

}  // namespace app
