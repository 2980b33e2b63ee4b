#pragma once
// Which process owns each socket, found by one walk over the open files of
// every process under a proc root (`<pid>/fd/*` links named
// "socket:[inode]"). A socket held by several processes (after a fork)
// belongs to the one that started first, then to the lowest ID.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace portolan::linux {

class SocketOwners {
 public:
  // Processes whose files cannot be read (other users' without privilege,
  // or ended during the walk) hold nothing.
  static SocketOwners Walk(const std::string& procRoot);

  // The owner of the socket with that inode; 0 where no visible process
  // holds it.
  std::uint32_t Owner(std::uint64_t inode) const;

 private:
  std::unordered_map<std::uint64_t, std::uint32_t> owners_;
};

// The inode of a "socket:[inode]" link target.
std::optional<std::uint64_t> SocketInode(std::string_view target);

// When a process started (clock ticks after boot), from the text of its
// `stat` file: the 20th field after the command name's closing parenthesis.
std::optional<std::uint64_t> StartTime(std::string_view stat);

}  // namespace portolan::linux
