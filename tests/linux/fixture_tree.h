#pragma once
// A directory tree made for one test and removed after it: a proc root or a
// dpkg database built from files and links.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace portolan::linux::testing {

class FixtureTree {
 public:
  FixtureTree() {
    std::string pattern = (std::filesystem::temp_directory_path() / "portolan-fixture-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      ADD_FAILURE() << "cannot make a fixture directory";
    }
    root_ = pattern;
  }
  FixtureTree(const FixtureTree&) = delete;
  FixtureTree& operator=(const FixtureTree&) = delete;
  ~FixtureTree() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  const std::string& Root() const { return root_; }
  std::string Path(const std::string& relative) const { return root_ + "/" + relative; }

  void Write(const std::string& relative, std::string_view text) const {
    std::filesystem::create_directories(std::filesystem::path(Path(relative)).parent_path());
    std::ofstream(Path(relative), std::ios::binary | std::ios::trunc) << text;
  }

  // Replaces the file whole through a new one renamed over it, as dpkg does.
  void Replace(const std::string& relative, std::string_view text) const {
    Write(relative + ".new", text);
    std::filesystem::rename(Path(relative + ".new"), Path(relative));
  }

  void Link(const std::string& relative, const std::string& target) const {
    std::filesystem::create_directories(std::filesystem::path(Path(relative)).parent_path());
    std::filesystem::create_symlink(target, Path(relative));
  }

  void Remove(const std::string& relative) const { std::filesystem::remove_all(Path(relative)); }

 private:
  std::string root_;
};

// One process of a fixture proc root.
struct FixtureProcess {
  std::uint32_t Pid = 0;
  std::string Exe;               // the `exe` link's target; none where empty
  std::string Comm;              // the `comm` file without its newline; none where empty
  std::string StartTime;         // the start time in `stat`; no `stat` where empty
  std::vector<std::string> Fds;  // the targets of fd/0, fd/1, ...
};

// Names a case of a table of cases by its Name.
struct CaseName {
  template <typename Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& tested) const {
    return tested.param.Name;
  }
};

inline void AddProcess(const FixtureTree& proc, const FixtureProcess& process) {
  const std::string dir = std::to_string(process.Pid);
  std::filesystem::create_directories(proc.Path(dir + "/fd"));
  if (!process.Exe.empty()) {
    proc.Link(dir + "/exe", process.Exe);
  }
  if (!process.Comm.empty()) {
    proc.Write(dir + "/comm", process.Comm + "\n");
  }
  if (!process.StartTime.empty()) {
    // The name holds blanks and a parenthesis, as a command name may.
    proc.Write(dir + "/stat", dir + " (odd) name) S 1 1 1 0 -1 4194560 100 0 0 0 5 3 0 0 20 0 1 0 " +
                                  process.StartTime + " 1000 200 18446744073709551615\n");
  }
  for (std::size_t fd = 0; fd < process.Fds.size(); ++fd) {
    proc.Link(dir + "/fd/" + std::to_string(fd), process.Fds[fd]);
  }
}

}  // namespace portolan::linux::testing
