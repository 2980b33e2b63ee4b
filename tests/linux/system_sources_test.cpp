// A whole snapshot over the Linux sources on fixtures: a recorded netlink
// answer, a proc root and a dpkg database, through the portable snapshot.

#include <gtest/gtest.h>

#include "linux/system_sources.h"
#include "snapshot/system_snapshot.h"
#include "tests/linux/diag_messages.h"
#include "tests/linux/fixture_tree.h"

namespace portolan::linux {
namespace {

using testing::Bytes;
using testing::FixtureTree;

File_Rec Record(std::int32_t state, std::string local, std::string localPort, std::string remote,
                std::string remotePort, std::string pid, std::string name, std::string path,
                std::string description, std::string company) {
  return {state,
          std::move(local),
          std::move(localPort),
          std::move(remote),
          std::move(remotePort),
          std::move(pid),
          std::move(name),
          std::move(path),
          std::move(description),
          std::move(company),
          ""};
}

class SystemSnapshotTest : public ::testing::Test {
 protected:
  SystemSnapshotTest() {
    files_.Write("usr/sbin/daemon", "");
    const std::string daemon = files_.Path("usr/sbin/daemon");
    dpkg_.Write("status",
                "Package: daemond\nStatus: install ok installed\nArchitecture: amd64\n"
                "Maintainer: Dee Mon <dee@example.org>\nDescription: serves the network\n");
    dpkg_.Write("info/daemond.list", daemon + "\n");
    // The daemon forked a worker that holds its listener too; the worker
    // has the lower ID (IDs wrapped) but started later.
    testing::AddProcess(proc_, {900, daemon, "daemon", "100", {"socket:[11]", "socket:[13]"}});
    testing::AddProcess(proc_, {50, daemon, "daemon", "250", {"socket:[11]"}});
    testing::AddProcess(proc_, {700, "", "curl", "300", {"socket:[12]"}});
  }

  std::vector<Bytes> Dump(std::initializer_list<KernelEndpoint> sockets) const {
    Bytes bytes;
    for (const KernelEndpoint& socket : sockets) {
      const Bytes message = testing::SocketMessage(socket);
      bytes.insert(bytes.end(), message.begin(), message.end());
    }
    const Bytes done = testing::DoneMessage();
    bytes.insert(bytes.end(), done.begin(), done.end());
    return {bytes};
  }

  FixtureTree files_;
  FixtureTree dpkg_;
  FixtureTree proc_;
};

TEST_F(SystemSnapshotTest, EveryRowGetsItsOwnersIdentity) {
  const Ipv4Address any{0, 0, 0, 0};
  const Ipv4Address host{192, 168, 0, 5};
  const Ipv4Address peer{93, 184, 216, 34};
  const std::vector<Bytes> tcp =
      Dump({{10, any, 8080, any, 0, 11}, {1, host, 50000, peer, 443, 12}, {6, host, 50001, peer, 443, 0}});
  const std::vector<Bytes> udp = Dump({{7, any, 5353, any, 0, 13}, {7, host, 68, any, 0, 99}});
  SnapshotSources sources = MakeLinuxSources(
      {proc_.Root(), dpkg_.Root()}, [&](DiagProtocol protocol) -> std::unique_ptr<DiagTransport> {
        return std::make_unique<RecordedDump>(protocol == DiagProtocol::Tcp ? tcp : udp);
      });
  SystemSnapshot snapshot(sources);
  snapshot.GetTcpUdpTable();

  const std::string daemon = files_.Path("usr/sbin/daemon");
  EXPECT_EQ(snapshot.TcpTable,
            (FileTable{Record(2, "0.0.0.0", "8080", "0.0.0.0", "0", "900", "daemon", daemon,
                              "serves the network", "Dee Mon"),
                       Record(5, "192.168.0.5", "50000", "93.184.216.34", "443", "700", "curl", "", "", ""),
                       Record(11, "192.168.0.5", "50001", "93.184.216.34", "443", "0", "", "", "", "")}));
  EXPECT_EQ(snapshot.UdpTable, (FileTable{Record(0, "0.0.0.0", "5353", "", "", "900", "daemon", daemon,
                                                 "serves the network", "Dee Mon"),
                                          Record(0, "192.168.0.5", "68", "", "", "0", "", "", "", "")}));
}

TEST_F(SystemSnapshotTest, EachSnapshotSeesTheProcessesAnew) {
  const Ipv4Address any{0, 0, 0, 0};
  const std::vector<Bytes> tcp = Dump({{10, any, 8080, any, 0, 11}});
  SnapshotSources sources = MakeLinuxSources(
      {proc_.Root(), dpkg_.Root()}, [&](DiagProtocol protocol) -> std::unique_ptr<DiagTransport> {
        return std::make_unique<RecordedDump>(protocol == DiagProtocol::Tcp ? tcp : std::vector<Bytes>{});
      });
  SystemSnapshot snapshot(sources);
  snapshot.GetTcpUdpTable();
  ASSERT_EQ(snapshot.TcpTable.size(), 1U);
  EXPECT_EQ(snapshot.TcpTable[0].PID, "900");

  // The daemon ends; its worker keeps the listener.
  proc_.Remove("900");
  snapshot.GetTcpUdpTable();
  ASSERT_EQ(snapshot.TcpTable.size(), 1U);
  EXPECT_EQ(snapshot.TcpTable[0].PID, "50");
  EXPECT_EQ(snapshot.TcpTable[0].ProcessName, "daemon");
  EXPECT_TRUE(snapshot.UdpTable.empty()) << "a recording that ends before done holds no socket";
}

}  // namespace
}  // namespace portolan::linux
