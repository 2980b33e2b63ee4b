#include "linux/proc_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>

#include "linux/handles.h"

namespace portolan::linux {
namespace {

constexpr std::size_t kReadChunk = 16384;
constexpr std::size_t kFirstLinkBuffer = 256;
constexpr std::size_t kLongestLink = 65536;

// Room for the whole file is made at once where the file tells its size
// (files of /proc tell none); the read that finds the end needs no more.
bool ReadAll(const UniqueFd& file, std::size_t limit, std::string& text) {
  struct stat info {};
  if (!file || ::fstat(file.Get(), &info) != 0) {
    return false;
  }
  const std::size_t told =
      S_ISREG(info.st_mode) && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
  text.clear();
  text.reserve(std::min(limit, told + kReadChunk));
  while (text.size() < limit) {
    const std::size_t used = text.size();
    text.resize(std::min(limit, std::max(text.capacity(), used + kReadChunk)));
    const ssize_t got = ::read(file.Get(), text.data() + used, text.size() - used);
    if (got < 0) {
      return false;
    }
    text.resize(used + static_cast<std::size_t>(got));
    if (got == 0) {
      break;
    }
  }
  return true;
}

std::optional<std::string> ReadAll(const UniqueFd& file, std::size_t limit) {
  std::string text;
  if (!ReadAll(file, limit, text)) {
    return std::nullopt;
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

bool ReadFileAt(int directoryFd, const char* name, std::size_t limit, std::string& text) {
  return ReadAll(UniqueFd(::openat(directoryFd, name, O_RDONLY | O_CLOEXEC)), limit, text);
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
