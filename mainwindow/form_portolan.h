#pragma once
// The main window, as far as it is portable: its components and fixed
// texts, and the connection list's logic. The list holds one row per
// endpoint of the latest snapshot; FillList builds it once, RefreshList
// merges every later snapshot into it, marking new rows "add" and TCP rows
// whose state changed "md", and both keep the program and connection counts
// above the list up to date.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "mainwindow/entry_finder.h"
#include "mainwindow/my_rec.h"
#include "mainwindow/program_set.h"
#include "snapshot/endpoint_snapshot.h"
#include "ui/check_box.h"
#include "ui/component.h"
#include "ui/label.h"
#include "ui/tree_list.h"

namespace portolan {

class TFormPortolan final : public ui::TComponent {
 public:
  // The snapshot must outlive the window. The finder is the program's hashed
  // one unless another is given.
  explicit TFormPortolan(EndpointSnapshot& snapshot);
  TFormPortolan(EndpointSnapshot& snapshot, std::unique_ptr<EntryFinder> finder);

  // Runs once, right after the window is made: prepares the list and fills
  // it from the first snapshot.
  void FormCreate();

  // "关闭" to "删除" for the states 1 to 12, "未知状态" and the number otherwise.
  static std::string TcpStateName(std::int32_t state);
  // The first fill of an empty list.
  void FillList();
  // Brings the list up to date with a new snapshot.
  void RefreshList();
  void VTSCompareNodes(const ui::TTreeListBase& sender, const ui::TTreeListNode* node1,
                       const ui::TTreeListNode* node2, int column, int& result) const;

  ui::TTreeList<TMyRec>& VTS;
  ui::TCheckBox& CBShowLocal;  // unchecked: loopback TCP connections are hidden
  ui::TLabel& LabAppCount;     // the number of programs
  ui::TLabel& LabNetCount;     // the number of rows

  const std::string FDescSystem;  // the description of the process "System"
  const std::string FDescIdle;    // the description of the idle pseudo-process

 private:
  enum class Protocol { Tcp, Udp };

  // The description of an entry's row: its own, or for an entry without a
  // path the fixed text of the System or the idle process, or empty.
  std::string Description(const File_Rec& entry) const;
  // Fills a new row's empty record from its entry.
  void FillRow(TMyRec& row, const File_Rec& entry, Protocol protocol) const;
  // A TCP connection from 127.0.0.1 to 127.0.0.1 while local connections
  // are not shown.
  bool HiddenAsLocal(const TMyRec& row) const;
  // Adds the entry's row with `mark`, counts its program, and deletes the
  // row again when it is hidden.
  void AddRow(const File_Rec& entry, Protocol protocol, std::string_view mark, ProgramSet& programs);
  // Keeps the rows whose entry is still there, deletes the others.
  void MatchRows(ProgramSet& programs);
  void MatchRow(ui::TTreeListNode& node, ProgramSet& programs);
  void SelectFirstRow();
  void SortByHeader();

  EndpointSnapshot& snapshot_;
  std::unique_ptr<EntryFinder> finder_;
  bool FLoading = false;
};

}  // namespace portolan
