#pragma once
// The order of a tree list's rows. The nodes stand in a row of blocks of at
// most a hundred or so, so that a node is inserted at or removed from any
// place, and its neighbours are found, without moving or touching all the
// others. A node knows its block and where in the block it stood when last
// looked at; a node moved by insertions and removals near it is found by
// looking outwards from there. A place is found by a binary search for the first node
// that fails a predicate holding for a prefix of the order. The order owns
// its nodes.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace portolan::ui {

struct NodeBlock;

// What every node of a tree list carries for its place in the order; the
// tree list adds the node's data.
class TTreeListNode {
 public:
  TTreeListNode() = default;
  TTreeListNode(const TTreeListNode&) = delete;
  TTreeListNode& operator=(const TTreeListNode&) = delete;
  virtual ~TTreeListNode() = default;

 private:
  friend class NodeOrder;
  friend class TTreeListBase;
  static constexpr std::size_t kNotTouched = static_cast<std::size_t>(-1);

  NodeBlock* block_ = nullptr;
  mutable std::size_t slotHint_ = 0;
  std::size_t touchedSlot_ = kNotTouched;  // place in the tree's list of touched nodes
};

using NodeOwner = std::unique_ptr<TTreeListNode>;

struct NodeBlock {
  std::vector<NodeOwner> nodes;  // never empty while the block is in the order
  std::size_t ordinal = 0;       // place among the blocks
};

class NodeOrder {
 public:
  // A place between two nodes: before the node at `slot` of block `block`.
  struct Place {
    std::size_t block = 0;
    std::size_t slot = 0;
    auto operator<=>(const Place&) const = default;
  };

  NodeOrder() = default;
  NodeOrder(const NodeOrder&) = delete;
  NodeOrder& operator=(const NodeOrder&) = delete;

  std::size_t Size() const { return size_; }
  TTreeListNode* First() const;
  TTreeListNode* Last() const;
  TTreeListNode* Next(const TTreeListNode& node) const;
  TTreeListNode* Previous(const TTreeListNode& node) const;
  std::size_t IndexOf(const TTreeListNode& node) const;
  Place PlaceOf(const TTreeListNode& node) const;

  // The place before the first node for which `holds`(node, its place) is
  // false; `holds` must be true for a prefix of the order and false for the
  // rest.
  template <typename Predicate>
  Place PartitionPoint(Predicate holds) const;
  Place End() const { return Place{blocks_.size(), 0}; }

  void Insert(Place place, NodeOwner node);
  NodeOwner Erase(TTreeListNode& node);

  // Every node, in order, leaving the order empty; and the way back.
  std::vector<NodeOwner> TakeAll();
  void Assign(std::vector<NodeOwner> nodes);

 private:
  static constexpr std::size_t kMaxBlock = 256;
  static constexpr std::size_t kFilledBlock = kMaxBlock * 3 / 4;

  static std::size_t SlotOf(const TTreeListNode& node);
  void Renumber(std::size_t fromBlock);

  std::vector<std::unique_ptr<NodeBlock>> blocks_;
  std::size_t size_ = 0;
};

template <typename Predicate>
NodeOrder::Place NodeOrder::PartitionPoint(Predicate holds) const {
  std::size_t low = 0;
  std::size_t high = blocks_.size();
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    const auto& nodes = blocks_[middle]->nodes;
    if (holds(*nodes.back(), Place{middle, nodes.size() - 1})) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  if (low == blocks_.size()) {
    return End();
  }
  const auto& nodes = blocks_[low]->nodes;
  std::size_t first = 0;
  std::size_t last = nodes.size() - 1;  // fails, as the search over blocks found
  while (first < last) {
    const std::size_t middle = first + (last - first) / 2;
    if (holds(*nodes[middle], Place{low, middle})) {
      first = middle + 1;
    } else {
      last = middle;
    }
  }
  return Place{low, first};
}

}  // namespace portolan::ui
