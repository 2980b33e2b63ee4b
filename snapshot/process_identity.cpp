#include "snapshot/process_identity.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <span>
#include <vector>

namespace portolan {
namespace {

// The text of a character array up to its first zero byte, or all of it.
template <std::size_t N>
std::string TextUpToZero(const std::array<char, N>& chars, std::size_t limit = N) {
  const auto end = chars.begin() + static_cast<std::ptrdiff_t>(limit);
  return std::string(chars.begin(), std::find(chars.begin(), end, '\0'));
}

// A version string value: its text up to the terminating zero, never past
// the block.
std::string ValueText(std::span<const std::byte> value) {
  const auto* first = reinterpret_cast<const char*>(value.data());
  return std::string(first, std::find(first, first + value.size(), '\0'));
}

// A text value is read up to its zero byte; the length the query reports is
// not relied on.
bool QueryText(VersionSource& versions, std::span<const std::byte> block, const std::string& subBlock,
               std::string& text) {
  VersionValue value;
  if (!versions.QueryValue(block, subBlock, value)) {
    return false;
  }
  text = ValueText(value.ToBlockEnd);
  return true;
}

}  // namespace

std::string GetProcessName(ProcessList* snapshot, std::uint32_t processId) {
  if (snapshot == nullptr) {
    return {};
  }
  ProcessEntry entry;
  for (bool read = snapshot->First(entry); read; read = snapshot->Next(entry)) {
    if (entry.ProcessId == processId) {
      return TextUpToZero(entry.ExeFile);
    }
  }
  return {};
}

std::string GetProcessPath(ProcessSource& processes, std::uint32_t processId) {
  // The last character of the buffer is room for the zero only.
  constexpr std::size_t kPathChars = kPathBufferChars - 1;
  PathBuffer name{};
  if (auto process = processes.Open(processId, ProcessAccess::QueryAndRead)) {
    std::uintptr_t module = 0;
    if (process->FirstModule(module) && process->ModuleFileName(module, name)) {
      return TextUpToZero(name, kPathChars);
    }
  }
  // Other users' processes often refuse the access above but still name
  // their image to a limited query.
  name = {};
  if (auto process = processes.Open(processId, ProcessAccess::LimitedQuery)) {
    if (process->FullImageName(name)) {
      return TextUpToZero(name, kPathChars);
    }
  }
  return {};
}

std::string TranslationKey(const std::byte (&entry)[4]) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string key;
  for (std::size_t index : {1U, 0U, 3U, 2U}) {
    const auto byte = std::to_integer<unsigned>(entry[index]);
    key += kHex[byte >> 4U];
    key += kHex[byte & 0xFU];
  }
  return key;
}

VersionStrings GetFileVersionStrings(VersionSource& versions, const std::string& path) {
  VersionStrings strings;
  if (path.empty()) {
    return strings;
  }
  const std::uint32_t size = versions.InfoSize(path);
  if (size == 0) {
    return strings;
  }
  std::vector<std::byte> block(size);
  if (!versions.ReadInfo(path, block)) {
    return strings;
  }
  // Only the first translation entry counts.
  VersionValue translation;
  std::byte entry[4];
  if (!versions.QueryValue(block, "\\VarFileInfo\\Translation", translation) ||
      translation.Length < sizeof entry || translation.ToBlockEnd.size() < sizeof entry) {
    return strings;
  }
  std::memcpy(entry, translation.ToBlockEnd.data(), sizeof entry);
  const std::string prefix = "\\StringFileInfo\\" + TranslationKey(entry) + "\\";
  if (QueryText(versions, block, prefix + "FileDescription", strings.FileDescription)) {
    QueryText(versions, block, prefix + "CompanyName", strings.Company);
  }
  return strings;
}

bool SetPrivilege(AccessToken& token, const std::string& privilege, bool enable) {
  Luid luid;
  if (!token.LookupPrivilege(privilege, luid)) {
    return false;
  }
  return token.AdjustPrivilege(luid, enable ? kPrivilegeEnabled : 0U) == 0;
}

bool EnableDebugPrivilege(PrivilegeSource& privileges) {
  const auto token = privileges.OpenOwnToken();
  return token != nullptr && SetPrivilege(*token, "SeDebugPrivilege", true);
}

}  // namespace portolan
