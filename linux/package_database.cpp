#include "linux/package_database.h"

#include <sys/stat.h>

#include <algorithm>

#include "linux/handles.h"
#include "linux/proc_files.h"

namespace portolan::linux {
namespace {

constexpr std::string_view kListSuffix = ".list";

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
  packages.push_back({std::string(Trimmed(stanza.Description)), std::string(MaintainerName(stanza.Maintainer))});
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

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

}  // namespace

FileStamp StampOf(const std::string& path) {
  struct stat info{};
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
  listTexts_.clear();
  files_.clear();
  byName_.clear();
  if (const auto status = ReadFile(root_ + "/status")) {
    LoadLists(ParseStatus(*status, packages_));
  }
}

void PackageDatabase::LoadLists(const std::unordered_map<std::string, std::uint32_t>& installed) {
  const std::string directory = root_ + "/info";
  std::vector<std::string> names;
  OpenDirectory lists(directory);
  while (const char* name = lists.Next()) {
    if (std::string_view(name).ends_with(kListSuffix)) {
      names.emplace_back(name);
    }
  }
  // A file listed by two packages belongs to the first by list name.
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const auto package = installed.find(name.substr(0, name.size() - kListSuffix.size()));
    if (package == installed.end()) {
      continue;
    }
    auto text = ReadFileAt(lists.Fd(), name.c_str(), std::size_t{64} << 20);
    if (!text) {
      continue;
    }
    const std::string& kept = listTexts_.emplace_back(std::move(*text));
    ForEachLine(kept, [&](std::string_view path) {
      if (!path.empty()) {
        files_.try_emplace(path, package->second);
      }
    });
  }
}

const PackageInfo* PackageDatabase::Find(const std::string& path) {
  if (!loaded_) {
    Refresh();
  }
  const auto found = files_.find(path);
  return found != files_.end() ? &packages_[found->second] : FindOtherName(path);
}

const PackageInfo* PackageDatabase::FindOtherName(const std::string& path) {
  struct stat file{};
  if (path.empty() || ::stat(path.c_str(), &file) != 0) {
    return nullptr;
  }
  if (byName_.empty()) {
    byName_.reserve(files_.size());
    for (const auto& [listed, package] : files_) {
      byName_.emplace(listed.substr(listed.rfind('/') + 1), listed);
    }
  }
  const std::string_view name = std::string_view(path).substr(path.rfind('/') + 1);
  const PackageInfo* best = nullptr;
  const auto [first, last] = byName_.equal_range(name);
  for (auto candidate = first; candidate != last; ++candidate) {
    struct stat other{};
    const PackageInfo* package = &packages_[files_.at(candidate->second)];
    if ((best == nullptr || package < best) && ::stat(std::string(candidate->second).c_str(), &other) == 0 &&
        SameFile(file, other)) {
      best = package;
    }
  }
  return best;
}

}  // namespace portolan::linux
