#include "controls/image_list_ex.h"

#include <algorithm>

namespace portolan {
namespace {

// The system index of the icon for the path, or -1.
std::int32_t GetSysIconIndex(SystemIcons& shell, const std::string& fileName) {
  const std::int32_t index = shell.IconIndex(fileName);
  return index >= 0 ? index : -1;
}

// Makes the shell's small or large system list the handle of `imageList`,
// which takes its icon size from it, and keeps the list from ever
// destroying it.
void AttachSysImageList(ui::TImageList& imageList, SystemIcons& shell, bool small) {
  imageList.SetHandle(shell.SystemImageList(small));
  imageList.SetShareImages(true);
}

}  // namespace

std::int32_t TImageListEx::GetIconIndex(const std::string& fileName) {
  return SysToOwnIndex(GetSysIconIndex(shell_, fileName));
}

void TImageListEx::Loaded() {
  TImageList::Loaded();
  FLoadedCount = Count();
}

void TImageListEx::NeedSysImageList() {
  if (FSysImageList != nullptr) {
    return;
  }
  FSysImageList = &Create<ui::TImageList>(Peer());
  FSysImageList->SetWidth(Width());
  FSysImageList->SetHeight(Height());
  // Only a width of 16 means small icons; the height does not count.
  AttachSysImageList(*FSysImageList, shell_, Width() == 16);
}

std::int32_t TImageListEx::AddSysIcon(std::int32_t sysIndex) {
  const ui::TIcon icon = FSysImageList->GetIcon(sysIndex);
  return AddIcon(icon);
}

std::int32_t TImageListEx::SysToOwnIndex(std::int32_t sysIndex) {
  if (sysIndex < 0) {
    return -1;
  }
  NeedSysImageList();
  const auto found = std::find(FSysIndexes.begin(), FSysIndexes.end(), sysIndex);
  if (found != FSysIndexes.end()) {
    return FLoadedCount + static_cast<std::int32_t>(found - FSysIndexes.begin());
  }
  const std::int32_t own = AddSysIcon(sysIndex);
  if (own >= 0) {
    FSysIndexes.push_back(sysIndex);
  }
  return own;
}

}  // namespace portolan
