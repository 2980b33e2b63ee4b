// The Linux sources on this machine: the test process's own sockets, found
// with its own identity by both table readers, and a socket shared with a
// forked child. Other sockets of the machine come and go beside them; the
// checks look only at the test's own ports.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <functional>

#include "linux/system_sources.h"
#include "snapshot/system_snapshot.h"
#include "tests/linux/fixture_tree.h"
#include "tests/linux/live_sockets.h"

namespace portolan::linux {
namespace {

using testing::LocalSockets;
using testing::OwnIdentity;

// The records of `table` with these addresses and ports.
std::vector<File_Rec> Find(const FileTable& table, const std::string& localPort,
                           const std::string& remoteIP = "", const std::string& remotePort = "") {
  std::vector<File_Rec> found;
  std::copy_if(table.begin(), table.end(), std::back_inserter(found), [&](const File_Rec& r) {
    return r.LocalIP == "127.0.0.1" && r.LocalPort == localPort && r.RemoteIP == remoteIP &&
           r.RemotePort == remotePort;
  });
  return found;
}

void ExpectOwnedByMe(const std::vector<File_Rec>& found, std::int32_t state) {
  const OwnIdentity me;
  ASSERT_EQ(found.size(), 1U);
  EXPECT_EQ(found[0].State, state);
  EXPECT_EQ(found[0].PID, me.Pid);
  EXPECT_EQ(found[0].ProcessName, me.Name);
  EXPECT_EQ(found[0].FilePath, me.Path);
  EXPECT_EQ(found[0].FileDescription, "") << "the test program belongs to no package";
  EXPECT_EQ(found[0].Mark, "");
}

struct ReaderCase {
  const char* Name;
  DiagConnector Connect;
};

const ReaderCase kReaders[] = {
    {"Netlink", ConnectKernelDiag},
    {"ProcNet", [](DiagProtocol) -> std::unique_ptr<DiagTransport> { return nullptr; }},
};

class LiveTest : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(LiveTest, OwnSocketsCarryOwnPidNameAndPath) {
  const LocalSockets sockets;
  SnapshotSources sources = MakeLinuxSources({}, GetParam().Connect);
  SystemSnapshot snapshot(sources);
  snapshot.GetTcpUdpTable();

