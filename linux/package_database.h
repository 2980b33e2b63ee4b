#pragma once
// The installed Debian packages, read straight from the dpkg database: its
// `status` file (one stanza per package: Package, Architecture, Status,
// Maintainer, Description) and the file lists `info/<package>.list` or
// `info/<package>:<arch>.list`. It tells which installed package a file
// belongs to, with the package's one-line summary and maintainer name.

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace portolan::linux {

struct PackageInfo {
  std::string Summary;     // the first line of the description
  std::string Maintainer;  // the maintainer's name, without the mail address

  bool operator==(const PackageInfo&) const = default;
};

// The state of a file as far as change goes.
struct FileStamp {
  bool Exists = false;
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  std::int64_t Size = 0;
  std::int64_t ModifiedSeconds = 0;
  std::int64_t ModifiedNanoseconds = 0;

  bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& path);

class PackageDatabase {
 public:
  explicit PackageDatabase(std::string root) : root_(std::move(root)) {}

  // Reads the database at the first call, and again whenever its status
  // file or its list directory changed since (dpkg replaces both when it
  // installs or removes a package). A missing database holds no package.
  void Refresh();

  // The installed package that lists the file, also under another name of
  // the same file (a path through a linked directory: /bin/sh for
  // /usr/bin/sh); null where none does. Valid until the next Refresh.
  const PackageInfo* Find(const std::string& path);

 private:
  void Load();
  void LoadLists(const std::unordered_map<std::string, std::uint32_t>& installed);
  const PackageInfo* FindOtherName(const std::string& path);

  std::string root_;
  bool loaded_ = false;
  FileStamp status_;
  FileStamp lists_;
  std::vector<PackageInfo> packages_;
  std::deque<std::string> listTexts_;  // the list files, which the indexes below view
  std::unordered_map<std::string_view, std::uint32_t> files_;  // path to package
  std::unordered_multimap<std::string_view, std::string_view> byName_;  // last part to path, made at need
};

// The installed packages of a status text, and their names ("name" and
// "name:arch") to indexes into `packages`.
std::unordered_map<std::string, std::uint32_t> ParseStatus(std::string_view status,
                                                           std::vector<PackageInfo>& packages);

}  // namespace portolan::linux
