#pragma once
// Who owns an endpoint: the process's executable name, image path and the
// image's version strings, and the debug privilege that lets the program
// open other users' processes. Every failure gives an empty text or false.

#include <cstdint>
#include <string>

#include "snapshot/sources.h"

namespace portolan {

// The executable name of the first entry with that ID; empty where the
// snapshot has none or there is no snapshot.
std::string GetProcessName(ProcessList* snapshot, std::uint32_t processId);

// The full image path, at most 1024 characters; empty where the process
// cannot be opened or its image cannot be named.
std::string GetProcessPath(ProcessSource& processes, std::uint32_t processId);

struct VersionStrings {
  std::string FileDescription;
  std::string Company;  // asked for only where a description was found
};

// The strings of the first translation of the file's version information.
// An empty path touches no file.
VersionStrings GetFileVersionStrings(VersionSource& versions, const std::string& path);

// The key of a translation entry (4 bytes) under "\StringFileInfo\": its bytes 1,
// 0, 3 and 2 as upper-case hexadecimal (language, then code page).
std::string TranslationKey(const std::byte (&entry)[4]);

bool SetPrivilege(AccessToken& token, const std::string& privilege, bool enable);
bool EnableDebugPrivilege(PrivilegeSource& privileges);

}  // namespace portolan
