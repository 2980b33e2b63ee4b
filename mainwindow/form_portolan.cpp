#include "mainwindow/form_portolan.h"

#include <iterator>
#include <utility>

#include "mainwindow/prefetch.h"
#include "mainwindow/row_compare.h"
#include "mainwindow/texts.h"

namespace portolan {
namespace {

constexpr std::string_view kLoopback = "127.0.0.1";
constexpr std::string_view kSystemProcess = "System";
constexpr std::string_view kIdleProcessId = "0";
constexpr int kStartSortColumn = 1;  // the process name

}  // namespace

TFormPortolan::TFormPortolan(EndpointSnapshot& snapshot)
    : TFormPortolan(snapshot, std::make_unique<HashedEntryFinder>()) {}

TFormPortolan::TFormPortolan(EndpointSnapshot& snapshot, std::unique_ptr<EntryFinder> finder)
    : VTS(Create<ui::TTreeList<TMyRec>>()),
      CBShowLocal(Create<ui::TCheckBox>(std::string(texts::kShowLocal), true)),
      LabAppCount(Create<ui::TLabel>("0")),
      LabNetCount(Create<ui::TLabel>("0")),
      FDescSystem(texts::kDescSystem),
      FDescIdle(texts::kDescIdle),
      snapshot_(snapshot),
      finder_(finder != nullptr ? std::move(finder) : std::make_unique<HashedEntryFinder>()) {
  VTS.OnCompareNodes = [this](const ui::TTreeListBase& sender, const ui::TTreeListNode* node1,
                              const ui::TTreeListNode* node2, int column, int& result) {
    VTSCompareNodes(sender, node1, node2, column, result);
  };
  VTS.Header().SetSortColumn(kStartSortColumn);
  VTS.Header().SetSortDirection(ui::TSortDirection::Ascending);
  VTS.SetAutoSort(true);
}

void TFormPortolan::FormCreate() {
  FLoading = true;
  VTS.Clear();
  FillList();
  FLoading = false;
}

std::string TFormPortolan::TcpStateName(std::int32_t state) {
  if (state >= 1 && state <= static_cast<std::int32_t>(std::size(texts::kTcpStates))) {
    return std::string(texts::kTcpStates[state - 1]);
  }
  return std::string(texts::kUnknownTcpState) + std::to_string(state);
}

void TFormPortolan::FillList() {
  snapshot_.GetTcpUdpTable();
  ProgramSet programs;
  for (const File_Rec& entry : snapshot_.TcpTable) {
    AddRow(entry, Protocol::Tcp, {}, programs);
  }
  for (const File_Rec& entry : snapshot_.UdpTable) {
    AddRow(entry, Protocol::Udp, {}, programs);
  }
  LabNetCount.SetCaption(std::to_string(VTS.TotalCount()));
  // The first row of the order the insertions left, which the sort then
  // moves to its place.
  SelectFirstRow();
  SortByHeader();
  LabAppCount.SetCaption(std::to_string(programs.Count()));
}

void TFormPortolan::RefreshList() {
  snapshot_.GetTcpUdpTable();
  ProgramSet programs;
  finder_->Reset(snapshot_.TcpTable, snapshot_.UdpTable);
  MatchRows(programs);
  for (const File_Rec& entry : snapshot_.TcpTable) {
    if (entry.Mark != kMarkMatched) {
      AddRow(entry, Protocol::Tcp, kMarkAdded, programs);
    }
  }
  for (const File_Rec& entry : snapshot_.UdpTable) {
    if (entry.Mark != kMarkMatched) {
      AddRow(entry, Protocol::Udp, kMarkAdded, programs);
    }
  }
  SortByHeader();
  LabNetCount.SetCaption(std::to_string(VTS.TotalCount()));
  VTS.SetFocus();
  if (VTS.SelectedCount() < 1) {
    SelectFirstRow();
  }
  LabAppCount.SetCaption(std::to_string(programs.Count()));
  VTS.Invalidate();
}

// The rows are walked with two rows in view ahead of the one matched: the
// one after next is fetched from memory and the next one's entry is looked
// for, so that the walk seldom waits for either. Each row's next sibling is
// taken before the row may be deleted.
void TFormPortolan::MatchRows(ProgramSet& programs) {
  ui::TTreeListNode* node = VTS.GetFirst();
  ui::TTreeListNode* next = VTS.GetNextSibling(node);
  while (node != nullptr) {
    ui::TTreeListNode* afterNext = VTS.GetNextSibling(next);
    if (afterNext != nullptr) {
      PrefetchObject(std::as_const(VTS).NodeData(*afterNext));
    }
    if (next != nullptr) {
      const TMyRec& coming = std::as_const(VTS).NodeData(*next);
      if (coming.Protocol == kProtocolTcp) {
        finder_->AnticipateTcp(coming);
      } else {
        finder_->AnticipateUdp(coming);
      }
    }
    MatchRow(*node, programs);
    node = next;
    next = afterNext;
  }
}

// Keeps the row if its entry is still there, updating a TCP row's state,
// and deletes it otherwise.
void TFormPortolan::MatchRow(ui::TTreeListNode& node, ProgramSet& programs) {
  const TMyRec& row = std::as_const(VTS).NodeData(node);
  bool matched = false;
  if (row.Protocol == kProtocolTcp) {
    File_Rec* entry = finder_->FindTcp(row);
    if (entry != nullptr && !HiddenAsLocal(row)) {
      matched = true;
      entry->Mark = kMarkMatched;
      std::string state = TcpStateName(entry->State);
      // Only what changes is written, so that the list knows which rows may
      // have moved.
      if (state != row.State) {
        TMyRec& changed = VTS.NodeData(node);
        changed.State = std::move(state);
        changed.Mark = kMarkChanged;
      } else if (!row.Mark.empty()) {
        VTS.NodeData(node).Mark.clear();
      }
    }
  } else if (File_Rec* entry = finder_->FindUdp(row); entry != nullptr) {
    matched = true;
    entry->Mark = kMarkMatched;
  }
  if (!matched) {
    VTS.DeleteNode(&node);
  } else if (!row.FilePath.empty()) {
    programs.Add(row.ProcessName);
  }
}

void TFormPortolan::AddRow(const File_Rec& entry, Protocol protocol, std::string_view mark,
                           ProgramSet& programs) {
  ui::TTreeListNode& node = *VTS.AddChild();
  TMyRec& row = VTS.NodeData(node);
  FillRow(row, entry, protocol);
  row.Mark = mark;
  if (!entry.FilePath.empty()) {
    programs.Add(entry.ProcessName);
  }
  if (HiddenAsLocal(row)) {
    VTS.DeleteNode(&node);
  }
}

void TFormPortolan::FillRow(TMyRec& row, const File_Rec& entry, Protocol protocol) const {
  const bool tcp = protocol == Protocol::Tcp;
  row.Protocol = tcp ? kProtocolTcp : kProtocolUdp;
  if (tcp) {
    row.State = TcpStateName(entry.State);
    row.RemoteIP = entry.RemoteIP;
    row.RemotePort = entry.RemotePort;
  }
  row.LocalIP = entry.LocalIP;
  row.LocalPort = entry.LocalPort;
  row.PID = entry.PID;
  row.ProcessName = entry.ProcessName;
  row.FilePath = entry.FilePath;
  row.FileDescription = Description(entry);
  row.Company = entry.Company;
}

std::string TFormPortolan::Description(const File_Rec& entry) const {
  if (!entry.FilePath.empty()) {
    return entry.FileDescription;
  }
  if (entry.ProcessName == kSystemProcess) {
    return FDescSystem;
  }
  // The idle pseudo-process: ID 0, named by the process snapshot.
  if (entry.PID == kIdleProcessId && !entry.ProcessName.empty()) {
    return FDescIdle;
  }
  return {};
}

bool TFormPortolan::HiddenAsLocal(const TMyRec& row) const {
  return !CBShowLocal.Checked() && row.Protocol == kProtocolTcp && row.LocalIP == kLoopback &&
         row.RemoteIP == kLoopback;
}

void TFormPortolan::SelectFirstRow() {
  if (ui::TTreeListNode* first = VTS.GetFirst()) {
    VTS.SetSelected(first, true);
    VTS.SetFocusedNode(first);
  }
}

void TFormPortolan::SortByHeader() { VTS.Sort(VTS.Header().SortColumn(), VTS.Header().SortDirection()); }

void TFormPortolan::VTSCompareNodes(const ui::TTreeListBase&, const ui::TTreeListNode* node1,
                                    const ui::TTreeListNode* node2, int column, int& result) const {
  const TMyRec* a = VTS.GetNodeData(node1);
  const TMyRec* b = VTS.GetNodeData(node2);
  if (a != nullptr && b != nullptr) {
    CompareRows(*a, *b, column, result);
  }
}

}  // namespace portolan
