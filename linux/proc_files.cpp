#include "linux/proc_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>

#include "linux/handles.h"

namespace portolan::linux {
namespace {

constexpr std::size_t kReadChunk = 16384;
constexpr std::size_t kFirstLinkBuffer = 256;
constexpr std::size_t kLongestLink = 65536;

std::optional<std::string> ReadAll(const UniqueFd& file, std::size_t limit) {
  if (!file) {
    return std::nullopt;
  }
  std::string text;
  while (text.size() < limit) {
    const std::size_t used = text.size();
    text.resize(used + std::min(kReadChunk, limit - used));
    const ssize_t got = ::read(file.Get(), text.data() + used, text.size() - used);
    if (got < 0) {
      return std::nullopt;
    }
    text.resize(used + static_cast<std::size_t>(got));
    if (got == 0) {
      break;
    }
  }
  return text;
}

}  // namespace

std::optional<std::string> ReadFile(const std::string& path, std::size_t limit) {
  return ReadAll(UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)), limit);
}

std::optional<std::string> ReadFileAt(int directoryFd, const char* name, std::size_t limit) {
  return ReadAll(UniqueFd(::openat(directoryFd, name, O_RDONLY | O_CLOEXEC)), limit);
}

std::optional<std::string> ReadLinkAt(int directoryFd, const char* name) {
  // readlink cuts a target that fills the buffer; read again with more room.
  for (std::size_t size = kFirstLinkBuffer; size <= kLongestLink; size *= 2) {
    std::string target(size, '\0');
    const ssize_t got = ::readlinkat(directoryFd, name, target.data(), target.size());
    if (got < 0) {
      return std::nullopt;
    }
    if (static_cast<std::size_t>(got) < size) {
      target.resize(static_cast<std::size_t>(got));
      return target;
    }
  }
  return std::nullopt;
}

std::optional<std::string> ReadLink(const std::string& path) { return ReadLinkAt(AT_FDCWD, path.c_str()); }

std::vector<std::uint32_t> ListProcessIds(const std::string& procRoot) {
  std::vector<std::uint32_t> ids;
  OpenDirectory directory(procRoot);
  while (const char* name = directory.Next()) {
    const auto id = ParseNumber(name);
    if (id && *id <= UINT32_MAX) {
      ids.push_back(static_cast<std::uint32_t>(*id));
    }
  }
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  return ids;
}

std::optional<std::uint64_t> ParseNumber(std::string_view text, int base) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value, base);
  if (text.empty() || error != std::errc{} || stop != end) {
    return std::nullopt;
  }
  return value;
}

}  // namespace portolan::linux
