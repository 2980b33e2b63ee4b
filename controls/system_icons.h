#pragma once
// The shell's system image lists: one small and one large list of every icon
// the shell shows for files, shared by the whole process, and which of their
// icons belongs to a file name. Each platform layer implements this; tests
// use fakes.

#include <cstdint>
#include <memory>
#include <string>

#include "ui/image_list.h"

namespace portolan {

class SystemIcons {
 public:
  SystemIcons() = default;
  SystemIcons(const SystemIcons&) = delete;
  SystemIcons& operator=(const SystemIcons&) = delete;
  virtual ~SystemIcons() = default;

  // The index, in both system lists, of the icon the shell shows for a file
  // of this name with normal attributes. The icon follows from the name
  // alone: the file is neither opened nor looked for. Negative when the
  // shell gives none.
  virtual std::int32_t IconIndex(const std::string& path) = 0;
  // The system list of small (16 x 16) or of large icons; 0 when there is
  // none. It is the shell's: the program never destroys it.
  virtual ui::NativeImageList SystemImageList(bool small) = 0;
};

// The system icons of the platform layer linked in.
std::unique_ptr<SystemIcons> MakeSystemIcons();

}  // namespace portolan
