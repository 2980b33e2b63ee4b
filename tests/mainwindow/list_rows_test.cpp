// The rules by which rows are built and counted, through the first fill and
// through the add pass of a refresh.

#include <gtest/gtest.h>

#include "tests/param_name.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "mainwindow/texts.h"
#include "tests/mainwindow/list_fixture.h"

namespace portolan::testing {
namespace {

struct StateCase {
  const char* name;
  std::int32_t state;
  std::string text;
};

class TcpStateNameTest : public ::testing::TestWithParam<StateCase> {};

TEST_P(TcpStateNameTest, GivesTheDisplayText) {
  EXPECT_EQ(TFormPortolan::TcpStateName(GetParam().state), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    States, TcpStateNameTest,
    ::testing::Values(StateCase{"Closed", 1, "关闭"}, StateCase{"Listening", 2, "监听"},
                      StateCase{"Established", 5, "已建立"}, StateCase{"DeleteTcb", 12, "删除"},
                      StateCase{"Zero", 0, "未知状态0"}, StateCase{"Thirteen", 13, "未知状态13"},
                      StateCase{"MinusOne", -1, "未知状态-1"},
                      StateCase{"Lowest", std::numeric_limits<std::int32_t>::min(), "未知状态-2147483648"}),
    portolan::testing::ParamName());

// ---- Rows built from entries -----------------------------------------------

TEST_F(ListTest, TcpAndUdpRowsCopyTheirEntry) {
  File_Rec udp = Udp("53", "dns.exe");
  udp.RemoteIP = "1.2.3.4";  // not part of a UDP row, whatever the entry holds
  Fill({Tcp("1025", 2, "web.exe")}, {udp});

  const std::vector<TMyRec> rows = Rows();
  ASSERT_EQ(rows.size(), 2U);
  const TMyRec tcp{"TCP", "监听",    "10.0.0.2",          "1025", "10.0.0.9", "443",
                   "100", "web.exe", "C:\\Apps\\web.exe", "App",  "Maker",    ""};
  const TMyRec udpRow{"UDP", "",        "10.0.0.2",          "53",  "",      "",
                      "100", "dns.exe", "C:\\Apps\\dns.exe", "App", "Maker", ""};
  EXPECT_EQ(rows[0], udpRow);  // sorted by process name
  EXPECT_EQ(rows[1], tcp);
}

struct DescriptionCase {
  const char* name;
  std::string pid;
  std::string processName;
  std::string path;
  std::string expected;  // "system" and "idle" stand for the two fixed texts
  bool counted;
};

class DescriptionTest : public ListTest, public ::testing::WithParamInterface<DescriptionCase> {
 protected:
  std::string Expected() const {
    const std::string& expected = GetParam().expected;
    return expected == "system" ? form.FDescSystem : expected == "idle" ? form.FDescIdle : expected;
  }
  FileTable Entry() const {
    File_Rec entry = Tcp("80");
    entry.PID = GetParam().pid;
    entry.ProcessName = GetParam().processName;
    entry.FilePath = GetParam().path;
    entry.FileDescription = "Own text";
    return {entry};
  }
};

TEST_P(DescriptionTest, FirstFill) {
  Fill(Entry());
  ASSERT_EQ(Rows().size(), 1U);
  EXPECT_EQ(Rows()[0].FileDescription, Expected());
  EXPECT_EQ(form.LabAppCount.Caption(), GetParam().counted ? "1" : "0");
}

TEST_P(DescriptionTest, RowAddedByRefresh) {
  Fill({});
  Refresh(Entry());
  ASSERT_EQ(Rows().size(), 1U);
  EXPECT_EQ(Rows()[0].FileDescription, Expected());
  EXPECT_EQ(form.LabAppCount.Caption(), GetParam().counted ? "1" : "0");
}

INSTANTIATE_TEST_SUITE_P(
    Entries, DescriptionTest,
    ::testing::Values(DescriptionCase{"WithPath", "100", "System", "C:\\sys.exe", "Own text", true},
                      DescriptionCase{"SystemWithoutPath", "4", "System", "", "system", false},
                      DescriptionCase{"SystemInOtherCase", "4", "system", "", "", false},
                      DescriptionCase{"IdleProcess", "0", "[System Process]", "", "idle", false},
                      DescriptionCase{"ProcessZeroUnnamed", "0", "", "", "", false},
                      DescriptionCase{"AccessRefused", "812", "svchost.exe", "", "", false},
                      DescriptionCase{"EndedProcess", "4711", "", "", "", false}),
    portolan::testing::ParamName());

// ---- The loopback filter ---------------------------------------------------

struct FilterCase {
  const char* name;
  bool udp;
  std::string localIP;
  std::string remoteIP;
  bool showLocal;
  bool shown;
};

class LoopbackFilterTest : public ListTest, public ::testing::WithParamInterface<FilterCase> {
 protected:
  void Check() const {
    const bool shown = GetParam().shown;
    EXPECT_EQ(Rows().size(), shown ? 1U : 0U);
    EXPECT_EQ(form.LabNetCount.Caption(), shown ? "1" : "0");
    EXPECT_EQ(form.LabAppCount.Caption(), "1");  // a hidden row's program counts all the same
  }
  File_Rec Entry() const {
    File_Rec entry = GetParam().udp ? Udp("5353") : Tcp("5353");
    entry.LocalIP = GetParam().localIP;
    entry.RemoteIP = GetParam().remoteIP;
    return entry;
  }
  FileTable TcpTable() const { return GetParam().udp ? FileTable{} : FileTable{Entry()}; }
  FileTable UdpTable() const { return GetParam().udp ? FileTable{Entry()} : FileTable{}; }
};

TEST_P(LoopbackFilterTest, FirstFill) {
  form.CBShowLocal.SetChecked(GetParam().showLocal);
  Fill(TcpTable(), UdpTable());
  Check();
}

TEST_P(LoopbackFilterTest, EveryRefresh) {
  form.CBShowLocal.SetChecked(GetParam().showLocal);
  Fill({});
  for (int i = 0; i < 3; ++i) {
    Refresh(TcpTable(), UdpTable());
    Check();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Endpoints, LoopbackFilterTest,
    ::testing::Values(FilterCase{"BothSidesLoopback", false, "127.0.0.1", "127.0.0.1", false, false},
                      FilterCase{"BothSidesLoopbackShown", false, "127.0.0.1", "127.0.0.1", true, true},
                      FilterCase{"LocalSideOnly", false, "127.0.0.1", "10.0.0.9", false, true},
                      FilterCase{"RemoteSideOnly", false, "10.0.0.2", "127.0.0.1", false, true},
                      FilterCase{"ListenerOnLoopback", false, "127.0.0.1", "0.0.0.0", false, true},
                      FilterCase{"OtherLoopbackAddress", false, "127.0.0.2", "127.0.0.2", false, true},
                      FilterCase{"UdpOnLoopback", true, "127.0.0.1", "127.0.0.1", false, true}),
    portolan::testing::ParamName());

// ---- The program count -----------------------------------------------------

struct CountCase {
  const char* name;
  FileTable tcp;
  FileTable udp;
  std::string programs;
  std::string rows;
};

File_Rec InFolder(File_Rec entry, const std::string& folder) {
  entry.FilePath = folder + entry.ProcessName;
  return entry;
}

File_Rec WithoutPath(File_Rec entry) {
  entry.FilePath.clear();
  return entry;
}

class ProgramCountTest : public ListTest, public ::testing::WithParamInterface<CountCase> {};

TEST_P(ProgramCountTest, FirstFill) {
  form.CBShowLocal.SetChecked(false);
  Fill(GetParam().tcp, GetParam().udp);
  EXPECT_EQ(form.LabAppCount.Caption(), GetParam().programs);
  EXPECT_EQ(form.LabNetCount.Caption(), GetParam().rows);
}

TEST_P(ProgramCountTest, Refresh) {
  form.CBShowLocal.SetChecked(false);
  Fill(GetParam().tcp, GetParam().udp);
  Refresh(GetParam().tcp, GetParam().udp);  // kept rows count from the walk
  EXPECT_EQ(form.LabAppCount.Caption(), GetParam().programs);
  EXPECT_EQ(form.LabNetCount.Caption(), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, ProgramCountTest,
    ::testing::Values(
        CountCase{"Empty", {}, {}, "0", "0"},
        CountCase{"ManyRowsOneProgram", {Tcp("1"), Tcp("2"), Tcp("3")}, {Udp("1"), Udp("2")}, "1", "5"},
        CountCase{"TwoFoldersOneName",
                  {InFolder(Tcp("1"), "C:\\A\\"), InFolder(Tcp("2"), "D:\\B\\")},
                  {},
                  "1",
                  "2"},
        CountCase{"PrefixAfterLongerName", {Tcp("1", 5, "ab.exe"), Tcp("2", 5, "ab")}, {}, "2", "2"},
        CountCase{"LongerNameAfterPrefix", {Tcp("1", 5, "ab"), Tcp("2", 5, "ab.exe")}, {}, "2", "2"},
        CountCase{"NamesDifferInCase", {Tcp("1", 5, "App.exe")}, {Udp("1", "app.exe")}, "2", "2"},
        CountCase{"HiddenLoopbackCounts", {Loopback("1", "db.exe")}, {Udp("1", "web.exe")}, "2", "1"},
        CountCase{"PathlessRowsDoNotCount", {WithoutPath(Tcp("1", 5, "System"))}, {Udp("1")}, "1", "2"}),
    portolan::testing::ParamName());

// ---- The first fill's selection ----------------------------------------------

// While rows are inserted, each new row is sorted while still empty, so it
// goes in front of every named row: after the last insertion the first row
// is the one inserted last, unless a row without a name stands before it.
TEST_F(ListTest, FirstFillSelectsTheRowFirstAfterTheInsertions) {
  Fill({Tcp("1", 5, "b.exe"), Tcp("2", 5, "c.exe")}, {Udp("3", "a.exe"), Udp("4", "d.exe")});

  EXPECT_EQ(Column(&TMyRec::ProcessName), (std::vector<std::string>{"a.exe", "b.exe", "c.exe", "d.exe"}));
  ASSERT_NE(SelectedRow(), nullptr);
  EXPECT_EQ(SelectedRow()->LocalPort, "4");
  EXPECT_EQ(FocusedRow(), SelectedRow());
  EXPECT_EQ(form.VTS.SelectedCount(), 1U);
  EXPECT_FALSE(form.VTS.Focused());  // the fill does not take the input focus
}

TEST_F(ListTest, FirstFillSelectsAnUnnamedRowInFrontOfTheLastInserted) {
  File_Rec unnamed = Tcp("2", 5, "");
  Fill({Tcp("1", 5, "b.exe"), unnamed, Tcp("3", 5, "c.exe")}, {Udp("4", "a.exe")});

  ASSERT_NE(SelectedRow(), nullptr);
  EXPECT_EQ(SelectedRow()->LocalPort, "2");
  EXPECT_EQ(FocusedRow(), SelectedRow());
}

TEST_F(ListTest, FirstFillOfAnEmptySnapshot) {
  Fill({});
  EXPECT_TRUE(Rows().empty());
  EXPECT_EQ(form.VTS.SelectedCount(), 0U);
  EXPECT_EQ(form.VTS.FocusedNode(), nullptr);
  EXPECT_EQ(form.LabAppCount.Caption(), "0");
  EXPECT_EQ(form.LabNetCount.Caption(), "0");
  EXPECT_EQ(snapshot.Taken, 1);  // the snapshot is taken in every build
}

}  // namespace
}  // namespace portolan::testing
