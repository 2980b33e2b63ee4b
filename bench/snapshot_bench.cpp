// portolan-bench-snapshot: opens N loopback TCP connections (both ends in
// this process, and their listener) for N = 1000 and 5000, and times one
// full snapshot against `ss -tuanp` over the same sockets, alternating the
// two, the median of several runs each (after one snapshot not counted).
// Prints one figure a line as "name: value unit".

#include <arpa/inet.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <vector>

#include "linux/handles.h"
#include "snapshot/system_snapshot.h"

namespace {

using portolan::linux::UniqueFd;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 7;
constexpr std::size_t kPairCounts[] = {1000, 5000};

double Milliseconds(Clock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

sockaddr_in Loopback(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  return address;
}

// Closes with a reset, so that no time-wait socket stays behind.
UniqueFd Abortive(int socket) {
  const linger reset{1, 0};
  ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
  return UniqueFd(socket);
}

// A listener and `pairs` connections to it, both ends held.
class Connections {
 public:
  explicit Connections(std::size_t pairs) {
    listener_ = UniqueFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof address;
    if (::bind(listener_.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_.Get(), SOMAXCONN) != 0 ||
        ::getsockname(listener_.Get(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      return;
    }
    for (std::size_t i = 0; i < pairs; ++i) {
      UniqueFd client = Abortive(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
      if (::connect(client.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return;
      }
      UniqueFd server = Abortive(::accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
      if (!server) {
        return;
      }
      ends_.push_back(std::move(client));
      ends_.push_back(std::move(server));
    }
  }

  std::size_t Sockets() const { return ends_.size() + 1; }

 private:
  UniqueFd listener_;
  std::vector<UniqueFd> ends_;
};

double TimeSnapshot(portolan::SystemSnapshot& snapshot) {
  const auto start = Clock::now();
  snapshot.GetTcpUdpTable();
  return Milliseconds(Clock::now() - start);
}

std::size_t OwnRows(const portolan::SystemSnapshot& snapshot) {
  const std::string me = std::to_string(::getpid());
  return static_cast<std::size_t>(std::count_if(snapshot.TcpTable.begin(), snapshot.TcpTable.end(),
                                                [&](const portolan::File_Rec& r) { return r.PID == me; }));
}

// The time from starting `ss -tuanp`, its output thrown away, to its end;
// negative where it cannot run.
double TimeSs() {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  char program[] = "ss";
  char options[] = "-tuanp";
  char* arguments[] = {program, options, nullptr};
  const auto start = Clock::now();
  pid_t child = 0;
  const int spawned = ::posix_spawnp(&child, program, &actions, nullptr, arguments, environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (spawned != 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    return -1;
  }
  return Milliseconds(Clock::now() - start);
}

void Print(const std::string& name, double value, const char* unit) {
  std::printf("%s: %.3f %s\n", name.c_str(), value, unit);
}

}  // namespace

int main() {
  rlimit files{};
  ::getrlimit(RLIMIT_NOFILE, &files);
  files.rlim_cur = files.rlim_max;
  ::setrlimit(RLIMIT_NOFILE, &files);

  portolan::SnapshotSources sources = portolan::MakeSystemSources();
  portolan::SystemSnapshot snapshot(sources);

  std::vector<double> perSocket;
  for (const std::size_t pairs : kPairCounts) {
    const Connections connections(pairs);
    const std::string name = "pairs_" + std::to_string(pairs) + "_";
    if (connections.Sockets() != 2 * pairs + 1) {
      std::fprintf(stderr, "could only open %zu of %zu sockets\n", connections.Sockets(), 2 * pairs + 1);
      return 1;
    }
    // Not counted; the program's first snapshot also reads the package database.
    const double first = TimeSnapshot(snapshot);
    if (pairs == kPairCounts[0]) {
      Print(name + "first_snapshot", first, "ms");
    }
    std::vector<double> ours;
    std::vector<double> ss;
    for (int run = 0; run < kRuns; ++run) {
      ours.push_back(TimeSnapshot(snapshot));
      ss.push_back(TimeSs());
    }
    if (OwnRows(snapshot) < connections.Sockets() || *std::min_element(ss.begin(), ss.end()) < 0) {
      std::fprintf(stderr, "the snapshot found %zu of our %zu sockets, or ss did not run\n",
                   OwnRows(snapshot), connections.Sockets());
      return 1;
    }
    Print(name + "sockets", static_cast<double>(connections.Sockets()), "sockets");
    Print(name + "rows", static_cast<double>(snapshot.TcpTable.size() + snapshot.UdpTable.size()), "rows");
    Print(name + "snapshot", Median(ours), "ms");
    Print(name + "ss", Median(ss), "ms");
    Print(name + "ratio", Median(ours) / Median(ss), "ours/ss");
    perSocket.push_back(Median(ours) * 1000.0 / static_cast<double>(connections.Sockets()));
    Print(name + "snapshot_per_socket", perSocket.back(), "us");
  }
  Print("per_socket_growth_5000_over_1000", perSocket[1] / perSocket[0], "x");
  return 0;
}
