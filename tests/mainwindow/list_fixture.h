#pragma once
// What the connection list's tests share: entries built with few words, a
// window over a fake snapshot, and the list read back as records.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "mainwindow/form_portolan.h"
#include "tests/mainwindow/fake_snapshot.h"

namespace portolan::testing {

// A TCP connection of `name` (a program with a path) from local port `port`.
inline File_Rec Tcp(const std::string& port, std::int32_t state = 5, const std::string& name = "app.exe") {
  return File_Rec{.State = state,
                  .LocalIP = "10.0.0.2",
                  .LocalPort = port,
                  .RemoteIP = "10.0.0.9",
                  .RemotePort = "443",
                  .PID = "100",
                  .ProcessName = name,
                  .FilePath = "C:\\Apps\\" + name,
                  .FileDescription = "App",
                  .Company = "Maker",
                  .Mark = {}};
}

inline File_Rec Udp(const std::string& port, const std::string& name = "app.exe") {
  File_Rec entry = Tcp(port, 0, name);
  entry.RemoteIP.clear();
  entry.RemotePort.clear();
  return entry;
}

inline File_Rec Loopback(const std::string& port, const std::string& name = "app.exe") {
  File_Rec entry = Tcp(port, 5, name);
  entry.LocalIP = "127.0.0.1";
  entry.RemoteIP = "127.0.0.1";
  return entry;
}

inline std::vector<TMyRec> RowsOf(const TFormPortolan& form) {
  std::vector<TMyRec> rows;
  const auto& tree = std::as_const(form.VTS);
  for (const ui::TTreeListNode* n = tree.GetFirst(); n != nullptr; n = tree.GetNextSibling(n)) {
    rows.push_back(tree.NodeData(*n));
  }
  return rows;
}

inline std::optional<std::size_t> SelectedIndex(const TFormPortolan& form) {
  for (const ui::TTreeListNode* n = form.VTS.GetFirst(); n != nullptr; n = form.VTS.GetNextSibling(n)) {
    if (form.VTS.Selected(n)) {
      return form.VTS.Index(n);
    }
  }
  return std::nullopt;
}

inline ui::TTreeListNode* NodeAt(const TFormPortolan& form, std::size_t index) {
  ui::TTreeListNode* node = form.VTS.GetFirst();
  for (; node != nullptr && index > 0; --index) {
    node = form.VTS.GetNextSibling(node);
  }
  return node;
}

// A window over its own fake snapshot.
class ListTest : public ::testing::Test {
 protected:
  void Fill(FileTable tcp, FileTable udp = {}) {
    snapshot.SetNext(std::move(tcp), std::move(udp));
    form.FormCreate();
  }
  void Refresh(FileTable tcp, FileTable udp = {}) {
    snapshot.SetNext(std::move(tcp), std::move(udp));
    form.RefreshList();
  }
  std::vector<TMyRec> Rows() const { return RowsOf(form); }
  // One field of every row, in list order.
  std::vector<std::string> Column(std::string TMyRec::*field) const {
    std::vector<std::string> values;
    for (const TMyRec& row : Rows()) {
      values.push_back(row.*field);
    }
    return values;
  }
  const TMyRec* SelectedRow() const {
    const std::optional<std::size_t> index = SelectedIndex(form);
    return index ? std::as_const(form.VTS).GetNodeData(NodeAt(form, *index)) : nullptr;
  }
  const TMyRec* FocusedRow() const { return std::as_const(form.VTS).GetNodeData(form.VTS.FocusedNode()); }

  FakeSnapshot snapshot;
  TFormPortolan form{snapshot};
};

}  // namespace portolan::testing
