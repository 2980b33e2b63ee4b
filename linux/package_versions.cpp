#include "linux/package_versions.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>

#include "snapshot/process_identity.h"

namespace portolan::linux {
namespace {

constexpr std::byte kTranslation[4] = {std::byte{0x09}, std::byte{0x04}, std::byte{0xE9}, std::byte{0xFD}};
constexpr std::size_t kTranslationBytes = sizeof kTranslation;

std::uint32_t BlockSize(const PackageInfo& package) {
  return static_cast<std::uint32_t>(kTranslationBytes + package.Summary.size() + 1 +
                                    package.Maintainer.size() + 1);
}

void Put(const std::string& text, std::span<std::byte> block, std::size_t& at) {
  std::memcpy(block.data() + at, text.data(), text.size());
  at += text.size();
  block[at++] = std::byte{0};
}

// The files looked up during one snapshot; null where no package lists one.
struct Lookups {
  bool Refreshed = false;
  std::unordered_map<std::string, const PackageInfo*> Files;
};

class PackageVersions final : public VersionSource {
 public:
  PackageVersions(std::string dpkgRoot, std::shared_ptr<SnapshotScope> scope, std::string linkRoot)
      : database_(std::move(dpkgRoot), std::move(linkRoot)), scope_(std::move(scope)) {}

  std::uint32_t InfoSize(const std::string& path) override {
    const PackageInfo* package = Find(path);
    return package != nullptr ? BlockSize(*package) : 0;
  }

  bool ReadInfo(const std::string& path, std::span<std::byte> block) override {
    const PackageInfo* package = Find(path);
    if (package == nullptr || block.size() != BlockSize(*package)) {
      return false;
    }
    std::memcpy(block.data(), kTranslation, kTranslationBytes);
    std::size_t at = kTranslationBytes;
    Put(package->Summary, block, at);
    Put(package->Maintainer, block, at);
    return true;
  }

  bool QueryValue(std::span<const std::byte> block, const std::string& subBlock, VersionValue& value) override {
    if (block.size() <= kTranslationBytes) {
      return false;
    }
    if (subBlock == "\\VarFileInfo\\Translation") {
      value = {block, kTranslationBytes};
      return true;
    }
    const auto description = block.subspan(kTranslationBytes);
    const auto end = std::find(description.begin(), description.end(), std::byte{0});
    if (subBlock == strings_ + "FileDescription") {
      value = {description, static_cast<std::size_t>(end - description.begin())};
      return true;
    }
    if (subBlock == strings_ + "CompanyName" && end != description.end()) {
      const auto company = description.subspan(static_cast<std::size_t>(end - description.begin()) + 1);
      value = {company, static_cast<std::size_t>(std::find(company.begin(), company.end(), std::byte{0}) -
                                                 company.begin())};
      return true;
    }
    return false;
  }

 private:
  const PackageInfo* Find(const std::string& path) {
    Lookups& lookups = lookups_.For(*scope_);
    if (!lookups.Refreshed) {
      database_.Refresh();
      lookups.Refreshed = true;
    }
    const auto [found, added] = lookups.Files.try_emplace(path, nullptr);
    if (added) {
      found->second = database_.Find(path);
    }
    return found->second;
  }

  const std::string strings_ = "\\StringFileInfo\\" + TranslationKey(kTranslation) + "\\";
  PackageDatabase database_;
  std::shared_ptr<SnapshotScope> scope_;
  PerSnapshot<Lookups> lookups_;
};

}  // namespace

std::unique_ptr<VersionSource> MakePackageVersions(std::string dpkgRoot, std::shared_ptr<SnapshotScope> scope,
                                                   std::string linkRoot) {
  return std::make_unique<PackageVersions>(std::move(dpkgRoot), std::move(scope), std::move(linkRoot));
}

}  // namespace portolan::linux
