#include "linux/endpoint_tables.h"

#include <optional>
#include <vector>

#include "linux/kernel_endpoint.h"
#include "linux/proc_files.h"
#include "linux/proc_net.h"
#include "linux/socket_owners.h"
#include "snapshot/table_rows.h"

namespace portolan::linux {
namespace {

// The rows of the sockets with their owners; TCP sockets in a state the
// table has no number for are left out.
std::vector<TcpRow> TcpRows(const std::vector<KernelEndpoint>& sockets, const SocketOwners& owners) {
  std::vector<TcpRow> rows;
  rows.reserve(sockets.size());
  for (const KernelEndpoint& socket : sockets) {
    if (const auto state = TableTcpState(socket.State)) {
      rows.push_back({*state, socket.LocalAddress, socket.LocalPort, socket.RemoteAddress, socket.RemotePort,
                      owners.Owner(socket.Inode)});
    }
  }
  return rows;
}

std::vector<UdpRow> UdpRows(const std::vector<KernelEndpoint>& sockets, const SocketOwners& owners) {
  std::vector<UdpRow> rows;
  rows.reserve(sockets.size());
  for (const KernelEndpoint& socket : sockets) {
    rows.push_back({socket.LocalAddress, socket.LocalPort, owners.Owner(socket.Inode)});
  }
  return rows;
}

class KernelTables final : public EndpointTableSource {
 public:
  KernelTables(std::string procRoot, DiagConnector connect, std::shared_ptr<SnapshotScope> scope)
      : root_(std::move(procRoot)), connect_(std::move(connect)), scope_(std::move(scope)) {}

  TcpRowLayout TcpLayout() const override { return TcpRowLayout::OwnerPid; }

  std::unique_ptr<TableBlock> ReadTcpTable() override {
    const SocketOwners& owners = Owners();
    const auto sockets = Sockets(DiagProtocol::Tcp, "/net/tcp");
    if (!sockets) {
      return nullptr;
    }
    return std::make_unique<BytesBlock>(EncodeTcpTable(TcpRows(*sockets, owners), TcpRowLayout::OwnerPid));
  }

  std::unique_ptr<TableBlock> ReadUdpTable() override {
    const SocketOwners& owners = Owners();
    const auto sockets = Sockets(DiagProtocol::Udp, "/net/udp");
    if (!sockets) {
      return nullptr;
    }
    return std::make_unique<BytesBlock>(EncodeUdpTable(UdpRows(*sockets, owners)));
  }

 private:
  const SocketOwners& Owners() {
    std::optional<SocketOwners>& owners = owners_.For(*scope_);
    if (!owners) {
      owners = SocketOwners::Walk(root_);
    }
    return *owners;
  }

  std::optional<std::vector<KernelEndpoint>> Sockets(DiagProtocol protocol, const char* procNetFile) {
    if (const auto transport = connect_ ? connect_(protocol) : nullptr) {
      if (auto sockets = DumpSockets(*transport, protocol)) {
        return sockets;
      }
    }
    const auto text = ReadFile(root_ + procNetFile);
    if (!text) {
      return std::nullopt;
    }
    return ParseProcNetTable(*text);
  }

  std::string root_;
  DiagConnector connect_;
  std::shared_ptr<SnapshotScope> scope_;
  PerSnapshot<std::optional<SocketOwners>> owners_;
};

}  // namespace

std::unique_ptr<EndpointTableSource> MakeEndpointTables(std::string procRoot, DiagConnector connect,
                                                        std::shared_ptr<SnapshotScope> scope) {
  return std::make_unique<KernelTables>(std::move(procRoot), std::move(connect), std::move(scope));
}

}  // namespace portolan::linux
