#include <windows.h>
#include <commctrl.h>

#include "ui/image_list.h"

namespace portolan::ui {
namespace {

HIMAGELIST ToList(NativeImageList list) { return reinterpret_cast<HIMAGELIST>(list); }
HICON ToIcon(NativeIcon icon) { return reinterpret_cast<HICON>(icon); }

// The common controls' image lists; icons are drawn with their masks.
class CommonControlsImageLists final : public ImageListPeer {
 public:
  NativeImageList Create(std::int32_t width, std::int32_t height) override {
    constexpr int kInitial = 0;
    constexpr int kGrowBy = 8;
    return reinterpret_cast<NativeImageList>(
        ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, kInitial, kGrowBy));
  }

  void Destroy(NativeImageList list) override { ImageList_Destroy(ToList(list)); }

  std::int32_t Count(NativeImageList list) override { return ImageList_GetImageCount(ToList(list)); }

  bool IconSize(NativeImageList list, std::int32_t& width, std::int32_t& height) override {
    int cx = 0;
    int cy = 0;
    if (ImageList_GetIconSize(ToList(list), &cx, &cy) == FALSE) {
      return false;
    }
    width = cx;
    height = cy;
    return true;
  }

  std::int32_t AddIcon(NativeImageList list, NativeIcon icon) override {
    return ImageList_AddIcon(ToList(list), ToIcon(icon));
  }

  NativeIcon CopyIcon(NativeImageList list, std::int32_t index) override {
    return reinterpret_cast<NativeIcon>(ImageList_GetIcon(ToList(list), index, ILD_NORMAL));
  }

  void DestroyIcon(NativeIcon icon) override { ::DestroyIcon(ToIcon(icon)); }
};

}  // namespace

std::unique_ptr<ImageListPeer> MakeImageListPeer() { return std::make_unique<CommonControlsImageLists>(); }

}  // namespace portolan::ui
