#include "linux/processes.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "linux/handles.h"
#include "linux/proc_files.h"

namespace portolan::linux {
namespace {

constexpr std::size_t kCommBytes = 64;
constexpr std::string_view kDeleted = " (deleted)";

// The image paths read during one snapshot, by process ID; nullopt where the
// link could not be read.
using ImagePaths = std::unordered_map<std::uint32_t, std::optional<std::string>>;

ProcessEntry MakeEntry(std::uint32_t pid, std::string_view name) {
  ProcessEntry entry;
  entry.ProcessId = pid;
  std::memcpy(entry.ExeFile.data(), name.data(), std::min(name.size(), entry.ExeFile.size()));
  return entry;
}

std::string CommandName(int rootFd, std::uint32_t pid) {
  const std::string path = std::to_string(pid) + "/comm";
  std::string comm = ReadFileAt(rootFd, path.c_str(), kCommBytes).value_or("");
  if (!comm.empty() && comm.back() == '\n') {
    comm.pop_back();
  }
  return comm;
}

// Walks its entries most recently found first: the entry a walk stopped at
// moves to the front before the next walk. Process IDs are unique in the
// list, so every walk finds what a walk in the first order finds, and rows
// of the few processes that own most sockets find their entry at once.
class ProcList final : public ProcessList {
 public:
  ProcList(std::vector<ProcessEntry> entries, SnapshotScope::Holder snapshot)
      : entries_(std::move(entries)), order_(entries_.size()), snapshot_(std::move(snapshot)) {
    std::iota(order_.begin(), order_.end(), std::size_t{0});
  }

  bool First(ProcessEntry& entry) override {
    if (stopped_) {
      std::rotate(order_.begin(), order_.begin() + static_cast<std::ptrdiff_t>(at_),
                  order_.begin() + static_cast<std::ptrdiff_t>(at_) + 1);
    }
    at_ = 0;
    return Give(entry);
  }

  bool Next(ProcessEntry& entry) override {
    ++at_;
    return Give(entry);
  }

 private:
  bool Give(ProcessEntry& entry) {
    stopped_ = at_ < order_.size();
    if (stopped_) {
      entry = entries_[order_[at_]];
    }
    return stopped_;
  }

  std::vector<ProcessEntry> entries_;
  std::vector<std::size_t> order_;
  SnapshotScope::Holder snapshot_;
  std::size_t at_ = 0;
  bool stopped_ = false;  // the last entry given, at at_, may be what the walk looked for
};

class ImageHandle final : public ProcessHandle {
 public:
  explicit ImageHandle(std::string path) : path_(std::move(path)) {}

  bool FirstModule(std::uintptr_t& module) override {
    module = 0;
    return true;
  }

  bool ModuleFileName(std::uintptr_t /*module*/, PathBuffer& name) override {
    name = {};
    std::memcpy(name.data(), path_.data(), std::min(path_.size(), name.size() - 1));
    return true;
  }

  bool FullImageName(PathBuffer& name) override { return ModuleFileName(0, name); }

 private:
  std::string path_;
};

class ProcProcesses final : public ProcessSource {
 public:
  ProcProcesses(std::string procRoot, std::shared_ptr<SnapshotScope> scope)
      : root_(std::move(procRoot)), scope_(std::move(scope)) {}

  std::unique_ptr<ProcessList> TakeSnapshot() override {
    OpenDirectory root(root_);
    if (!root) {
      return nullptr;
    }
    SnapshotScope::Holder snapshot = SnapshotScope::Open(scope_);
    ImagePaths& paths = paths_.For(*scope_);
    // ID 0 is no process here, but the owner of every socket no visible
    // process holds. Its entry, without a name, ends those rows' walks at
    // once; the name is empty as it would be without the entry.
    std::vector<ProcessEntry> entries{MakeEntry(0, "")};
    for (const std::uint32_t pid : ListProcessIds(root_)) {
      const std::string exe = std::to_string(pid) + "/exe";
      const std::optional<std::string>& target =
          paths.emplace(pid, ReadLinkAt(root.Fd(), exe.c_str())).first->second;
      entries.push_back(MakeEntry(pid, target ? ExecutableName(*target) : CommandName(root.Fd(), pid)));
    }
    return std::make_unique<ProcList>(std::move(entries), std::move(snapshot));
  }

  // Both accesses give the same path; the limited one is not tried again.
  std::unique_ptr<ProcessHandle> Open(std::uint32_t processId, ProcessAccess access) override {
    if (access == ProcessAccess::LimitedQuery) {
      return nullptr;
    }
    ImagePaths& paths = paths_.For(*scope_);
    auto found = paths.find(processId);
    if (found == paths.end()) {
      found = paths.emplace(processId, ReadLink(root_ + "/" + std::to_string(processId) + "/exe")).first;
    }
    return found->second ? std::make_unique<ImageHandle>(*found->second) : nullptr;
  }

 private:
  std::string root_;
  std::shared_ptr<SnapshotScope> scope_;
  PerSnapshot<ImagePaths> paths_;
};

}  // namespace

std::string_view ExecutableName(std::string_view target) {
  if (target.ends_with(kDeleted)) {
    target.remove_suffix(kDeleted.size());
  }
  const std::size_t slash = target.rfind('/');
  return slash == std::string_view::npos ? target : target.substr(slash + 1);
}

std::unique_ptr<ProcessSource> MakeProcessSource(std::string procRoot, std::shared_ptr<SnapshotScope> scope) {
  return std::make_unique<ProcProcesses>(std::move(procRoot), std::move(scope));
}

}  // namespace portolan::linux
