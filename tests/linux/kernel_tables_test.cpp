// The two table readers on fixtures: netlink dumps replayed from recorded
// messages and /proc/net texts, through the table source into the rows the
// decoder reads back.

#include <gtest/gtest.h>

#include <bit>
#include <map>

#include "linux/diag_dump.h"
#include "linux/endpoint_tables.h"
#include "linux/proc_net.h"
#include "tests/linux/diag_messages.h"
#include "tests/linux/fixture_tree.h"

namespace portolan::linux {
namespace {

using testing::Bytes;
using testing::FixtureTree;

constexpr std::string_view kTcpHeading =
    "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n";

// A /proc/net line; addresses and ports as the kernel prints them.
std::string ProcNetLine(std::string_view local, std::string_view remote, std::string_view state,
                        std::string_view inode) {
  return "   0: " + std::string(local) + " " + std::string(remote) + " " + std::string(state) +
         " 00000000:00000000 00:00000000 00000000     0        0 " + std::string(inode) +
         " 1 0000000000000000 100 0 0 10 0\n";
}

// The tables as a snapshot reads them, with the kernel's answer for each
// protocol (null: netlink refused) and a proc root.
class Tables {
 public:
  Tables(std::map<DiagProtocol, std::vector<Bytes>> dumps, const std::string& procRoot)
      : dumps_(std::move(dumps)),
        source_(MakeEndpointTables(
            procRoot,
            [this](DiagProtocol protocol) -> std::unique_ptr<DiagTransport> {
              const auto dump = dumps_.find(protocol);
              return dump == dumps_.end() ? nullptr : std::make_unique<RecordedDump>(dump->second);
            },
            std::make_shared<SnapshotScope>())) {}

  std::optional<std::vector<TcpRow>> Tcp() {
    const auto block = source_->ReadTcpTable();
    if (block == nullptr) {
      return std::nullopt;
    }
    return DecodeTcpTable(block->Bytes(), source_->TcpLayout());
  }

  std::optional<std::vector<UdpRow>> Udp() {
    const auto block = source_->ReadUdpTable();
    if (block == nullptr) {
      return std::nullopt;
    }
    return DecodeUdpTable(block->Bytes());
  }

