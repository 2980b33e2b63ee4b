#include "ui/node_order.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace portolan::ui {

TTreeListNode* NodeOrder::First() const {
  return blocks_.empty() ? nullptr : blocks_.front()->nodes.front().get();
}

// Looks outwards from where the node stood when last looked at.
std::size_t NodeOrder::SlotOf(const TTreeListNode& node) {
  const auto& nodes = node.block_->nodes;
  const std::size_t hint = std::min(node.slotHint_, nodes.size() - 1);
  for (std::size_t distance = 0; distance < nodes.size(); ++distance) {
    if (distance <= hint && nodes[hint - distance].get() == &node) {
      node.slotHint_ = hint - distance;
      return node.slotHint_;
    }
    if (hint + distance < nodes.size() && nodes[hint + distance].get() == &node) {
      node.slotHint_ = hint + distance;
      return node.slotHint_;
    }
  }
  return nodes.size();  // not reached: the node is in its block
}

NodeOrder::Place NodeOrder::PlaceOf(const TTreeListNode& node) const {
  return Place{node.block_->ordinal, SlotOf(node)};
}

TTreeListNode* NodeOrder::Last() const {
  return blocks_.empty() ? nullptr : blocks_.back()->nodes.back().get();
}

TTreeListNode* NodeOrder::Next(const TTreeListNode& node) const {
  const NodeBlock& block = *node.block_;
  const std::size_t slot = SlotOf(node);
  if (slot + 1 < block.nodes.size()) {
    return block.nodes[slot + 1].get();
  }
  if (block.ordinal + 1 < blocks_.size()) {
    return blocks_[block.ordinal + 1]->nodes.front().get();
  }
  return nullptr;
}

TTreeListNode* NodeOrder::Previous(const TTreeListNode& node) const {
  const NodeBlock& block = *node.block_;
  const std::size_t slot = SlotOf(node);
  if (slot > 0) {
    return block.nodes[slot - 1].get();
  }
  if (block.ordinal > 0) {
    return blocks_[block.ordinal - 1]->nodes.back().get();
  }
  return nullptr;
}

std::size_t NodeOrder::IndexOf(const TTreeListNode& node) const {
  std::size_t index = SlotOf(node);
  for (std::size_t b = 0; b < node.block_->ordinal; ++b) {
    index += blocks_[b]->nodes.size();
  }
  return index;
}

void NodeOrder::Insert(Place place, NodeOwner node) {
  if (place.block == blocks_.size()) {
    if (blocks_.empty()) {
      blocks_.push_back(std::make_unique<NodeBlock>());
    }
    place.block = blocks_.size() - 1;
    place.slot = blocks_.back()->nodes.size();
  }
  NodeBlock& block = *blocks_[place.block];
  node->block_ = &block;
  node->slotHint_ = place.slot;
  block.nodes.insert(block.nodes.begin() + static_cast<std::ptrdiff_t>(place.slot), std::move(node));
  ++size_;
  if (block.nodes.size() <= kMaxBlock) {
    return;
  }
  // Split the full block in two halves.
  auto second = std::make_unique<NodeBlock>();
  const auto middle = block.nodes.begin() + static_cast<std::ptrdiff_t>(block.nodes.size() / 2);
  second->nodes.assign(std::make_move_iterator(middle), std::make_move_iterator(block.nodes.end()));
  block.nodes.erase(middle, block.nodes.end());
  for (std::size_t slot = 0; slot < second->nodes.size(); ++slot) {
    second->nodes[slot]->block_ = second.get();
    second->nodes[slot]->slotHint_ = slot;
  }
  blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(place.block + 1), std::move(second));
  Renumber(place.block + 1);
}

NodeOwner NodeOrder::Erase(TTreeListNode& node) {
  NodeBlock& block = *node.block_;
  const std::size_t slot = SlotOf(node);
  NodeOwner owned = std::move(block.nodes[slot]);
  block.nodes.erase(block.nodes.begin() + static_cast<std::ptrdiff_t>(slot));
  --size_;
  owned->block_ = nullptr;
  if (!block.nodes.empty()) {
    return owned;
  }
  const std::size_t ordinal = block.ordinal;
  blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(ordinal));
  Renumber(ordinal);
  return owned;
}

std::vector<NodeOwner> NodeOrder::TakeAll() {
  std::vector<NodeOwner> nodes;
  nodes.reserve(size_);
  for (auto& block : blocks_) {
    for (NodeOwner& node : block->nodes) {
      node->block_ = nullptr;
      nodes.push_back(std::move(node));
    }
  }
  blocks_.clear();
  size_ = 0;
  return nodes;
}

void NodeOrder::Assign(std::vector<NodeOwner> nodes) {
  blocks_.clear();
  size_ = nodes.size();
  for (std::size_t start = 0; start < nodes.size(); start += kFilledBlock) {
    auto block = std::make_unique<NodeBlock>();
    block->ordinal = blocks_.size();
    const std::size_t end = std::min(nodes.size(), start + kFilledBlock);
    block->nodes.reserve(kMaxBlock + 1);
    for (std::size_t i = start; i < end; ++i) {
      nodes[i]->block_ = block.get();
      nodes[i]->slotHint_ = i - start;
      block->nodes.push_back(std::move(nodes[i]));
    }
    blocks_.push_back(std::move(block));
  }
}

void NodeOrder::Renumber(std::size_t fromBlock) {
  for (std::size_t b = fromBlock; b < blocks_.size(); ++b) {
    blocks_[b]->ordinal = b;
  }
}

}  // namespace portolan::ui
