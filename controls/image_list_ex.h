#pragma once
// TImageListEx, the program icon list: an image list that fills itself on
// demand with copies of the shell's system icons, one copy per distinct
// system icon, and answers for a file path the index of its icon's copy.

#include <cstdint>
#include <string>
#include <vector>

#include "controls/system_icons.h"
#include "ui/image_list.h"

namespace portolan {

class TImageListEx : public ui::TImageList {
 public:
  TImageListEx(ui::TComponent* owner, ui::ImageListPeer& peer, SystemIcons& shell)
      : TImageList(owner, peer), shell_(shell) {}

  // The index in this list of the icon the shell shows for the path, copied
  // here on the first request for it; -1 when there is none.
  std::int32_t GetIconIndex(const std::string& fileName);

  // The images read with the form description stay in front of the copies.
  void Loaded() override;

 private:
  void NeedSysImageList();
  std::int32_t AddSysIcon(std::int32_t sysIndex);
  std::int32_t SysToOwnIndex(std::int32_t sysIndex);

  SystemIcons& shell_;
  // Images the list held when it was loaded; the copies follow them.
  std::int32_t FLoadedCount = 0;
  // The system list of this list's icon size, made on the first request for
  // an icon and owned as a component; it shares the shell's list.
  ui::TImageList* FSysImageList = nullptr;
  // The system index of each copy, in the order copied: the copy of entry i
  // is image FLoadedCount + i. No index appears twice.
  std::vector<std::int32_t> FSysIndexes;
};

}  // namespace portolan
