#include "ui/tree_list.h"

#include <algorithm>
#include <utility>

namespace portolan::ui {

void TTreeHeader::SetSortColumn(int column) {
  if (column != sortColumn_) {
    sortColumn_ = column;
    tree_.HeaderChanged();
  }
}

void TTreeHeader::SetSortDirection(TSortDirection direction) {
  if (direction != sortDirection_) {
    sortDirection_ = direction;
    tree_.HeaderChanged();
  }
}

TTreeListBase::TTreeListBase(TComponent* owner) : TComponent(owner), header_(*this) {}

TTreeListBase::~TTreeListBase() { Clear(); }

TTreeListNode* TTreeListBase::AddChild() {
  NodeOwner owned = NewNode();
  TTreeListNode& node = *owned;
  if (!autoSort_) {
    order_.Insert(order_.End(), std::move(owned));
    inHeaderOrder_ = false;
    ForgetTouched();
    return &node;
  }
  // New rows, being empty, mostly sort to one place: where the previous new
  // row stood before it moves on, that is before the row that followed it.
  const TTreeListNode* follower = lastAdded_ == nullptr ? nullptr : order_.Next(*lastAdded_);
  const bool guess = lastAdded_ != nullptr;
  Resort();
  order_.Insert(guess && BelongsBefore(node, follower) ? PlaceBefore(follower) : SortedPlace(node),
                std::move(owned));
  lastAdded_ = &node;
  return &node;
}

// The new row comes last before sorting, so it goes after every row that
// does not sort behind it.
NodeOrder::Place TTreeListBase::SortedPlace(const TTreeListNode& node) const {
  const SortKey key = HeaderKey();
  return order_.PartitionPoint(
      [&](const TTreeListNode& other, NodeOrder::Place) { return Order(other, node, key) <= 0; });
}

// Whether that place, before `next` (or at the end), is the new row's sorted
// place: the row before it does not sort behind the new one, `next` does.
bool TTreeListBase::BelongsBefore(const TTreeListNode& node, const TTreeListNode* next) const {
  const SortKey key = HeaderKey();
  const TTreeListNode* previous = next == nullptr ? order_.Last() : order_.Previous(*next);
  return (previous == nullptr || Order(*previous, node, key) <= 0) &&
         (next == nullptr || Order(*next, node, key) > 0);
}

NodeOrder::Place TTreeListBase::PlaceBefore(const TTreeListNode* next) const {
  return next == nullptr ? order_.End() : order_.PlaceOf(*next);
}

void TTreeListBase::DeleteNode(TTreeListNode* node) {
  if (node == nullptr) {
    return;
  }
  if (selected_ == node) {
    selected_ = nullptr;
  }
  if (focused_ == node) {
    focused_ = nullptr;
  }
  if (lastAdded_ == node) {
    lastAdded_ = nullptr;
  }
  Untouch(*node);
  const NodeOwner owned = order_.Erase(*node);
  if (OnFreeNode) {
    OnFreeNode(*this, node);
  }
}

void TTreeListBase::Clear() {
  while (TTreeListNode* first = order_.First()) {
    DeleteNode(first);
  }
}

TTreeListNode* TTreeListBase::GetNextSibling(const TTreeListNode* node) const {
  return node == nullptr ? nullptr : order_.Next(*node);
}

std::size_t TTreeListBase::Index(const TTreeListNode* node) const {
  return node == nullptr ? 0 : order_.IndexOf(*node);
}

void TTreeListBase::SetSelected(TTreeListNode* node, bool selected) {
  if (node == nullptr) {
    return;
  }
  if (selected) {
    selected_ = node;
  } else if (selected_ == node) {
    selected_ = nullptr;
  }
}

void TTreeListBase::SetAutoSort(bool autoSort) {
  if (autoSort == autoSort_) {
    return;
  }
  autoSort_ = autoSort;
  if (autoSort_) {
    Resort();
  }
}

void TTreeListBase::Sort(int column, TSortDirection direction) {
  const SortKey header = HeaderKey();
  if (column == header.column && direction == header.direction) {
    Resort();
    return;
  }
  SortAll(SortKey{column, direction});
  inHeaderOrder_ = false;
  ForgetTouched();
}

void TTreeListBase::HeaderChanged() {
  inHeaderOrder_ = false;
  if (autoSort_) {
    Resort();
  }
}

void TTreeListBase::Invalidate() {
  if (OnInvalidate) {
    OnInvalidate(*this);
  }
}

void TTreeListBase::Touch(TTreeListNode& node) {
  // A node being freed is no longer in the order.
  if (inHeaderOrder_ && node.block_ != nullptr && node.touchedSlot_ == TTreeListNode::kNotTouched) {
    node.touchedSlot_ = touched_.size();
    touched_.push_back(&node);
  }
}

void TTreeListBase::Untouch(TTreeListNode& node) {
  if (node.touchedSlot_ == TTreeListNode::kNotTouched) {
    return;
  }
  TTreeListNode* last = touched_.back();
  touched_[node.touchedSlot_] = last;
  last->touchedSlot_ = node.touchedSlot_;
  touched_.pop_back();
  node.touchedSlot_ = TTreeListNode::kNotTouched;
}

void TTreeListBase::ForgetTouched() {
  for (TTreeListNode* node : touched_) {
    node->touchedSlot_ = TTreeListNode::kNotTouched;
  }
  touched_.clear();
}

int TTreeListBase::Order(const TTreeListNode& a, const TTreeListNode& b, SortKey key) const {
  int result = 0;
  if (OnCompareNodes) {
    OnCompareNodes(*this, &a, &b, key.column, result);
  }
  const int sign = (result > 0) - (result < 0);
  return key.direction == TSortDirection::Ascending ? sign : -sign;
}

bool TTreeListBase::InPlace(const TTreeListNode& node) const {
  const SortKey key = HeaderKey();
  const TTreeListNode* previous = order_.Previous(node);
  const TTreeListNode* next = order_.Next(node);
  return (previous == nullptr || Order(*previous, node, key) <= 0) &&
         (next == nullptr || Order(node, *next, key) <= 0);
}

void TTreeListBase::Resort() {
  if (!inHeaderOrder_) {
    SortAll(HeaderKey());
    inHeaderOrder_ = true;
    ForgetTouched();
    return;
  }
  // Every pair of neighbours in order means every row in order. A single
  // row out of place moves alone, if the rows around it are in order
  // without it; anything else sorts all.
  std::vector<TTreeListNode*> misplaced;
  for (TTreeListNode* node : touched_) {
    if (!InPlace(*node)) {
      misplaced.push_back(node);
    }
  }
  ForgetTouched();
  if (misplaced.empty()) {
    return;
  }
  if (misplaced.size() == 1) {
    const TTreeListNode* previous = order_.Previous(*misplaced.front());
    const TTreeListNode* next = order_.Next(*misplaced.front());
    if (previous == nullptr || next == nullptr || Order(*previous, *next, HeaderKey()) <= 0) {
      MoveToSortedPlace(*misplaced.front());
      return;
    }
  }
  SortAll(HeaderKey());
}

void TTreeListBase::SortAll(SortKey key) {
  bool sorted = true;
  for (const TTreeListNode* node = order_.First(); sorted && node != nullptr;) {
    const TTreeListNode* next = order_.Next(*node);
    sorted = next == nullptr || Order(*node, *next, key) <= 0;
    node = next;
  }
  if (sorted) {
    return;
  }
  std::vector<NodeOwner> nodes = order_.TakeAll();
  std::stable_sort(nodes.begin(), nodes.end(),
                   [&](const NodeOwner& a, const NodeOwner& b) { return Order(*a, *b, key) < 0; });
  order_.Assign(std::move(nodes));
}

// Moves a node whose record changed to where a stable sort puts it: after
// the rows that sort before it, and among the rows that sort equal to it,
// after those that stood before it.
void TTreeListBase::MoveToSortedPlace(TTreeListNode& node) {
  const SortKey key = HeaderKey();
  const TTreeListNode* follower = order_.Next(node);
  NodeOwner owned = order_.Erase(node);
  const NodeOrder::Place old = follower == nullptr ? order_.End() : order_.PlaceOf(*follower);
  const NodeOrder::Place place = order_.PartitionPoint([&](const TTreeListNode& other, NodeOrder::Place at) {
    const int order = Order(other, node, key);
    return order < 0 || (order == 0 && at < old);
  });
  order_.Insert(place, std::move(owned));
}

}  // namespace portolan::ui
