// How a refresh merges a new snapshot into the rows: kept, changed, gone and
// new endpoints, their markers, the selection, and the counts.

#include <gtest/gtest.h>

#include "tests/param_name.h"

#include <string>
#include <vector>

#include "tests/mainwindow/list_fixture.h"

namespace portolan::testing {
namespace {

using Strings = std::vector<std::string>;

class RefreshTest : public ListTest {
 protected:
  RefreshTest() { form.VTS.Header().SetSortColumn(5); }  // by local port, so rows are easy to name
};

TEST_F(RefreshTest, SameSnapshotTwiceClearsTcpMarksAndKeepsUdpMarks) {
  Fill({Tcp("1")}, {Udp("2")});
  Refresh({Tcp("1"), Tcp("3")}, {Udp("2"), Udp("4")});
  EXPECT_EQ(Column(&TMyRec::Mark), (Strings{"", "", "add", "add"}));

  Refresh({Tcp("1"), Tcp("3")}, {Udp("2"), Udp("4")});

  EXPECT_EQ(Column(&TMyRec::LocalPort), (Strings{"1", "2", "3", "4"}));
  EXPECT_EQ(Column(&TMyRec::Mark), (Strings{"", "", "", "add"}));
  for (const FileTable* table : {&snapshot.TcpTable, &snapshot.UdpTable}) {
    for (const File_Rec& entry : *table) {
      EXPECT_EQ(entry.Mark, "ok");
    }
  }
}

TEST_F(RefreshTest, ChangedStateIsMarkedOnceThenCleared) {
  Fill({Tcp("1", 2), Tcp("2", 5)});
  Refresh({Tcp("1", 5), Tcp("2", 5)});
  EXPECT_EQ(Column(&TMyRec::State), (Strings{"已建立", "已建立"}));
  EXPECT_EQ(Column(&TMyRec::Mark), (Strings{"md", ""}));

  Refresh({Tcp("1", 5), Tcp("2", 5)});
  EXPECT_EQ(Column(&TMyRec::Mark), (Strings{"", ""}));

  Refresh({Tcp("1", 8), Tcp("2", 5)});
  EXPECT_EQ(Column(&TMyRec::State), (Strings{"等待关闭", "已建立"}));
  EXPECT_EQ(Column(&TMyRec::Mark), (Strings{"md", ""}));
}

TEST_F(RefreshTest, NewUdpEndpointStaysMarkedAddedWhileItLives) {
  Fill({}, {Udp("1")});
  for (int i = 0; i < 3; ++i) {
    Refresh({}, {Udp("1"), Udp("2")});
    EXPECT_EQ(Column(&TMyRec::Mark), (Strings{"", "add"})) << "refresh " << i;
  }
  Refresh({}, {Udp("1")});
  Refresh({}, {Udp("1"), Udp("2")});  // back again: a new row
  EXPECT_EQ(Column(&TMyRec::Mark), (Strings{"", "add"}));
}

struct SelectionCase {
  const char* name;
  FileTable next;
  std::string selectedPort;  // after the refresh
};

class RefreshSelectionTest : public RefreshTest, public ::testing::WithParamInterface<SelectionCase> {};

// The second of three rows is selected and focused before the refresh.
TEST_P(RefreshSelectionTest, KeepsASurvivingSelectionOrSelectsTheFirstRow) {
  Fill({Tcp("1"), Tcp("2"), Tcp("3")});
  form.VTS.SetSelected(NodeAt(form, 1), true);
  form.VTS.SetFocusedNode(NodeAt(form, 1));
  int repaints = 0;
  form.VTS.OnInvalidate = [&](ui::TTreeListBase&) { ++repaints; };

  Refresh(GetParam().next);
  form.VTS.OnInvalidate = nullptr;

  ASSERT_NE(SelectedRow(), nullptr);
  EXPECT_EQ(SelectedRow()->LocalPort, GetParam().selectedPort);
  EXPECT_EQ(FocusedRow(), SelectedRow());
  EXPECT_EQ(form.VTS.SelectedCount(), 1U);
  EXPECT_TRUE(form.VTS.Focused());
  EXPECT_EQ(repaints, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Refreshes, RefreshSelectionTest,
    ::testing::Values(SelectionCase{"SelectedRowSurvives", {Tcp("0"), Tcp("2"), Tcp("3")}, "2"},
                      SelectionCase{"SelectedRowVanishes", {Tcp("3"), Tcp("4"), Tcp("1")}, "1"},
                      SelectionCase{"SelectedRowVanishesNewRowFirst", {Tcp("3"), Tcp("0")}, "0"}),
    portolan::testing::ParamName());

TEST_F(RefreshTest, KeptRowKeepsWhatItWasCreatedWith) {
  Fill({Tcp("1")}, {Udp("2")});
  File_Rec tcp = Tcp("1", 5, "other.exe");
  File_Rec udp = Udp("2", "other.exe");
  for (File_Rec* entry : {&tcp, &udp}) {
    entry->FilePath = "D:\\Other\\other.exe";
    entry->FileDescription = "Other";
    entry->Company = "Someone else";
  }
  Refresh({tcp}, {udp});

  for (const TMyRec& row : Rows()) {
    EXPECT_EQ(row.ProcessName, "app.exe");
    EXPECT_EQ(row.FilePath, "C:\\Apps\\app.exe");
    EXPECT_EQ(row.FileDescription, "App");
    EXPECT_EQ(row.Company, "Maker");
  }
  EXPECT_EQ(form.LabAppCount.Caption(), "1");  // counted by the row's own name
}

TEST_F(RefreshTest, EmptySnapshotEmptiesTheList) {
  Fill({Tcp("1")}, {Udp("2")});
  Refresh({}, {});
  EXPECT_TRUE(Rows().empty());
  EXPECT_EQ(form.VTS.SelectedCount(), 0U);
  EXPECT_EQ(form.VTS.FocusedNode(), nullptr);
  EXPECT_EQ(form.LabAppCount.Caption(), "0");
  EXPECT_EQ(form.LabNetCount.Caption(), "0");
}

TEST_F(RefreshTest, EmptyListThenFullSnapshotAddsEveryRow) {
  Fill({});
  Refresh({Tcp("3"), Tcp("1")}, {Udp("2")});
  EXPECT_EQ(Column(&TMyRec::LocalPort), (Strings{"1", "2", "3"}));
  EXPECT_EQ(Column(&TMyRec::Mark), (Strings{"add", "add", "add"}));
  ASSERT_NE(SelectedRow(), nullptr);
  EXPECT_EQ(SelectedRow()->LocalPort, "1");
  EXPECT_EQ(FocusedRow(), SelectedRow());
  EXPECT_EQ(form.LabNetCount.Caption(), "3");
  EXPECT_EQ(form.LabAppCount.Caption(), "1");
}

// One process bound several times to one address and port: each entry is
// one row, however often the list is refreshed.
TEST_F(RefreshTest, EntriesOfOneKeyStayOneRowEach) {
  const FileTable tcp{Tcp("1"), Tcp("1"), Tcp("2")};
  const FileTable udp{Udp("7"), Udp("7"), Udp("7")};
  Fill(tcp, udp);
  for (int i = 0; i < 5; ++i) {
    Refresh(tcp, udp);
    EXPECT_EQ(Column(&TMyRec::LocalPort), (Strings{"1", "1", "2", "7", "7", "7"})) << "refresh " << i;
  }
  Refresh({Tcp("1"), Tcp("2")}, {Udp("7"), Udp("7"), Udp("7"), Udp("7")});
  EXPECT_EQ(Column(&TMyRec::LocalPort), (Strings{"1", "2", "7", "7", "7", "7"}));
  // The new row was inserted in front, still empty, and the stable sort keeps
  // it before the older rows of its port.
  EXPECT_EQ(Column(&TMyRec::Mark), (Strings{"", "", "add", "", "", ""}));
}

TEST_F(RefreshTest, ShowLocalOffDropsLoopbackRowsAndOnBringsThemBackAsNew) {
  Fill({Loopback("1", "db.exe"), Tcp("2")});
  EXPECT_EQ(Column(&TMyRec::LocalPort), (Strings{"1", "2"}));

  form.CBShowLocal.SetChecked(false);
  Refresh({Loopback("1", "db.exe"), Tcp("2")});
  EXPECT_EQ(Column(&TMyRec::LocalPort), (Strings{"2"}));
  EXPECT_EQ(form.LabAppCount.Caption(), "2");
  EXPECT_EQ(form.LabNetCount.Caption(), "1");
  EXPECT_EQ(snapshot.TcpTable[0].Mark, "");  // the hidden entry stays unmatched

  form.CBShowLocal.SetChecked(true);
  Refresh({Loopback("1", "db.exe"), Tcp("2")});
  EXPECT_EQ(Column(&TMyRec::LocalPort), (Strings{"1", "2"}));
  EXPECT_EQ(Column(&TMyRec::Mark), (Strings{"add", ""}));
}

TEST_F(RefreshTest, RowsOfDifferentProtocolsWithOneKeyDoNotMatchEachOther) {
  Fill({Tcp("1")}, {});
  Refresh({}, {Udp("1")});
  ASSERT_EQ(Rows().size(), 1U);
  EXPECT_EQ(Rows()[0].Protocol, "UDP");
  EXPECT_EQ(Rows()[0].Mark, "add");
}

TEST_F(RefreshTest, EveryKeyFieldTakesPartInTheMatch) {
  Fill({Tcp("1")}, {Udp("2")});
  std::vector<File_Rec> tcp(5, Tcp("1"));
  tcp[0].PID = "101";
  tcp[1].LocalIP = "10.0.0.3";
  tcp[2].LocalPort = "11";
  tcp[3].RemoteIP = "10.0.0.8";
  tcp[4].RemotePort = "444";
  File_Rec udp = Udp("2");
  udp.PID = "101";
  Refresh(tcp, {udp});
  EXPECT_EQ(Column(&TMyRec::Mark), (Strings(6, "add")));
}

TEST_F(RefreshTest, RefreshSortsByTheCurrentHeader) {
  Fill({Tcp("1", 5, "b.exe"), Tcp("2", 5, "a.exe")});
  form.VTS.Header().SetSortColumn(1);
  form.VTS.Header().SetSortDirection(ui::TSortDirection::Descending);
  Refresh({Tcp("1", 5, "b.exe"), Tcp("2", 5, "a.exe"), Tcp("3", 5, "c.exe")});
  EXPECT_EQ(Column(&TMyRec::ProcessName), (Strings{"c.exe", "b.exe", "a.exe"}));
}

}  // namespace
}  // namespace portolan::testing