 private:
  std::map<DiagProtocol, std::vector<Bytes>> dumps_;
  std::unique_ptr<EndpointTableSource> source_;
};

KernelEndpoint Socket(std::uint8_t state, Ipv4Address local, std::uint16_t localPort, Ipv4Address remote,
                      std::uint16_t remotePort, std::uint64_t inode = 0) {
  return {state, local, localPort, remote, remotePort, inode};
}

// ---- States ------------------------------------------------------------------

struct StateCase {
  const char* Name;
  std::uint8_t Kernel;
  std::optional<std::uint32_t> Table;  // nullopt: the row is left out
};

const StateCase kStates[] = {
    {"Established", 1, 5},
    {"SynSent", 2, 3},
    {"SynReceived", 3, 4},
    {"FinWait1", 4, 6},
    {"FinWait2", 5, 7},
    {"TimeWait", 6, 11},
    {"Close", 7, 1},
    {"CloseWait", 8, 8},
    {"LastAck", 9, 10},
    {"Listen", 10, 2},
    {"Closing", 11, 9},
    {"NewSynReceived", 12, 4},
    {"Unused0", 0, std::nullopt},
    {"BoundInactive", 13, std::nullopt},
    {"Unused255", 255, std::nullopt},
};

class KernelStateTest : public ::testing::TestWithParam<StateCase> {};

TEST_P(KernelStateTest, BothReadersGiveTheTableNumber) {
  const StateCase& c = GetParam();
  const Ipv4Address loopback{127, 0, 0, 1};
  const std::vector<Bytes> dump{testing::Joined(
      {testing::SocketMessage(Socket(c.Kernel, loopback, 8080, loopback, 40000)), testing::DoneMessage()})};
  char state[3];
  std::snprintf(state, sizeof state, "%02X", c.Kernel);
  FixtureTree proc;
  proc.Write("net/tcp", std::string(kTcpHeading) + ProcNetLine("0100007F:1F90", "0100007F:9C40", state, "0"));

  Tables netlink({{DiagProtocol::Tcp, dump}}, proc.Root());
  Tables procNet({}, proc.Root());
  for (Tables* tables : {&netlink, &procNet}) {
    const auto rows = tables->Tcp();
    ASSERT_TRUE(rows);
    if (!c.Table) {
      EXPECT_TRUE(rows->empty());
      continue;
    }
    ASSERT_EQ(rows->size(), 1U);
    EXPECT_EQ((*rows)[0], (TcpRow{*c.Table, loopback, 8080, loopback, 40000, 0}));
  }
}

INSTANTIATE_TEST_SUITE_P(States, KernelStateTest, ::testing::ValuesIn(kStates), testing::CaseName());

// ---- Addresses and ports -----------------------------------------------------------

struct EndpointCase {
  const char* Name;
  const char* ProcNetLocal;  // as a little-endian machine prints it
  const char* ProcNetRemote;
  Ipv4Address Local;
  std::uint16_t LocalPort;
  Ipv4Address Remote;
  std::uint16_t RemotePort;
};

const EndpointCase kEndpoints[] = {
    {"AnyAddressListener", "00000000:0016", "00000000:0000", {0, 0, 0, 0}, 22, {0, 0, 0, 0}, 0},
    {"Loopback", "0100007F:0050", "0100007F:D431", {127, 0, 0, 1}, 80, {127, 0, 0, 1}, 54321},
    {"HighPorts", "FE01A8C0:FFFF", "0302010A:8000", {192, 168, 1, 254}, 65535, {10, 1, 2, 3}, 32768},
    {"TopAddress", "FFFFFFFF:0001", "FF0000E0:0100", {255, 255, 255, 255}, 1, {224, 0, 0, 255}, 256},
};

class EndpointTest : public ::testing::TestWithParam<EndpointCase> {};

TEST_P(EndpointTest, BothReadersGiveAddressesAndPortsInNetworkOrder) {
  if constexpr (std::endian::native != std::endian::little) {
    GTEST_SKIP() << "the /proc/net fixtures are written as a little-endian machine prints them";
  }
  const EndpointCase& c = GetParam();
  const KernelEndpoint socket = Socket(1, c.Local, c.LocalPort, c.Remote, c.RemotePort);
  const std::vector<Bytes> dump{testing::Joined({testing::SocketMessage(socket), testing::DoneMessage()})};
  FixtureTree proc;
  proc.Write("net/tcp", std::string(kTcpHeading) + ProcNetLine(c.ProcNetLocal, c.ProcNetRemote, "01", "0"));
  proc.Write("net/udp", std::string(kTcpHeading) + ProcNetLine(c.ProcNetLocal, c.ProcNetRemote, "07", "0"));

  Tables netlink({{DiagProtocol::Tcp, dump}, {DiagProtocol::Udp, dump}}, proc.Root());
  Tables procNet({}, proc.Root());
  for (Tables* tables : {&netlink, &procNet}) {
    EXPECT_EQ(tables->Tcp(), (std::vector<TcpRow>{{5, c.Local, c.LocalPort, c.Remote, c.RemotePort, 0}}));
    EXPECT_EQ(tables->Udp(), (std::vector<UdpRow>{{c.Local, c.LocalPort, 0}}));
  }
}

INSTANTIATE_TEST_SUITE_P(Endpoints, EndpointTest, ::testing::ValuesIn(kEndpoints), testing::CaseName());

// ---- Owners ------------------------------------------------------------------

TEST(KernelTablesTest, RowsCarryTheOwnerOfTheirInodeOrZero) {
  FixtureTree proc;
  testing::AddProcess(proc, {42, "/usr/bin/server", "", "", {"/dev/null", "socket:[7001]"}});
  testing::AddProcess(proc, {43, "/usr/bin/client", "", "", {"socket:[7002]"}});
  const Ipv4Address any{0, 0, 0, 0};
  const std::vector<Bytes> dump{testing::Joined({
      testing::SocketMessage(Socket(10, any, 80, any, 0, 7001)),
      testing::SocketMessage(Socket(6, any, 81, any, 0, 0)),     // time wait: no file
      testing::SocketMessage(Socket(1, any, 82, any, 0, 9999)),  // nobody visible holds it
      testing::DoneMessage(),
  })};
  const std::vector<Bytes> udp{
      testing::Joined({testing::SocketMessage(Socket(7, any, 53, any, 0, 7002)), testing::DoneMessage()})};
  Tables tables({{DiagProtocol::Tcp, dump}, {DiagProtocol::Udp, udp}}, proc.Root());

  EXPECT_EQ(tables.Tcp(), (std::vector<TcpRow>{
                              {2, any, 80, any, 0, 42}, {11, any, 81, any, 0, 0}, {5, any, 82, any, 0, 0}}));
  EXPECT_EQ(tables.Udp(), (std::vector<UdpRow>{{any, 53, 43}}));
}

// ---- Netlink dumps that are not plain --------------------------------------------

const Ipv4Address kHost{10, 0, 0, 1};
const KernelEndpoint kFirst = Socket(1, kHost, 1000, kHost, 2000);
const KernelEndpoint kSecond = Socket(10, kHost, 3000, {0, 0, 0, 0}, 0);

Bytes Cut(Bytes bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

Bytes WithLength(Bytes message, std::uint32_t length) {
  std::memcpy(message.data(), &length, sizeof length);
  return message;
}

struct DumpCase {
  const char* Name;
  std::vector<Bytes> Datagrams;
  std::optional<std::vector<KernelEndpoint>> Sockets;  // nullopt: refused
};

std::vector<DumpCase> DumpCases() {
  using namespace testing;
  const Bytes first = SocketMessage(kFirst);
  const Bytes second = SocketMessage(kSecond);
  using Sockets = std::vector<KernelEndpoint>;
  return {
      {"SeveralDatagrams", {first, Joined({second, DoneMessage()})}, Sockets{kFirst, kSecond}},
      {"NothingAfterDone", {Joined({first, DoneMessage(), second})}, Sockets{kFirst}},
      {"Ipv6Passed", {Joined({SocketMessage(kFirst, AF_INET6), second, DoneMessage()})}, Sockets{kSecond}},
      {"ShortBodyPassed",
       {Joined({Cut(WithLength(first, 40), 40), second, DoneMessage()})},
       Sockets{kSecond}},
      {"TruncatedEndsItsDatagram",
       {Joined({first, Cut(second, 50)}), Joined({second, DoneMessage()})},
       Sockets{kFirst, kSecond}},
      {"LengthPastDatagram", {Joined({WithLength(first, 4096), second}), DoneMessage()}, Sockets{}},
      {"LengthBelowHeader",
       {Joined({WithLength(first, 8), second}), Joined({second, DoneMessage()})},
       Sockets{kSecond}},
      {"HeaderCut", {Cut(first, 10), DoneMessage()}, Sockets{}},
      {"RecordingEndsBeforeDone", {first, Cut(second, 30)}, Sockets{kFirst}},
      {"AcknowledgementPassed", {Joined({ErrorMessage(0), first, DoneMessage()})}, Sockets{kFirst}},
      {"ErrorRefuses", {Joined({first, ErrorMessage(-EPERM)})}, std::nullopt},
      {"ErrorFirstRefuses", {ErrorMessage(-ENOENT)}, std::nullopt},
      {"DoneWithErrorRefuses", {Joined({first, DoneMessage(-EINTR)})}, std::nullopt},
  };
}

class DumpTest : public ::testing::TestWithParam<DumpCase> {};

TEST_P(DumpTest, KeepsWholeIpv4MessagesOnly) {
  RecordedDump dump(GetParam().Datagrams);
  EXPECT_EQ(DumpSockets(dump, DiagProtocol::Tcp), GetParam().Sockets);
}

INSTANTIATE_TEST_SUITE_P(Dumps, DumpTest, ::testing::ValuesIn(DumpCases()), testing::CaseName());

TEST(DumpRequestTest, AsksForIpv4SocketsOfEveryListedState) {
  struct Asked {
    DiagProtocol Protocol;
    std::uint8_t Number;
    std::uint32_t States;
  };
  for (const Asked asked :
       {Asked{DiagProtocol::Tcp, IPPROTO_TCP, 0x1FFEU}, Asked{DiagProtocol::Udp, IPPROTO_UDP, ~0U}}) {
    RecordedDump dump({testing::DoneMessage()});
    ASSERT_TRUE(DumpSockets(dump, asked.Protocol));
    ASSERT_EQ(dump.Request().size(), sizeof(nlmsghdr) + sizeof(inet_diag_req_v2));
    nlmsghdr header{};
    inet_diag_req_v2 request{};
    std::memcpy(&header, dump.Request().data(), sizeof header);
    std::memcpy(&request, dump.Request().data() + sizeof header, sizeof request);
    EXPECT_EQ(header.nlmsg_type, SOCK_DIAG_BY_FAMILY);
    EXPECT_EQ(header.nlmsg_flags, NLM_F_REQUEST | NLM_F_DUMP);
    EXPECT_EQ(request.sdiag_family, AF_INET);
    EXPECT_EQ(request.sdiag_protocol, asked.Number);
    EXPECT_EQ(request.idiag_states, asked.States);
  }
}

// ---- Falling back to /proc/net ----------------------------------------------------

TEST(KernelTablesTest, RefusedNetlinkFallsBackToProcNetPerTable) {
  FixtureTree proc;
  proc.Write("net/tcp", std::string(kTcpHeading) + ProcNetLine("0100007F:0050", "00000000:0000", "0A", "0"));
  proc.Write("net/udp", std::string(kTcpHeading) + ProcNetLine("00000000:0035", "00000000:0000", "07", "0"));
  const std::vector<Bytes> udp{testing::Joined({testing::SocketMessage(kFirst), testing::DoneMessage()})};
  Tables tables({{DiagProtocol::Tcp, {testing::ErrorMessage(-EPERM)}}, {DiagProtocol::Udp, udp}},
                proc.Root());

  ASSERT_TRUE(tables.Tcp());
  EXPECT_EQ(tables.Tcp()->size(), 1U) << "an error answer reads /proc/net/tcp";
  EXPECT_EQ(tables.Udp(), (std::vector<UdpRow>{{kHost, 1000, 0}})) << "UDP still comes from netlink";
}

TEST(KernelTablesTest, NoNetlinkAndNoProcNetGiveNoTable) {
  FixtureTree proc;
  Tables tables({}, proc.Root());
  EXPECT_EQ(tables.Tcp(), std::nullopt);
  EXPECT_EQ(tables.Udp(), std::nullopt);
}

// ---- /proc/net lines that are not plain -------------------------------------------

TEST(ProcNetTest, LeavesOutEveryLineThatDoesNotParse) {
  if constexpr (std::endian::native != std::endian::little) {
    GTEST_SKIP() << "the fixtures are written as a little-endian machine prints them";
  }
  const std::string good = ProcNetLine("0100007F:0050", "00000000:0000", "0A", "12345");
  const std::string text =
      std::string(kTcpHeading) + good +
      ProcNetLine("00000000000000000000000001000000:0050", "00000000000000000000000000000000:0000", "0A",
                  "1") +
      ProcNetLine("0100007F0050", "00000000:0000", "0A", "1") +    // no colon
      ProcNetLine("0100007G:0050", "00000000:0000", "0A", "1") +   // not hexadecimal
      ProcNetLine("0100007F:00500", "00000000:0000", "0A", "1") +  // a port of five digits
      ProcNetLine("0100007F:0050", "00000000:0000", "A", "1") +    // a state of one digit
      ProcNetLine("0100007F:0050", "00000000:0000", "0A", "-1") +  // a negative inode
      ProcNetLine("0100007F:0050", "00000000:0000", "0A", "x") +
      "   1: 0100007F:0050 00000000:0000 0A 00000000:00000000\n" +  // cut short
      "\n" + "garbage\n" + "   2 0100007F:0050 00000000:0000 0A 0:0 0:0 0 0 0 1\n" +
      good.substr(0, good.size() - 1);  // the last line without its newline
  const KernelEndpoint expected{10, {127, 0, 0, 1}, 80, {0, 0, 0, 0}, 0, 12345};
  EXPECT_EQ(ParseProcNetTable(text), (std::vector<KernelEndpoint>{expected, expected}));
}

}  // namespace
}  // namespace portolan::linux
