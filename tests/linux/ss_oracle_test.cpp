// The snapshot against iproute2's ss, run just before and just after it:
// every endpoint that ss lists both times, in the same state and with the
// same holders, is taken to have stood through the snapshot, so it must be
// in our tables with the same addresses, ports and state and with a PID
// among those holders (0 where ss names none). Endpoints that appear or
// vanish between the two runs of ss, or change state or holders, are in
// flux and not compared.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>

#include "linux/system_sources.h"
#include "snapshot/system_snapshot.h"
#include "tests/linux/live_sockets.h"

namespace portolan::linux {
namespace {

struct SsEndpoint {
  std::string Protocol;                                  // "tcp" or "udp"
  std::int32_t State = 0;                                // in the table's numbering; 0 for UDP
  std::string LocalIP, LocalPort, RemoteIP, RemotePort;  // no remote for UDP
  std::vector<std::string> Holders;                      // sorted

  auto operator<=>(const SsEndpoint&) const = default;
};

std::ostream& operator<<(std::ostream& out, const SsEndpoint& e) {
  out << e.Protocol << " state " << e.State << " " << e.LocalIP << ":" << e.LocalPort << " " << e.RemoteIP
      << ":" << e.RemotePort << " holders";
  for (const std::string& holder : e.Holders) {
    out << " " << holder;
  }
  return out;
}

std::int32_t TableState(const std::string& name) {
  static const std::map<std::string, std::int32_t> kStates{
      {"UNCONN", 1},  {"LISTEN", 2},     {"SYN-SENT", 3},   {"SYN-RECV", 4},
      {"ESTAB", 5},   {"FIN-WAIT-1", 6}, {"FIN-WAIT-2", 7}, {"CLOSE-WAIT", 8},
      {"CLOSING", 9}, {"LAST-ACK", 10},  {"TIME-WAIT", 11},
  };
  const auto found = kStates.find(name);
  return found == kStates.end() ? -1 : found->second;
}

// "127.0.0.53%lo:53" or "0.0.0.0:*".
void SplitEndpoint(const std::string& text, std::string& address, std::string& port) {
  const std::size_t colon = text.rfind(':');
  address = text.substr(0, std::min(text.find('%'), colon));
  port = text.substr(colon + 1);
  address = address == "*" ? "0.0.0.0" : address;
  port = port == "*" ? "0" : port;
}

std::vector<SsEndpoint> RunSs() {
  std::vector<SsEndpoint> endpoints;
  FILE* ss = ::popen("ss -H -tuan4p 2>/dev/null", "r");
  if (ss == nullptr) {
    ADD_FAILURE() << "cannot run ss";
    return endpoints;
  }
  std::string output;
  char buffer[65536];
  while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, ss)) {
    output.append(buffer, got);
  }
  EXPECT_EQ(::pclose(ss), 0) << "ss (iproute2) must be installed";
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string queues, local, remote;
    SsEndpoint e;
    std::string state;
    fields >> e.Protocol >> state >> queues >> queues >> local >> remote;
    SplitEndpoint(local, e.LocalIP, e.LocalPort);
    if (e.Protocol == "tcp") {
      e.State = TableState(state);
      SplitEndpoint(remote, e.RemoteIP, e.RemotePort);
    }
    std::string users;
    std::getline(fields, users);
    for (std::size_t at = users.find("pid="); at != std::string::npos; at = users.find("pid=", at + 4)) {
      e.Holders.push_back(users.substr(at + 4, users.find_first_not_of("0123456789", at + 4) - at - 4));
    }
    std::sort(e.Holders.begin(), e.Holders.end());
    e.Holders.erase(std::unique(e.Holders.begin(), e.Holders.end()), e.Holders.end());
    endpoints.push_back(std::move(e));
  }
  std::sort(endpoints.begin(), endpoints.end());
  return endpoints;
}

// Takes from `table` a record of the endpoint owned by one of its holders.
bool TakeMatch(const SsEndpoint& e, FileTable& table) {
  const auto match = std::find_if(table.begin(), table.end(), [&](const File_Rec& r) {
    const bool sameEndpoint = r.State == e.State && r.LocalIP == e.LocalIP && r.LocalPort == e.LocalPort &&
                              r.RemoteIP == e.RemoteIP && r.RemotePort == e.RemotePort;
    const bool heldRight =
        e.Holders.empty() ? r.PID == "0" : std::binary_search(e.Holders.begin(), e.Holders.end(), r.PID);
    return sameEndpoint && heldRight;
  });
  if (match == table.end()) {
    return false;
  }
  table.erase(match);
  return true;
}

TEST(SsOracleTest, EveryEndpointSsListsThroughoutIsInOurTables) {
  const testing::LocalSockets own;
  const std::vector<SsEndpoint> before = RunSs();
  SnapshotSources sources = MakeSystemSources();
  SystemSnapshot snapshot(sources);
  snapshot.GetTcpUdpTable();
  const std::vector<SsEndpoint> after = RunSs();

  std::vector<SsEndpoint> stable;
  std::set_intersection(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(stable));
  const std::string me = std::to_string(::getpid());
  const std::vector<SsEndpoint> mine{
      {"tcp", 2, "127.0.0.1", own.ListenPort(), "0.0.0.0", "0", {me}},
      {"tcp", 5, "127.0.0.1", own.ClientPort(), "127.0.0.1", own.ListenPort(), {me}},
      {"tcp", 5, "127.0.0.1", own.ListenPort(), "127.0.0.1", own.ClientPort(), {me}},
      {"udp", 0, "127.0.0.1", own.UdpPort(), "", "", {me}},
  };
  for (const SsEndpoint& e : mine) {
    EXPECT_TRUE(std::binary_search(stable.begin(), stable.end(), e)) << "ss does not list our own " << e;
  }

  FileTable tcp = snapshot.TcpTable;
  FileTable udp = snapshot.UdpTable;
  for (const SsEndpoint& e : stable) {
    EXPECT_TRUE(TakeMatch(e, e.Protocol == "tcp" ? tcp : udp)) << "not in our tables: " << e;
  }
  std::cout << stable.size() << " endpoints stood through the snapshot, " << before.size() + after.size()
            << " listed by the two runs of ss\n";
}

}  // namespace
}  // namespace portolan::linux
