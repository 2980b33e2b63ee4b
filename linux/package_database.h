#pragma once
// The installed Debian packages, read straight from the dpkg database: its
// `status` file (one stanza per package: Package, Architecture, Status,
// Maintainer, Description) and the file lists `info/<package>.list` or
// `info/<package>:<arch>.list`. It tells which installed package a file
// belongs to, with the package's one-line summary and maintainer name.
//
// The lists are indexed by a hash of each path; a hit is confirmed by
// reading that one list again, so a lookup is exact without keeping the
// lists' text. A file is also found under the name its package gives it
// through a linked directory of the root (Debian lists /bin/sh, which the
// kernel names /usr/bin/sh where /bin links to /usr/bin).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
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
  // `linkRoot` is the directory whose links to directories give a file a
  // second name.
  explicit PackageDatabase(std::string root, std::string linkRoot = "/")
      : root_(std::move(root)), linkRoot_(std::move(linkRoot)) {}

  // Reads the database at the first call, and again whenever its status
  // file or its list directory changed since (dpkg replaces its status file
  // whenever it installs or removes a package). A missing database holds no
  // package.
  void Refresh();

  // The installed package that lists the file; null where none does. Valid
  // until the next Refresh.
  const PackageInfo* Find(const std::string& path);

 private:
  struct Package {
    PackageInfo Info;
    std::string List;  // the list file's name
  };

  void Load();
  void LoadLists(const std::unordered_map<std::string, std::uint32_t>& installed);
  void LoadLinkedDirectories();
  const PackageInfo* FindListed(std::string_view path) const;

  std::string root_;
  std::string linkRoot_;
  bool loaded_ = false;
  FileStamp status_;
  FileStamp lists_;
  std::vector<Package> packages_;
  std::vector<std::pair<std::size_t, std::uint32_t>> files_;  // hash of a listed path, package; sorted
  std::vector<std::pair<std::string, std::string>> linkedDirectories_;  // target, link
};

// The installed packages of a status text as (summary, maintainer) in the
// order of the text, and their names ("name" and "name:arch") to indexes
// into `packages`.
std::unordered_map<std::string, std::uint32_t> ParseStatus(std::string_view status,
                                                           std::vector<PackageInfo>& packages);

}  // namespace portolan::linux
