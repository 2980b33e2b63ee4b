#include "linux/socket_owners.h"

#include <unistd.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "linux/handles.h"
#include "linux/proc_files.h"

namespace portolan::linux {
namespace {

constexpr std::size_t kStatBytes = 4096;
constexpr std::size_t kStartTimeField = 19;  // counted from the state, the first field after the name
// "socket:[" and 20 digits and "]" fit; a longer target is no socket.
constexpr std::size_t kSocketLinkBytes = 64;

// A holder's rank: earlier start first, then lower ID. A process whose start
// cannot be read ranks after those whose start is known.
struct HolderRank {
  std::uint64_t Start = std::numeric_limits<std::uint64_t>::max();
  std::uint32_t Pid = 0;
  bool operator<(const HolderRank& other) const {
    return Start != other.Start ? Start < other.Start : Pid < other.Pid;
  }
};

class Walker {
 public:
  explicit Walker(int rootFd) : rootFd_(rootFd) {}

  void Process(std::uint32_t pid, std::unordered_map<std::uint64_t, std::uint32_t>& owners) {
    const std::string fdPath = std::to_string(pid) + "/fd";
    OpenDirectory fds(rootFd_, fdPath.c_str());
    char target[kSocketLinkBytes];
    while (const char* name = fds.Next()) {
      const ssize_t got = ::readlinkat(fds.Fd(), name, target, sizeof target);
      if (got <= 0 || static_cast<std::size_t>(got) == sizeof target) {
        continue;
      }
      const auto inode = SocketInode(std::string_view(target, static_cast<std::size_t>(got)));
      if (!inode) {
        continue;
      }
      const auto [found, added] = owners.try_emplace(*inode, pid);
      if (!added && found->second != pid && Rank(pid) < Rank(found->second)) {
        found->second = pid;
      }
    }
  }

 private:
  // Read once per process, only for processes that share a socket.
  HolderRank Rank(std::uint32_t pid) {
    const auto [found, added] = ranks_.try_emplace(pid, HolderRank{.Pid = pid});
    if (added) {
      const std::string statPath = std::to_string(pid) + "/stat";
      if (const auto stat = ReadFileAt(rootFd_, statPath.c_str(), kStatBytes)) {
        found->second.Start = StartTime(*stat).value_or(found->second.Start);
      }
    }
    return found->second;
  }

  int rootFd_;
  std::unordered_map<std::uint32_t, HolderRank> ranks_;
};

}  // namespace

SocketOwners SocketOwners::Walk(const std::string& procRoot) {
  SocketOwners result;
  OpenDirectory root(procRoot);
  if (!root) {
    return result;
  }
  Walker walker(root.Fd());
  for (const std::uint32_t pid : ListProcessIds(procRoot)) {
    walker.Process(pid, result.owners_);
  }
  return result;
}

std::uint32_t SocketOwners::Owner(std::uint64_t inode) const {
  const auto found = owners_.find(inode);
  return found == owners_.end() ? 0 : found->second;
}

std::optional<std::uint64_t> SocketInode(std::string_view target) {
  constexpr std::string_view kPrefix = "socket:[";
  if (!target.starts_with(kPrefix) || !target.ends_with(']')) {
    return std::nullopt;
  }
  return ParseNumber(target.substr(kPrefix.size(), target.size() - kPrefix.size() - 1));
}

std::optional<std::uint64_t> StartTime(std::string_view stat) {
  const std::size_t nameEnd = stat.rfind(')');
  if (nameEnd == std::string_view::npos) {
    return std::nullopt;
  }
  std::string_view rest = stat.substr(nameEnd + 1);
  for (std::size_t field = 0;; ++field) {
    const std::size_t start = rest.find_first_not_of(" \n");
    if (start == std::string_view::npos) {
      return std::nullopt;
    }
    rest.remove_prefix(start);
    const std::size_t end = std::min(rest.find_first_of(" \n"), rest.size());
    if (field == kStartTimeField) {
      return ParseNumber(rest.substr(0, end));
    }
    rest.remove_prefix(end);
  }
}

}  // namespace portolan::linux
