#include <windows.h>
#include <tlhelp32.h>

#include <cstring>

#include "win32/handles.h"
#include "win32/system_sources.h"

namespace portolan::win32 {
namespace {

using CreateSnapshotFunction = HANDLE(WINAPI*)(DWORD flags, DWORD processId);
using ProcessWalkFunction = BOOL(WINAPI*)(HANDLE snapshot, PROCESSENTRY32* entry);
using EnumModulesFunction = BOOL(WINAPI*)(HANDLE process, HMODULE* modules, DWORD bytes, DWORD* needed);
using ModuleFileNameFunction = DWORD(WINAPI*)(HANDLE process, HMODULE module, char* name, DWORD size);

// Toolhelp, looked up by name in kernel32.dll.
struct Toolhelp {
  CreateSnapshotFunction CreateSnapshot = nullptr;
  ProcessWalkFunction First = nullptr;
  ProcessWalkFunction Next = nullptr;
};

// Process status functions of PSAPI.dll.
struct Psapi {
  EnumModulesFunction EnumProcessModules = nullptr;
  ModuleFileNameFunction GetModuleFileNameExA = nullptr;
};

class ToolhelpProcessList final : public ProcessList {
 public:
  ToolhelpProcessList(KernelHandle snapshot, const Toolhelp& toolhelp)
      : snapshot_(std::move(snapshot)), toolhelp_(toolhelp) {}

  bool First(ProcessEntry& entry) override {
    entry_.dwSize = sizeof entry_;
    return Read(toolhelp_.First, entry);
  }

  bool Next(ProcessEntry& entry) override { return Read(toolhelp_.Next, entry); }

 private:
  bool Read(ProcessWalkFunction walk, ProcessEntry& entry) {
    if (walk == nullptr || walk(snapshot_.Get(), &entry_) == FALSE) {
      return false;
    }
    static_assert(sizeof entry_.szExeFile == kExeFileChars);
    entry.ProcessId = entry_.th32ProcessID;
    std::memcpy(entry.ExeFile.data(), entry_.szExeFile, kExeFileChars);
    return true;
  }

  KernelHandle snapshot_;
  const Toolhelp& toolhelp_;
  PROCESSENTRY32 entry_{};
};

class OpenedProcess final : public ProcessHandle {
 public:
  OpenedProcess(KernelHandle process, const Psapi& psapi) : process_(std::move(process)), psapi_(psapi) {}

  bool FirstModule(std::uintptr_t& module) override {
    HMODULE first = nullptr;
    DWORD needed = 0;
    if (psapi_.EnumProcessModules == nullptr ||
        psapi_.EnumProcessModules(process_.Get(), &first, sizeof first, &needed) == FALSE) {
      return false;
    }
    module = reinterpret_cast<std::uintptr_t>(first);
    return true;
  }

  bool ModuleFileName(std::uintptr_t module, PathBuffer& name) override {
    return psapi_.GetModuleFileNameExA != nullptr &&
           psapi_.GetModuleFileNameExA(process_.Get(), reinterpret_cast<HMODULE>(module), name.data(),
                                       static_cast<DWORD>(name.size())) != 0;
  }

  bool FullImageName(PathBuffer& name) override {
    auto size = static_cast<DWORD>(name.size());
    return QueryFullProcessImageNameA(process_.Get(), 0, name.data(), &size) != FALSE;
  }

 private:
  KernelHandle process_;
  const Psapi& psapi_;
};

DWORD AccessRights(ProcessAccess access) {
  return access == ProcessAccess::LimitedQuery ? PROCESS_QUERY_LIMITED_INFORMATION
                                               : PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
}

// Binds toolhelp at its first use and PSAPI.dll at each use until it loads.
class WindowsProcesses final : public ProcessSource {
 public:
  std::unique_ptr<ProcessList> TakeSnapshot() override {
    if (!toolhelpBound_) {
      BindToolhelp();
    }
    if (toolhelp_.CreateSnapshot == nullptr) {
      return nullptr;
    }
    KernelHandle snapshot(toolhelp_.CreateSnapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
      return nullptr;
    }
    return std::make_unique<ToolhelpProcessList>(std::move(snapshot), toolhelp_);
  }

  std::unique_ptr<ProcessHandle> Open(std::uint32_t processId, ProcessAccess access) override {
    KernelHandle process(OpenProcess(AccessRights(access), FALSE, processId));
    if (!process) {
      return nullptr;
    }
    if (!psapiLibrary_) {
      LoadPsapi();
    }
    return std::make_unique<OpenedProcess>(std::move(process), psapi_);
  }

 private:
  void BindToolhelp() {
    toolhelpBound_ = true;
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    toolhelp_.CreateSnapshot = BindExport<CreateSnapshotFunction>(kernel32, "CreateToolhelp32Snapshot");
    toolhelp_.First = BindExport<ProcessWalkFunction>(kernel32, "Process32First");
    toolhelp_.Next = BindExport<ProcessWalkFunction>(kernel32, "Process32Next");
  }

  void LoadPsapi() {
    psapiLibrary_ = LoadedLibrary("PSAPI.dll");
    psapi_.EnumProcessModules = BindExport<EnumModulesFunction>(psapiLibrary_.Get(), "EnumProcessModules");
    psapi_.GetModuleFileNameExA = BindExport<ModuleFileNameFunction>(psapiLibrary_.Get(), "GetModuleFileNameExA");
  }

  bool toolhelpBound_ = false;
  Toolhelp toolhelp_;
  LoadedLibrary psapiLibrary_;
  Psapi psapi_;
};

}  // namespace

std::unique_ptr<ProcessSource> MakeProcessSource() { return std::make_unique<WindowsProcesses>(); }

}  // namespace portolan::win32
