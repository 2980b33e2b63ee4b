#include <windows.h>

#include "win32/handles.h"
#include "win32/system_sources.h"

namespace portolan::win32 {
namespace {

class TokenPrivileges final : public AccessToken {
 public:
  explicit TokenPrivileges(KernelHandle token) : token_(std::move(token)) {}

  bool LookupPrivilege(const std::string& name, Luid& luid) override {
    LUID found{};
    if (LookupPrivilegeValueA(nullptr, name.c_str(), &found) == FALSE) {
      return false;
    }
    luid = {found.LowPart, found.HighPart};
    return true;
  }

  std::uint32_t AdjustPrivilege(const Luid& luid, std::uint32_t attributes) override {
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Luid = {luid.LowPart, luid.HighPart};
    privileges.Privileges[0].Attributes = attributes;
    DWORD unused = 0;
    AdjustTokenPrivileges(token_.Get(), FALSE, &privileges, sizeof privileges, nullptr, &unused);
    return GetLastError();
  }

 private:
  KernelHandle token_;
};

class OwnToken final : public PrivilegeSource {
 public:
  std::unique_ptr<AccessToken> OpenOwnToken() override {
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token) == FALSE) {
      return nullptr;
    }
    return std::make_unique<TokenPrivileges>(KernelHandle(token));
  }
};

}  // namespace

std::unique_ptr<PrivilegeSource> MakePrivilegeSource() { return std::make_unique<OwnToken>(); }

}  // namespace portolan::win32
