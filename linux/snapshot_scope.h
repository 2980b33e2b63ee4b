#pragma once
// The span of one snapshot for the Linux sources: from the taking of the
// process list to its release. While a snapshot is open the sources look
// each thing up once (a process's image, the owners of the sockets, the
// package of a file) and serve every row from that; outside one they look
// everything up anew.

#include <cstdint>
#include <memory>
#include <utility>

namespace portolan::linux {

class SnapshotScope {
 public:
  // Keeps a snapshot open while it lives, unless a newer one was opened.
  class Holder {
   public:
    Holder(std::shared_ptr<SnapshotScope> scope, std::uint64_t serial)
        : scope_(std::move(scope)), serial_(serial) {}
    Holder(Holder&& other) noexcept : scope_(std::move(other.scope_)), serial_(other.serial_) {}
    Holder& operator=(Holder&&) = delete;
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;
    ~Holder() {
      if (scope_ != nullptr && scope_->open_ == serial_) {
        scope_->open_ = 0;
      }
    }

   private:
    std::shared_ptr<SnapshotScope> scope_;
    std::uint64_t serial_;
  };

  static Holder Open(const std::shared_ptr<SnapshotScope>& scope) {
    scope->open_ = ++scope->last_;
    return Holder(scope, scope->open_);
  }

  // The open snapshot's serial number; 0 while none is open.
  std::uint64_t Current() const { return open_; }

 private:
  std::uint64_t last_ = 0;
  std::uint64_t open_ = 0;
};

// What a source looked up during the open snapshot. A new snapshot, or none,
// starts from a fresh value.
template <typename T>
class PerSnapshot {
 public:
  T& For(const SnapshotScope& scope) {
    const std::uint64_t current = scope.Current();
    if (current == 0 || current != serial_) {
      value_ = T{};
      serial_ = current;
    }
    return value_;
  }

 private:
  std::uint64_t serial_ = 0;
  T value_{};
};

}  // namespace portolan::linux
