#include <windows.h>

#include "win32/system_sources.h"

namespace portolan::win32 {
namespace {

class VersionResources final : public VersionSource {
 public:
  std::uint32_t InfoSize(const std::string& path) override {
    DWORD ignored = 0;
    return GetFileVersionInfoSizeA(path.c_str(), &ignored);
  }

  bool ReadInfo(const std::string& path, std::span<std::byte> block) override {
    return GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()) != FALSE;
  }

  bool QueryValue(std::span<const std::byte> block, const std::string& subBlock, VersionValue& value) override {
    void* found = nullptr;
    UINT length = 0;
    if (VerQueryValueA(block.data(), subBlock.c_str(), &found, &length) == FALSE || found == nullptr) {
      return false;
    }
    // Values lie inside the block, which bounds every read of them.
    const auto* first = static_cast<const std::byte*>(found);
    if (first < block.data() || first >= block.data() + block.size()) {
      return false;
    }
    value = {block.subspan(static_cast<std::size_t>(first - block.data())), length};
    return true;
  }
};

}  // namespace

std::unique_ptr<VersionSource> MakeVersionSource() { return std::make_unique<VersionResources>(); }

}  // namespace portolan::win32
