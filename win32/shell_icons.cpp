#include <windows.h>
#include <shellapi.h>

#include <array>

#include "controls/system_icons.h"

namespace portolan {
namespace {

class ShellFileInfo final : public SystemIcons {
 public:
  // With SHGFI_USEFILEATTRIBUTES the shell answers as for a normal file of
  // that name without looking for it; the small-icon flag is passed whatever
  // the list's size, as an index means the same icon in both lists.
  std::int32_t IconIndex(const std::string& path) override {
    SHFILEINFOA info{};
    const DWORD_PTR found = SHGetFileInfoA(path.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof(info),
                                           SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES | SHGFI_SMALLICON);
    return found != 0 ? info.iIcon : -1;
  }

  ui::NativeImageList SystemImageList(bool small) override {
    constexpr std::array<UINT, 2> kSizeFlags = {SHGFI_LARGEICON, SHGFI_SMALLICON};
    SHFILEINFOA info{};
    return SHGetFileInfoA("", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | kSizeFlags[small ? 1 : 0]);
  }
};

}  // namespace

std::unique_ptr<SystemIcons> MakeSystemIcons() { return std::make_unique<ShellFileInfo>(); }

}  // namespace portolan
