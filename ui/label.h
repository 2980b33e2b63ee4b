#pragma once
// A label: a component that carries one caption text, which its native peer
// shows.

#include <string>
#include <utility>

#include "ui/component.h"

namespace portolan::ui {

class TLabel final : public TComponent {
 public:
  explicit TLabel(TComponent* owner, std::string caption = {})
      : TComponent(owner), caption_(std::move(caption)) {}

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption) { caption_ = std::move(caption); }

 private:
  std::string caption_;
};

}  // namespace portolan::ui
