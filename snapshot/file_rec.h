#pragma once
// One endpoint of a snapshot, as text.

#include <cstdint>
#include <string>
#include <vector>

namespace portolan {

// Texts are 8-bit, in the system's ANSI code page. UDP records have State 0
// and empty remote fields.
struct File_Rec {
  std::int32_t State = 0;
  std::string LocalIP;
  std::string LocalPort;
  std::string RemoteIP;
  std::string RemotePort;
  std::string PID;
  std::string ProcessName;
  std::string FilePath;
  std::string FileDescription;
  std::string Company;
  std::string Mark;  // empty after every snapshot; "ok" once the merge matched it

  bool operator==(const File_Rec&) const = default;
};

using FileTable = std::vector<File_Rec>;

}  // namespace portolan
