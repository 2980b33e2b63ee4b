#include "controls/system_icons.h"
#include "ui/image_list.h"

// The Linux build has no window toolkit yet, hence no image lists and no
// shell icons: every path answers "no icon", which the program icon list
// treats as a normal outcome.

namespace portolan {
namespace {

class NoSystemIcons final : public SystemIcons {
 public:
  std::int32_t IconIndex(const std::string&) override { return -1; }
  ui::NativeImageList SystemImageList(bool) override { return 0; }
};

}  // namespace

std::unique_ptr<SystemIcons> MakeSystemIcons() { return std::make_unique<NoSystemIcons>(); }

}  // namespace portolan

namespace portolan::ui {
namespace {

// No list can be made, so nothing is ever added, copied or destroyed.
class NoImageLists final : public ImageListPeer {
 public:
  NativeImageList Create(std::int32_t, std::int32_t) override { return 0; }
  void Destroy(NativeImageList) override {}
  std::int32_t Count(NativeImageList) override { return 0; }
  bool IconSize(NativeImageList, std::int32_t&, std::int32_t&) override { return false; }
  std::int32_t AddIcon(NativeImageList, NativeIcon) override { return -1; }
  NativeIcon CopyIcon(NativeImageList, std::int32_t) override { return 0; }
  void DestroyIcon(NativeIcon) override {}
};

}  // namespace

std::unique_ptr<ImageListPeer> MakeImageListPeer() { return std::make_unique<NoImageLists>(); }

}  // namespace portolan::ui