  ExpectOwnedByMe(Find(snapshot.TcpTable, sockets.ListenPort(), "0.0.0.0", "0"), 2);
  ExpectOwnedByMe(Find(snapshot.TcpTable, sockets.ClientPort(), "127.0.0.1", sockets.ListenPort()), 5);
  ExpectOwnedByMe(Find(snapshot.TcpTable, sockets.ListenPort(), "127.0.0.1", sockets.ClientPort()), 5);
  ExpectOwnedByMe(Find(snapshot.UdpTable, sockets.UdpPort()), 0);
}

TEST_P(LiveTest, Ipv4MappedConnectionsToAnIpv6SocketAreInNeitherTable) {
  UniqueFd listener(::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0));
  const int dualStack = 0;
  sockaddr_in6 any{};
  any.sin6_family = AF_INET6;
  any.sin6_addr = in6addr_any;
  if (!listener ||
      ::setsockopt(listener.Get(), IPPROTO_IPV6, IPV6_V6ONLY, &dualStack, sizeof dualStack) != 0 ||
      ::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
    GTEST_SKIP() << "no IPv6 here";
  }
  ASSERT_EQ(::listen(listener.Get(), 4), 0);
  const std::uint16_t port = testing::PortOf(listener.Get());
  UniqueFd client(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in loopback{};
  loopback.sin_family = AF_INET;
  loopback.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  loopback.sin_port = htons(port);
  ASSERT_EQ(::connect(client.Get(), reinterpret_cast<const sockaddr*>(&loopback), sizeof loopback), 0);
  const UniqueFd accepted(::accept4(listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
  ASSERT_TRUE(accepted);

  SnapshotSources sources = MakeLinuxSources({}, GetParam().Connect);
  SystemSnapshot snapshot(sources);
  snapshot.GetTcpUdpTable();
  const std::string portText = std::to_string(port);
  const std::string clientPort = std::to_string(testing::PortOf(client.Get()));
  ExpectOwnedByMe(Find(snapshot.TcpTable, clientPort, "127.0.0.1", portText), 5);
  EXPECT_TRUE(Find(snapshot.TcpTable, portText, "127.0.0.1", clientPort).empty())
      << "the accepted IPv6 socket";
  for (const File_Rec& r : snapshot.TcpTable) {
    EXPECT_FALSE(r.State == 2 && r.LocalPort == portText) << "the IPv6 listener, as " << r.LocalIP;
  }
}

INSTANTIATE_TEST_SUITE_P(Readers, LiveTest, ::testing::ValuesIn(kReaders), testing::CaseName());

// A child process that holds what it inherited until it is ended (or its
// parent ends); `inChild` runs in it first and may exec another program.
class Child {
 public:
  explicit Child(const std::function<void()>& inChild) {
    int pipe[2];
    EXPECT_EQ(::pipe2(pipe, O_CLOEXEC), 0);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(pipe[1]);
      inChild();
      char byte = 0;
      (void)::read(pipe[0], &byte, 1);
      ::_exit(0);
    }
    ::close(pipe[0]);
    release_ = UniqueFd(pipe[1]);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }

  std::string Pid() const { return std::to_string(pid_); }

 private:
  pid_t pid_ = -1;
  UniqueFd release_;
};

std::vector<File_Rec> Listening(const std::string& port) {
  SnapshotSources sources = MakeSystemSources();
  SystemSnapshot snapshot(sources);
  snapshot.GetTcpUdpTable();
  return Find(snapshot.TcpTable, port, "0.0.0.0", "0");
}

TEST(LiveForkTest, ASocketSharedWithAForkedChildBelongsToTheParent) {
  UniqueFd listener = testing::BoundSocket(SOCK_STREAM);
  ASSERT_EQ(::listen(listener.Get(), 4), 0);
  const std::string port = std::to_string(testing::PortOf(listener.Get()));
  const Child child([] {});

  ExpectOwnedByMe(Listening(port), 2);

  // With the parent's copy closed, the child's is the one left.
  listener = UniqueFd();
  const auto found = Listening(port);
  ASSERT_EQ(found.size(), 1U);
  EXPECT_EQ(found[0].PID, child.Pid());
}

TEST(LivePackageTest, APackagedProgramHoldingASocketGetsItsPackage) {
  if (!ReadFile("/var/lib/dpkg/status") || ::access("/usr/bin/sleep", X_OK) != 0) {
    GTEST_SKIP() << "needs a dpkg database and /usr/bin/sleep";
  }
  UniqueFd udp = testing::BoundSocket(SOCK_DGRAM);
  const std::string port = std::to_string(testing::PortOf(udp.Get()));
  // The child keeps the socket across exec (without close-on-exec) and
  // waits inside coreutils' sleep, which Debian lists as /bin/sleep.
  const Child child([&] {
    const int kept = ::fcntl(udp.Get(), F_DUPFD, 100);
    if (kept >= 0) {
      ::execl("/usr/bin/sleep", "sleep", "30", nullptr);
    }
  });
  udp = UniqueFd();
  for (int tries = 0; tries < 500 && ReadLink("/proc/" + child.Pid() + "/exe") != "/usr/bin/sleep"; ++tries) {
    ::usleep(10000);
  }

  SnapshotSources sources = MakeSystemSources();
  SystemSnapshot snapshot(sources);
  snapshot.GetTcpUdpTable();
  const auto found = Find(snapshot.UdpTable, port);
  ASSERT_EQ(found.size(), 1U);
  EXPECT_EQ(found[0].PID, child.Pid());
  EXPECT_EQ(found[0].ProcessName, "sleep");
  EXPECT_EQ(found[0].FilePath, "/usr/bin/sleep");
  EXPECT_NE(found[0].FileDescription, "");
  EXPECT_NE(found[0].Company, "");
  EXPECT_EQ(found[0].Company.find('<'), std::string::npos);
}

}  // namespace
}  // namespace portolan::linux
