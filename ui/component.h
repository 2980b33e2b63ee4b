#pragma once
// The root of the component layer: a component may own others, which it
// frees, the last created first, when it is freed itself.

#include <memory>
#include <utility>
#include <vector>

namespace portolan::ui {

class TComponent {
 public:
  explicit TComponent(TComponent* owner = nullptr) : owner_(owner) {}
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  virtual ~TComponent() {
    while (!owned_.empty()) {
      owned_.pop_back();
    }
  }

  TComponent* Owner() const { return owner_; }

  // Runs once the component's settings have been read from a form description.
  virtual void Loaded() {}

  // Makes a component owned by this one: T's constructor takes the owner
  // first, then `args`.
  template <typename T, typename... Args>
  T& Create(Args&&... args) {
    auto component = std::make_unique<T>(this, std::forward<Args>(args)...);
    T& made = *component;
    owned_.push_back(std::move(component));
    return made;
  }

 private:
  TComponent* owner_;
  std::vector<std::unique_ptr<TComponent>> owned_;
};

}  // namespace portolan::ui
