#pragma once
// The tree list: a flat list of rows, each a node holding one record of the
// list's data type, with single selection, a focused row, a header that
// names the sort column and direction, a stable sort through the compare
// handler, and automatic sorting. It keeps no text of its own: a native peer
// asks the window's handlers for what it shows.
//
// With automatic sorting on, after every AddChild the rows stand exactly as
// a full stable sort by the header's column and direction would leave them,
// the new row (whose record is still empty) included. The list gets there
// without sorting everything: it remembers which records were handed out
// for writing (GetNodeData or NodeData of a non-const list) since it last
// ordered its rows, and moves only those now out of place. So a record is
// written right after it was asked for, before the rows change again;
// reading it through a const list tells the list nothing. The usual
// insertion, one row written since the previous one, costs about two binary
// searches, and a new row that sorts where the previous one stood needs
// just two comparisons to be placed.

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "ui/component.h"
#include "ui/node_order.h"

namespace portolan::ui {

enum class TSortDirection { Ascending, Descending };

class TTreeListBase;

// The list's header: the sort column (-1 for none) and the sort direction.
// A change of either re-sorts the rows at once while automatic sorting is on.
class TTreeHeader {
 public:
  explicit TTreeHeader(TTreeListBase& tree) : tree_(tree) {}
  TTreeHeader(const TTreeHeader&) = delete;
  TTreeHeader& operator=(const TTreeHeader&) = delete;

  int SortColumn() const { return sortColumn_; }
  void SetSortColumn(int column);
  TSortDirection SortDirection() const { return sortDirection_; }
  void SetSortDirection(TSortDirection direction);

 private:
  TTreeListBase& tree_;
  int sortColumn_ = -1;
  TSortDirection sortDirection_ = TSortDirection::Ascending;
};

// Everything of the tree list but the type of its records. Nodes passed in
// must be nodes of this list; a null node is accepted everywhere and
// changes nothing.
class TTreeListBase : public TComponent {
 public:
  explicit TTreeListBase(TComponent* owner);
  ~TTreeListBase() override;

  // Appends a row with an empty record; with automatic sorting on, the rows
  // are then in sorted order.
  TTreeListNode* AddChild();
  // Removes the row: the rows after it move up one place, the free-node
  // event is raised while the record can still be read, and the row's
  // selection and focus go with it.
  void DeleteNode(TTreeListNode* node);
  // Deletes every row, first to last.
  void Clear();

  std::size_t TotalCount() const { return order_.Size(); }
  TTreeListNode* GetFirst() const { return order_.First(); }
  TTreeListNode* GetNextSibling(const TTreeListNode* node) const;
  // The row's place, counted from 0.
  std::size_t Index(const TTreeListNode* node) const;

  // Single selection: selecting a row clears the selection of any other.
  bool Selected(const TTreeListNode* node) const { return node != nullptr && node == selected_; }
  void SetSelected(TTreeListNode* node, bool selected);
  std::size_t SelectedCount() const { return selected_ == nullptr ? 0 : 1; }
  TTreeListNode* FocusedNode() const { return focused_; }
  void SetFocusedNode(TTreeListNode* node) { focused_ = node; }

  TTreeHeader& Header() { return header_; }
  const TTreeHeader& Header() const { return header_; }
  // The automatic-sort option; switching it on sorts the rows.
  bool AutoSort() const { return autoSort_; }
  void SetAutoSort(bool autoSort);
  // Sorts every row, stably, by the column and direction given; by the
  // header's, only the rows written since the list last ordered its rows
  // can move.
  void Sort(int column, TSortDirection direction);

  // The input focus, and a request to repaint; both are the native peer's
  // to carry out.
  bool Focused() const { return hasInputFocus_; }
  void SetFocus() { hasInputFocus_ = true; }
  void Invalidate();

  // Answers below 0, 0 or above 0 in `result` (0 on entry) for node1
  // against node2 in `column`; it must be a strict weak ordering. Assign it
  // before the first row is added.
  std::function<void(const TTreeListBase& sender, const TTreeListNode* node1, const TTreeListNode* node2,
                     int column, int& result)>
      OnCompareNodes;
  std::function<void(TTreeListBase& sender, TTreeListNode* node)> OnFreeNode;
  std::function<void(TTreeListBase& sender)> OnInvalidate;

 protected:
  virtual NodeOwner NewNode() const = 0;
  // Notes that the node's record may be written.
  void Touch(TTreeListNode& node);

 private:
  friend class TTreeHeader;
  struct SortKey {
    int column;
    TSortDirection direction;
  };

  SortKey HeaderKey() const { return {header_.SortColumn(), header_.SortDirection()}; }
  void HeaderChanged();
  // The compare handler's answer with the direction applied: below 0 when
  // a sorts before b, 0 when they sort equal.
  int Order(const TTreeListNode& a, const TTreeListNode& b, SortKey key) const;
  bool InPlace(const TTreeListNode& node) const;
  NodeOrder::Place SortedPlace(const TTreeListNode& node) const;
  bool BelongsBefore(const TTreeListNode& node, const TTreeListNode* next) const;
  NodeOrder::Place PlaceBefore(const TTreeListNode* next) const;
  // Brings the rows into the header's order after records were written.
  void Resort();
  void SortAll(SortKey key);
  void MoveToSortedPlace(TTreeListNode& node);
  void ForgetTouched();
  void Untouch(TTreeListNode& node);

  NodeOrder order_;
  TTreeHeader header_;
  bool autoSort_ = false;
  // The rows stand in the header's order, but for the touched ones.
  bool inHeaderOrder_ = true;
  std::vector<TTreeListNode*> touched_;
  TTreeListNode* selected_ = nullptr;
  TTreeListNode* focused_ = nullptr;
  TTreeListNode* lastAdded_ = nullptr;  // by AddChild, while it is there
  bool hasInputFocus_ = false;
};

// The tree list whose every node holds one `Data`, value-initialised (every
// field empty) when the node is made.
template <typename Data>
class TTreeList final : public TTreeListBase {
 public:
  static constexpr std::size_t NodeDataSize = sizeof(Data);

  using TTreeListBase::TTreeListBase;
  // Frees the rows while the records' type is still whole.
  ~TTreeList() override { Clear(); }
  TTreeList(const TTreeList&) = delete;
  TTreeList& operator=(const TTreeList&) = delete;

  // The node's record; null for no node. Through a non-const list the
  // record may be written.
  Data* GetNodeData(TTreeListNode* node) { return node == nullptr ? nullptr : &NodeData(*node); }
  const Data* GetNodeData(const TTreeListNode* node) const {
    return node == nullptr ? nullptr : &NodeData(*node);
  }
  Data& NodeData(TTreeListNode& node) {
    Touch(node);
    return static_cast<Node&>(node).data;
  }
  const Data& NodeData(const TTreeListNode& node) const { return static_cast<const Node&>(node).data; }

 private:
  struct Node final : TTreeListNode {
    Data data{};
  };

  NodeOwner NewNode() const override { return std::make_unique<Node>(); }
};

}  // namespace portolan::ui
