// The real backend of this build, in Wine: the test opens a listener, a
// connected pair that has exchanged data, and a UDP socket, and finds them in
// one snapshot, owned by itself. Its version resource gives a Chinese
// description and company in code page 936.

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "snapshot/process_identity.h"
#include "snapshot/system_snapshot.h"

namespace portolan {
namespace {

const std::string kDescription = "网络连接测试程序";
const std::string kCompany = "港口地图公司";

class Socket {
 public:
  explicit Socket(int type) : socket_(::socket(AF_INET, type, 0)) {}
  explicit Socket(SOCKET accepted) : socket_(accepted) {}
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket() {
    if (socket_ != INVALID_SOCKET) {
      closesocket(socket_);
    }
  }
  SOCKET Get() const { return socket_; }

  // Binds to 127.0.0.1 on a port of the system's choice and answers it.
  std::uint16_t BindLoopback() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(bind(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    return LocalPort();
  }

  std::uint16_t LocalPort() const {
    sockaddr_in address{};
    int size = sizeof address;
    getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size);
    return ntohs(address.sin_port);
  }

 private:
  SOCKET socket_;
};

struct WinsockSession {
  WinsockSession() {
    WSADATA data;
    started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~WinsockSession() {
    if (started) {
      WSACleanup();
    }
  }
  bool started = false;
};

std::string OwnPath() {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

std::string OwnName() {
  const std::string path = OwnPath();
  return path.substr(path.find_last_of('\\') + 1);
}

std::optional<File_Rec> Find(const FileTable& table, const std::string& localPort, const std::string& remotePort) {
  const auto found = std::find_if(table.begin(), table.end(), [&](const File_Rec& r) {
    return r.LocalIP == "127.0.0.1" && r.LocalPort == localPort && r.RemotePort == remotePort;
  });
  return found == table.end() ? std::nullopt : std::optional(*found);
}

void ExpectOwnedByThisProgram(const File_Rec& record) {
  EXPECT_EQ(record.PID, std::to_string(GetCurrentProcessId()));
  EXPECT_EQ(record.ProcessName, OwnName());
  EXPECT_EQ(record.FilePath, OwnPath());
  EXPECT_EQ(record.FileDescription, kDescription);
  EXPECT_EQ(record.Company, kCompany);
  EXPECT_EQ(record.Mark, "");
}

// Wine reports most sockets with process 0; where it names one, it must be
// this program with every detail.
void ExpectOwnedByThisProgramOrUnknown(const File_Rec& record) {
  if (record.PID != "0") {
    ExpectOwnedByThisProgram(record);
  }
}

TEST(LiveSnapshotTest, FindsItsOwnSocketsWithTheirOwner) {
  WinsockSession winsock;
  ASSERT_TRUE(winsock.started);
  Socket listener(SOCK_STREAM);
  const std::uint16_t listenPort = listener.BindLoopback();
  ASSERT_EQ(listen(listener.Get(), 1), 0);

  Socket client(SOCK_STREAM);
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  target.sin_port = htons(listenPort);
  ASSERT_EQ(connect(client.Get(), reinterpret_cast<const sockaddr*>(&target), sizeof target), 0);
  Socket server(accept(listener.Get(), nullptr, nullptr));
  ASSERT_NE(server.Get(), INVALID_SOCKET);
  char byte = 'p';
  ASSERT_EQ(send(client.Get(), &byte, 1, 0), 1);
  ASSERT_EQ(recv(server.Get(), &byte, 1, 0), 1);
  ASSERT_EQ(send(server.Get(), &byte, 1, 0), 1);
  ASSERT_EQ(recv(client.Get(), &byte, 1, 0), 1);

  Socket udp(SOCK_DGRAM);
  const std::uint16_t udpPort = udp.BindLoopback();

  SnapshotSources sources = MakeSystemSources();
  EnableDebugPrivilege(*sources.Privilege);
  SystemSnapshot snapshot(sources);
  snapshot.GetTcpUdpTable();

  const std::string listenText = std::to_string(listenPort);
  const std::string clientText = std::to_string(client.LocalPort());
  const auto listening = Find(snapshot.TcpTable, listenText, "0");
  ASSERT_TRUE(listening) << "listener on port " << listenText;
  EXPECT_EQ(listening->State, 2);
  EXPECT_EQ(listening->RemoteIP, "0.0.0.0");
  ExpectOwnedByThisProgramOrUnknown(*listening);

  const auto connected = Find(snapshot.TcpTable, clientText, listenText);
  ASSERT_TRUE(connected) << "client on port " << clientText;
  EXPECT_EQ(connected->State, 5);
  EXPECT_EQ(connected->RemoteIP, "127.0.0.1");
  ExpectOwnedByThisProgram(*connected);

  const auto accepted = Find(snapshot.TcpTable, listenText, clientText);
  ASSERT_TRUE(accepted) << "accepted side";
  ExpectOwnedByThisProgramOrUnknown(*accepted);

  const auto datagram = Find(snapshot.UdpTable, std::to_string(udpPort), "");
  ASSERT_TRUE(datagram) << "UDP on port " << udpPort;
  EXPECT_EQ(datagram->State, 0);
  EXPECT_EQ(datagram->RemoteIP, "");
  ExpectOwnedByThisProgramOrUnknown(*datagram);
}

TEST(LiveSnapshotTest, ReadsItsOwnVersionStrings) {
  SnapshotSources sources = MakeSystemSources();
  const VersionStrings strings = GetFileVersionStrings(*sources.Versions, OwnPath());
  EXPECT_EQ(strings.FileDescription, kDescription);
  EXPECT_EQ(strings.Company, kCompany);
  EXPECT_EQ(GetProcessPath(*sources.Processes, GetCurrentProcessId()), OwnPath());
}

}  // namespace
}  // namespace portolan
