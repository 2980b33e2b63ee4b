#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include "win32/endpoint_tables.h"

namespace portolan::win32 {
namespace {

class HeapTable final : public TableBlock {
 public:
  explicit HeapTable(void* block) : block_(block) {}
  ~HeapTable() override { HeapFree(GetProcessHeap(), 0, block_); }

  // The whole allocation, so that no row is read past it.
  std::span<const std::byte> Bytes() const override {
    const SIZE_T size = HeapSize(GetProcessHeap(), 0, block_);
    if (size == static_cast<SIZE_T>(-1)) {
      return {};
    }
    return {static_cast<const std::byte*>(block_), size};
  }

 private:
  void* block_;
};

}  // namespace

std::unique_ptr<TableBlock> AdoptHeapTable(void* block) {
  return block == nullptr ? nullptr : std::make_unique<HeapTable>(block);
}

std::unique_ptr<TableBlock> ReadSizedTable(const TableRead& read, BOOL order) {
  ULONG size = 0;
  DWORD result = read(nullptr, &size, order);
  for (int attempt = 0; attempt < kTableReadTries && result == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
    void* block = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size);
    if (block == nullptr) {
      return nullptr;
    }
    auto table = AdoptHeapTable(block);
    result = read(block, &size, order);
    if (result == NO_ERROR) {
      return table;
    }
  }
  return nullptr;
}

DWORD ReadExtendedTcp(void* block, ULONG* size, BOOL order) {
  return GetExtendedTcpTable(block, size, order, AF_INET, TCP_TABLE_OWNER_PID_ALL, 0);
}

DWORD ReadExtendedUdp(void* block, ULONG* size, BOOL order) {
  return GetExtendedUdpTable(block, size, order, AF_INET, UDP_TABLE_OWNER_PID, 0);
}

DWORD ReadTcpTable2(void* block, ULONG* size, BOOL order) {
  return GetTcpTable2(static_cast<PMIB_TCPTABLE2>(block), size, order);
}

}  // namespace portolan::win32
