#include <winsock2.h>
#include <windows.h>

#include "win32/endpoint_tables.h"
#include "win32/handles.h"

namespace portolan::win32 {
namespace {

using ExTableFunction = DWORD(WINAPI*)(void** table, BOOL order, HANDLE heap, DWORD flags, DWORD family);

std::unique_ptr<TableBlock> Call(ExTableFunction function) {
  void* table = nullptr;
  // Sorted rows (order passed as -1), IPv4.
  function(&table, -1, GetProcessHeap(), kTableHeapFlags, AF_INET);
  return AdoptHeapTable(table);
}

class ExtendedTables final : public EndpointTableSource {
 public:
  TcpRowLayout TcpLayout() const override { return TcpRowLayout::OwnerPid; }

  std::unique_ptr<TableBlock> ReadTcpTable() override {
    return tcp_ != nullptr ? Call(tcp_) : ReadSizedTable(ReadExtendedTcp, TRUE);
  }

  std::unique_ptr<TableBlock> ReadUdpTable() override {
    return udp_ != nullptr ? Call(udp_) : ReadSizedTable(ReadExtendedUdp, TRUE);
  }

 private:
  LoadedLibrary iphlpapi_{"iphlpapi.dll"};
  ExTableFunction tcp_ = BindExport<ExTableFunction>(iphlpapi_.Get(), "AllocateAndGetTcpExTableFromStack");
  ExTableFunction udp_ = BindExport<ExTableFunction>(iphlpapi_.Get(), "AllocateAndGetUdpExTableFromStack");
};

}  // namespace

std::unique_ptr<EndpointTableSource> MakeEndpointTables() { return std::make_unique<ExtendedTables>(); }

}  // namespace portolan::win32
