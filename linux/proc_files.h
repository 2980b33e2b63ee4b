#pragma once
// Reading the small files and links of /proc and of the package database.
// A file or link that cannot be read gives nullopt, never an error.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace portolan::linux {

// The whole file, or its first `limit` bytes. Sizes are not trusted: /proc
// files claim a size of 0.
std::optional<std::string> ReadFile(const std::string& path, std::size_t limit = std::size_t{64} << 20);
std::optional<std::string> ReadFileAt(int directoryFd, const char* name, std::size_t limit);
// The same into `text`, whose room is used again; false where the file
// cannot be read.
bool ReadFileAt(int directoryFd, const char* name, std::size_t limit, std::string& text);

// A symbolic link's target, whole.
std::optional<std::string> ReadLink(const std::string& path);
std::optional<std::string> ReadLinkAt(int directoryFd, const char* name);

// The entries of a directory whose names are decimal numbers: the process
// IDs under a proc root, in ascending order.
std::vector<std::uint32_t> ListProcessIds(const std::string& procRoot);

// A decimal or hexadecimal number that fills the whole text.
std::optional<std::uint64_t> ParseNumber(std::string_view text, int base = 10);

}  // namespace portolan::linux
