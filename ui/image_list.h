#pragma once
// The component layer's image list and icon, and their native peer: the
// toolkit's lists of equally sized images and its icons, reached through
// opaque handles. The list decides when a native list is made and whether it
// is destroyed (never while it shares images); the peer only carries it out.

#include <cstdint>
#include <memory>

#include "ui/component.h"

namespace portolan::ui {

// A native image list or icon; 0 is none.
using NativeImageList = std::uintptr_t;
using NativeIcon = std::uintptr_t;

// The toolkit's image lists and icons.
class ImageListPeer {
 public:
  ImageListPeer() = default;
  ImageListPeer(const ImageListPeer&) = delete;
  ImageListPeer& operator=(const ImageListPeer&) = delete;
  virtual ~ImageListPeer() = default;

  // An empty list of width x height images; 0 when none can be made.
  virtual NativeImageList Create(std::int32_t width, std::int32_t height) = 0;
  virtual void Destroy(NativeImageList list) = 0;
  virtual std::int32_t Count(NativeImageList list) = 0;
  virtual bool IconSize(NativeImageList list, std::int32_t& width, std::int32_t& height) = 0;
  // Adds a copy of the icon, which stays the caller's; the new image's index or -1.
  virtual std::int32_t AddIcon(NativeImageList list, NativeIcon icon) = 0;
  // A new icon drawn from the image at `index` in the normal style; 0 on failure.
  virtual NativeIcon CopyIcon(NativeImageList list, std::int32_t index) = 0;
  virtual void DestroyIcon(NativeIcon icon) = 0;
};

// The image lists of the platform layer linked in.
std::unique_ptr<ImageListPeer> MakeImageListPeer();

// An icon the program holds, destroyed with the object; empty when it holds none.
class TIcon {
 public:
  TIcon() = default;
  TIcon(ImageListPeer& peer, NativeIcon icon) : peer_(icon != 0 ? &peer : nullptr), icon_(icon) {}
  TIcon(TIcon&& other) noexcept;
  TIcon& operator=(TIcon&& other) noexcept;
  TIcon(const TIcon&) = delete;
  TIcon& operator=(const TIcon&) = delete;
  ~TIcon();

  NativeIcon Handle() const { return icon_; }
  bool Empty() const { return icon_ == 0; }

 private:
  ImageListPeer* peer_ = nullptr;
  NativeIcon icon_ = 0;
};

// A list of images of one size, 16 x 16 unless set otherwise. The native list
// is made on first need; a list that shares images never destroys it.
class TImageList : public TComponent {
 public:
  TImageList(TComponent* owner, ImageListPeer& peer) : TComponent(owner), peer_(peer) {}
  ~TImageList() override;

  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  // A new size empties the list: the native list is let go and a new one
  // made on the next need.
  void SetWidth(std::int32_t width);
  void SetHeight(std::int32_t height);

  bool ShareImages() const { return shareImages_; }
  void SetShareImages(bool share) { shareImages_ = share; }

  // The native list, made first if there is none yet; 0 when none can be made.
  NativeImageList Handle();
  bool HandleAllocated() const { return handle_ != 0; }
  // Lets go of the list's native list (destroying it unless images are shared)
  // and takes `handle` instead, with the icon size it has.
  void SetHandle(NativeImageList handle);

  std::int32_t Count() const;
  // The new image's index, or -1 (also for an empty icon).
  std::int32_t AddIcon(const TIcon& icon);
  // A copy of the image at `index`, empty where there is none.
  TIcon GetIcon(std::int32_t index) const;

 protected:
  ImageListPeer& Peer() const { return peer_; }

 private:
  void FreeHandle();

  ImageListPeer& peer_;
  std::int32_t width_ = 16;
  std::int32_t height_ = 16;
  bool shareImages_ = false;
  NativeImageList handle_ = 0;
};

}  // namespace portolan::ui
