// One snapshot over scripted sources: what each record holds, the order of
// the calls, and that everything obtained is released.

#include "snapshot/system_snapshot.h"

#include <gtest/gtest.h>

#include "tests/snapshot/fake_sources.h"

namespace portolan {
namespace {

using testing::Entry;
using testing::FakeSystem;

const std::vector<std::byte> kUsEntry{std::byte{0x09}, std::byte{0x04}, std::byte{0xE4}, std::byte{0x04}};

class SystemSnapshotTest : public ::testing::TestWithParam<TcpRowLayout> {
 protected:
  SystemSnapshotTest() : system(GetParam()) {
    system.Processes->Entries = {Entry(0, "[System Process]"), Entry(4, "System"), Entry(700, "web.exe"),
                                 Entry(0x80000001U, "high.exe")};
    system.Processes->Processes[700] = {true, true, "C:\\web\\web.exe", true, {}};
    system.Versions->Files["C:\\web\\web.exe"] = {
        kUsEntry,
        {{"\\StringFileInfo\\040904E4\\FileDescription", "Web server"},
         {"\\StringFileInfo\\040904E4\\CompanyName", "Web Co"}}};
    system.Tables->SetRows({TcpRow{2, {0, 0, 0, 0}, 80, {0, 0, 0, 0}, 0, 700},
                            TcpRow{5, {127, 0, 0, 1}, 49152, {127, 0, 0, 1}, 80, 0x80000001U}},
                           {UdpRow{{0, 0, 0, 0}, 137, 4}, UdpRow{{192, 168, 0, 9}, 5353, 700}});
  }

  FakeSystem system;
  SystemSnapshot snapshot{system.Sources};
};

TEST_P(SystemSnapshotTest, FillsEveryFieldOfBothTables) {
  snapshot.GetTcpUdpTable();
  const FileTable tcp{
      {2, "0.0.0.0", "80", "0.0.0.0", "0", "700", "web.exe", "C:\\web\\web.exe", "Web server", "Web Co", ""},
      {5, "127.0.0.1", "49152", "127.0.0.1", "80", "2147483649", "high.exe", "", "", "", ""}};
  const FileTable udp{{0, "0.0.0.0", "137", "", "", "4", "System", "", "", "", ""},
                      {0, "192.168.0.9", "5353", "", "", "700", "web.exe", "C:\\web\\web.exe", "Web server",
                       "Web Co", ""}};
  EXPECT_EQ(snapshot.TcpTable, tcp);
  EXPECT_EQ(snapshot.UdpTable, udp);
}

TEST_P(SystemSnapshotTest, TcpIsCompleteAndReleasedBeforeUdpIsAskedFor) {
  snapshot.GetTcpUdpTable();
  const testing::Ledger& log = system.Log;
  const long udpRead = log.IndexOf("read udp");
  ASSERT_GE(udpRead, 0);
  EXPECT_LT(log.IndexOf("read tcp"), udpRead);
  EXPECT_LT(log.IndexOf("~tcp block"), udpRead);
  EXPECT_LT(log.IndexOf("refused 2147483649"), udpRead);  // the last TCP row's lookup
  EXPECT_EQ(log.IndexOf("snapshot"), 0);                   // one process snapshot serves both
  EXPECT_EQ(log.Count("snapshot"), 1);
  EXPECT_EQ(log.Events.back(), "~snapshot");
}

TEST_P(SystemSnapshotTest, EveryMarkIsEmptyAfterEachCall) {
  snapshot.GetTcpUdpTable();
  for (File_Rec& record : snapshot.TcpTable) {
    record.Mark = "ok";
  }
  snapshot.UdpTable.front().Mark = "ok";
  snapshot.GetTcpUdpTable();
  for (const FileTable* table : {&snapshot.TcpTable, &snapshot.UdpTable}) {
    for (const File_Rec& record : *table) {
      EXPECT_EQ(record.Mark, "");
    }
  }
}

TEST_P(SystemSnapshotTest, FailedTcpCallStillReadsUdp) {
  system.Tables->Tcp.reset();
  snapshot.GetTcpUdpTable();
  EXPECT_TRUE(snapshot.TcpTable.empty());
  EXPECT_EQ(snapshot.UdpTable.size(), 2U);
}

TEST_P(SystemSnapshotTest, FailedTablesGiveEmptyTables) {
  snapshot.GetTcpUdpTable();
  system.Tables->Tcp.reset();
  system.Tables->Udp.reset();
  snapshot.GetTcpUdpTable();
  EXPECT_TRUE(snapshot.TcpTable.empty());
  EXPECT_TRUE(snapshot.UdpTable.empty());
  EXPECT_EQ(system.Log.Live, 0);
}

TEST_P(SystemSnapshotTest, WithoutProcessSnapshotOnlyNamesAreEmpty) {
  system.Processes->SnapshotTaken = false;
  snapshot.GetTcpUdpTable();
  ASSERT_EQ(snapshot.TcpTable.size(), 2U);
  const File_Rec& web = snapshot.TcpTable.front();
  EXPECT_EQ(web.ProcessName, "");
  EXPECT_EQ(web.FilePath, "C:\\web\\web.exe");
  EXPECT_EQ(web.FileDescription, "Web server");
  EXPECT_EQ(snapshot.UdpTable.back().ProcessName, "");
  EXPECT_EQ(system.Log.Count("~snapshot"), 0);  // nothing made, nothing closed
}

TEST_P(SystemSnapshotTest, EndedProcessKeepsItsEndpointFields) {
  system.Processes->Processes.clear();
  snapshot.GetTcpUdpTable();
  const File_Rec& web = snapshot.TcpTable.front();
  EXPECT_EQ(web.PID, "700");
  EXPECT_EQ(web.LocalPort, "80");
  EXPECT_EQ(web.FilePath, "");
  EXPECT_EQ(web.FileDescription, "");
  EXPECT_EQ(web.Company, "");
}

TEST_P(SystemSnapshotTest, RepeatedCallsReleaseEverythingTheyObtain) {
  snapshot.GetTcpUdpTable();
  const int perCall = system.Log.Obtained;
  EXPECT_EQ(system.Log.Live, 0);
  for (int i = 1; i < 1000; ++i) {
    snapshot.GetTcpUdpTable();
    ASSERT_EQ(system.Log.Live, 0) << "after call " << i;
  }
  EXPECT_EQ(system.Log.Obtained, 1000 * perCall);
  EXPECT_EQ(snapshot.TcpTable.size(), 2U);
}

INSTANTIATE_TEST_SUITE_P(Layouts, SystemSnapshotTest,
                         ::testing::Values(TcpRowLayout::OwnerPid, TcpRowLayout::Row2),
                         [](const auto& test) { return test.param == TcpRowLayout::Row2 ? "Row2" : "OwnerPid"; });

}  // namespace
}  // namespace portolan
