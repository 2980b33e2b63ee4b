#pragma once
// A check box: a caption, a checked state and a click handler. A change of
// the state made in code runs the click handler exactly as the user's click
// does; setting the state it already has runs nothing.

#include <functional>
#include <string>
#include <utility>

#include "ui/component.h"

namespace portolan::ui {

class TCheckBox final : public TComponent {
 public:
  explicit TCheckBox(TComponent* owner, std::string caption = {}, bool checked = false)
      : TComponent(owner), caption_(std::move(caption)), checked_(checked) {}

  const std::string& Caption() const { return caption_; }

  bool Checked() const { return checked_; }
  void SetChecked(bool checked) {
    if (checked == checked_) {
      return;
    }
    checked_ = checked;
    if (OnClick) {
      OnClick(*this);
    }
  }

  // The user's click: the state turns over.
  void Toggle() { SetChecked(!checked_); }

  std::function<void(TCheckBox& sender)> OnClick;

 private:
  std::string caption_;
  bool checked_;
};

}  // namespace portolan::ui
