#include "linux/privilege_source.h"

#include <algorithm>

#include "linux/proc_files.h"

namespace portolan::linux {
namespace {

constexpr std::uint64_t kPtraceCapability = std::uint64_t{1} << 19U;  // CAP_SYS_PTRACE
constexpr std::size_t kStatusBytes = 16384;
constexpr std::string_view kDebugPrivilege = "SeDebugPrivilege";
constexpr Luid kDebugLuid{20, 0};
// What the adjustment answers where the privilege is not held or not known.
constexpr std::uint32_t kNotAllAssigned = 1300;
constexpr std::uint32_t kNoSuchPrivilege = 1313;

class OwnCapabilities final : public AccessToken {
 public:
  explicit OwnCapabilities(std::string procRoot) : root_(std::move(procRoot)) {}

  bool LookupPrivilege(const std::string& name, Luid& luid) override {
    if (name != kDebugPrivilege) {
      return false;
    }
    luid = kDebugLuid;
    return true;
  }

  std::uint32_t AdjustPrivilege(const Luid& luid, std::uint32_t attributes) override {
    if (luid.LowPart != kDebugLuid.LowPart || luid.HighPart != kDebugLuid.HighPart) {
      return kNoSuchPrivilege;
    }
    if ((attributes & kPrivilegeEnabled) == 0) {
      return 0;
    }
    const auto status = ReadFile(root_ + "/self/status", kStatusBytes);
    return status && HoldsPtraceCapability(*status) ? 0 : kNotAllAssigned;
  }

 private:
  std::string root_;
};

class CapabilityPrivilege final : public PrivilegeSource {
 public:
  explicit CapabilityPrivilege(std::string procRoot) : root_(std::move(procRoot)) {}

  std::unique_ptr<AccessToken> OpenOwnToken() override { return std::make_unique<OwnCapabilities>(root_); }

 private:
  std::string root_;
};

}  // namespace

bool HoldsPtraceCapability(std::string_view status) {
  constexpr std::string_view kKey = "\nCapEff:";
  const std::size_t key = status.find(kKey);
  if (key == std::string_view::npos) {
    return false;
  }
  std::string_view value = status.substr(key + kKey.size());
  value = value.substr(0, value.find('\n'));
  value.remove_prefix(std::min(value.find_first_not_of(" \t"), value.size()));
  const auto capabilities = ParseNumber(value, 16);
  return capabilities && (*capabilities & kPtraceCapability) != 0;
}

std::unique_ptr<PrivilegeSource> MakePrivilegeSource(std::string procRoot) {
  return std::make_unique<CapabilityPrivilege>(std::move(procRoot));
}

}  // namespace portolan::linux
