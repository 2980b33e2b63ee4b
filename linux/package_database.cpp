#include "linux/package_database.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <functional>
#include <memory>

#include "linux/handles.h"
#include "linux/proc_files.h"

namespace portolan::linux {
namespace {

constexpr std::string_view kListSuffix = ".list";
constexpr std::size_t kLongestList = std::size_t{64} << 20;

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// "Name <mail>" gives "Name".
std::string_view MaintainerName(std::string_view maintainer) {
  return Trimmed(maintainer.substr(0, maintainer.find('<')));
}

// The fields of one stanza that matter here.
struct Stanza {
  std::string_view Package;
  std::string_view Architecture;
  std::string_view Status;
  std::string_view Maintainer;
  std::string_view Description;

  void Set(std::string_view key, std::string_view value) {
    for (auto [name, field] : {std::pair{"Package", &Package}, std::pair{"Architecture", &Architecture},
                               std::pair{"Status", &Status}, std::pair{"Maintainer", &Maintainer},
                               std::pair{"Description", &Description}}) {
      if (key == name) {
        *field = value;
      }
    }
  }

  // The last word of "want flag state".
  bool Installed() const {
    const std::string_view status = Trimmed(Status);
    return status.substr(status.find_last_of(' ') + 1) == "installed";
  }
};

void AddPackage(const Stanza& stanza, std::unordered_map<std::string, std::uint32_t>& names,
                std::vector<PackageInfo>& packages) {
  if (stanza.Package.empty() || !stanza.Installed()) {
    return;
  }
  const auto index = static_cast<std::uint32_t>(packages.size());
  packages.push_back(
      {std::string(Trimmed(stanza.Description)), std::string(MaintainerName(stanza.Maintainer))});
  names.try_emplace(std::string(stanza.Package), index);
  if (!stanza.Architecture.empty()) {
    names.try_emplace(std::string(stanza.Package) + ":" + std::string(stanza.Architecture), index);
  }
}

template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    visit(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
  }
}

bool HasLine(std::string_view text, std::string_view line) {
  bool found = false;
  ForEachLine(text, [&](std::string_view each) { found = found || each == line; });
  return found;
}

std::size_t PathHash(std::string_view path) { return std::hash<std::string_view>{}(path); }

}  // namespace

FileStamp StampOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    return {};
  }
  return {true, info.st_dev, info.st_ino, info.st_size, info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
}

std::unordered_map<std::string, std::uint32_t> ParseStatus(std::string_view status,
                                                           std::vector<PackageInfo>& packages) {
  std::unordered_map<std::string, std::uint32_t> names;
  Stanza stanza;
  ForEachLine(status, [&](std::string_view line) {
    if (Trimmed(line).empty()) {
      AddPackage(stanza, names, packages);
      stanza = {};
      return;
    }
    const std::size_t colon = line.find(':');
    // Continuation lines (the long description) begin with a blank.
    if (line.front() != ' ' && line.front() != '\t' && colon != std::string_view::npos) {
      stanza.Set(line.substr(0, colon), Trimmed(line.substr(colon + 1)));
    }
  });
  AddPackage(stanza, names, packages);
  return names;
}

void PackageDatabase::Refresh() {
  const FileStamp status = StampOf(root_ + "/status");
  const FileStamp lists = StampOf(root_ + "/info");
  if (!loaded_ || status != status_ || lists != lists_) {
    status_ = status;
    lists_ = lists;
    Load();
  }
}

void PackageDatabase::Load() {
  loaded_ = true;
  packages_.clear();
  files_.clear();
  linkedDirectories_.clear();
  const auto status = ReadFile(root_ + "/status");
  if (!status) {
    return;
  }
  std::vector<PackageInfo> infos;
  const auto installed = ParseStatus(*status, infos);
  for (PackageInfo& info : infos) {
    packages_.push_back({std::move(info), {}});
  }
  LoadLists(installed);
  LoadLinkedDirectories();
}

void PackageDatabase::LoadLists(const std::unordered_map<std::string, std::uint32_t>& installed) {
  std::vector<std::string> names;
  OpenDirectory lists(root_ + "/info");
  while (const char* name = lists.Next()) {
    if (std::string_view(name).ends_with(kListSuffix)) {
      names.emplace_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  std::string text;
  for (const std::string& name : names) {
    const auto package = installed.find(name.substr(0, name.size() - kListSuffix.size()));
    if (package == installed.end() || !packages_[package->second].List.empty()) {
      continue;
    }
    if (!ReadFileAt(lists.Fd(), name.c_str(), kLongestList, text)) {
      continue;
    }
    packages_[package->second].List = name;
    ForEachLine(text, [&](std::string_view path) {
      if (!path.empty()) {
        files_.emplace_back(PathHash(path), package->second);
      }
    });
  }
  // Equal hashes keep the order of the list names: a file listed by two
  // packages belongs to the first.
  std::stable_sort(files_.begin(), files_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
}

void PackageDatabase::LoadLinkedDirectories() {
  const std::string prefix = linkRoot_ == "/" ? "" : linkRoot_;
  OpenDirectory root(linkRoot_);
  while (const char* name = root.Next()) {
    const std::string link = prefix + "/" + name;
    struct stat info {};
    if (::lstat(link.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
      continue;
    }
    const std::unique_ptr<char, decltype(&std::free)> target(::realpath(link.c_str(), nullptr), &std::free);
    if (target != nullptr && ::stat(target.get(), &info) == 0 && S_ISDIR(info.st_mode)) {
      linkedDirectories_.emplace_back(target.get(), link);
    }
  }
}

const PackageInfo* PackageDatabase::FindListed(std::string_view path) const {
  const std::size_t hash = PathHash(path);
  auto entry = std::lower_bound(files_.begin(), files_.end(), std::pair{hash, std::uint32_t{0}},
                                [](const auto& a, const auto& b) { return a.first < b.first; });
  for (; entry != files_.end() && entry->first == hash; ++entry) {
    const Package& package = packages_[entry->second];
    const auto list = ReadFile(root_ + "/info/" + package.List);
    if (list && HasLine(*list, path)) {
      return &package.Info;
    }
  }
  return nullptr;
}

const PackageInfo* PackageDatabase::Find(const std::string& path) {
  if (!loaded_) {
    Refresh();
  }
  if (path.empty()) {
    return nullptr;
  }
  if (const PackageInfo* package = FindListed(path)) {
    return package;
  }
  for (const auto& [target, link] : linkedDirectories_) {
    if (path.starts_with(target) && path.size() > target.size() && path[target.size()] == '/') {
      if (const PackageInfo* package = FindListed(link + path.substr(target.size()))) {
        return package;
      }
    }
  }
  return nullptr;
}

}  // namespace portolan::linux
