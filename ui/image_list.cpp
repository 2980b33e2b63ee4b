#include "ui/image_list.h"

#include <utility>

namespace portolan::ui {

TIcon::TIcon(TIcon&& other) noexcept
    : peer_(std::exchange(other.peer_, nullptr)), icon_(std::exchange(other.icon_, 0)) {}

TIcon& TIcon::operator=(TIcon&& other) noexcept {
  TIcon taken(std::move(other));
  std::swap(peer_, taken.peer_);
  std::swap(icon_, taken.icon_);
  return *this;
}

TIcon::~TIcon() {
  if (peer_ != nullptr) {
    peer_->DestroyIcon(icon_);
  }
}

TImageList::~TImageList() { FreeHandle(); }

void TImageList::SetWidth(std::int32_t width) {
  if (width != width_) {
    FreeHandle();
    width_ = width;
  }
}

void TImageList::SetHeight(std::int32_t height) {
  if (height != height_) {
    FreeHandle();
    height_ = height;
  }
}

NativeImageList TImageList::Handle() {
  if (handle_ == 0) {
    handle_ = peer_.Create(width_, height_);
  }
  return handle_;
}

void TImageList::SetHandle(NativeImageList handle) {
  if (handle != handle_) {
    FreeHandle();
    handle_ = handle;
  }
  std::int32_t width = 0;
  std::int32_t height = 0;
  if (handle_ != 0 && peer_.IconSize(handle_, width, height)) {
    width_ = width;
    height_ = height;
  }
}

std::int32_t TImageList::Count() const { return handle_ != 0 ? peer_.Count(handle_) : 0; }

std::int32_t TImageList::AddIcon(const TIcon& icon) {
  if (icon.Empty()) {
    return -1;
  }
  const NativeImageList list = Handle();
  return list != 0 ? peer_.AddIcon(list, icon.Handle()) : -1;
}

TIcon TImageList::GetIcon(std::int32_t index) const {
  if (index < 0 || index >= Count()) {
    return {};
  }
  return TIcon(peer_, peer_.CopyIcon(handle_, index));
}

void TImageList::FreeHandle() {
  if (handle_ != 0 && !shareImages_) {
    peer_.Destroy(handle_);
  }
  handle_ = 0;
}

}  // namespace portolan::ui
