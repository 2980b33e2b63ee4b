#pragma once
// Owners of the few kinds of Windows handle the program holds, and binding
// of a function by name.

#include <windows.h>

#include <utility>

namespace portolan::win32 {

// A kernel object handle, closed once.
class KernelHandle {
 public:
  KernelHandle() = default;
  explicit KernelHandle(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  KernelHandle(KernelHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  KernelHandle& operator=(KernelHandle&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  KernelHandle(const KernelHandle&) = delete;
  KernelHandle& operator=(const KernelHandle&) = delete;
  ~KernelHandle() {
    if (handle_ != nullptr) {
      CloseHandle(handle_);
    }
  }

  HANDLE Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HANDLE handle_ = nullptr;
};

// A library loaded by the program, freed once.
class LoadedLibrary {
 public:
  LoadedLibrary() = default;
  explicit LoadedLibrary(const char* name) : module_(LoadLibraryA(name)) {}
  LoadedLibrary(LoadedLibrary&& other) noexcept : module_(std::exchange(other.module_, nullptr)) {}
  LoadedLibrary& operator=(LoadedLibrary&& other) noexcept {
    std::swap(module_, other.module_);
    return *this;
  }
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;
  ~LoadedLibrary() {
    if (module_ != nullptr) {
      FreeLibrary(module_);
    }
  }

  HMODULE Get() const { return module_; }
  explicit operator bool() const { return module_ != nullptr; }

 private:
  HMODULE module_ = nullptr;
};

// The named export of a module as a typed function pointer, or null.
template <typename Function>
Function BindExport(HMODULE module, const char* name) {
  if (module == nullptr) {
    return nullptr;
  }
  // Exports are reached as untyped procedures and must be cast to their type.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
  return reinterpret_cast<Function>(GetProcAddress(module, name));
#pragma GCC diagnostic pop
}

}  // namespace portolan::win32
