#include <windows.h>

#include "win32/endpoint_tables.h"
#include "win32/handles.h"

namespace portolan::win32 {
namespace {

using OwnerTableFunction = DWORD(WINAPI*)(void** table, HANDLE heap, DWORD flags);

std::unique_ptr<TableBlock> Call(OwnerTableFunction function) {
  void* table = nullptr;
  function(&table, GetProcessHeap(), kTableHeapFlags);
  return AdoptHeapTable(table);
}

// Rows in the order the system gives them.
class OwnerTables final : public EndpointTableSource {
 public:
  TcpRowLayout TcpLayout() const override { return TcpRowLayout::Row2; }

  std::unique_ptr<TableBlock> ReadTcpTable() override {
    return tcp_ != nullptr ? Call(tcp_) : ReadSizedTable(ReadTcpTable2, FALSE);
  }

  std::unique_ptr<TableBlock> ReadUdpTable() override {
    return udp_ != nullptr ? Call(udp_) : ReadSizedTable(ReadExtendedUdp, FALSE);
  }

 private:
  LoadedLibrary iphlpapi_{"iphlpapi.dll"};
  OwnerTableFunction tcp_ = BindExport<OwnerTableFunction>(iphlpapi_.Get(), "InternalGetTcpTable2");
  OwnerTableFunction udp_ = BindExport<OwnerTableFunction>(iphlpapi_.Get(), "InternalGetUdpTableWithOwnerPid");
};

}  // namespace

std::unique_ptr<EndpointTableSource> MakeEndpointTables() { return std::make_unique<OwnerTables>(); }

}  // namespace portolan::win32
