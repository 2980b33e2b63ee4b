#include "mainwindow/entry_finder.h"

#include <algorithm>
#include <bit>
#include <functional>

#include "mainwindow/prefetch.h"

namespace portolan {
namespace {

template <typename Record>
EntryIndex<5>::Key TcpKey(const Record& r) {
  return {r.PID, r.LocalIP, r.LocalPort, r.RemoteIP, r.RemotePort};
}

template <typename Record>
EntryIndex<3>::Key UdpKey(const Record& r) {
  return {r.PID, r.LocalIP, r.LocalPort};
}

}  // namespace

template <std::size_t KeyFields>
std::size_t EntryIndex<KeyFields>::Hash(const Key& key) {
  std::size_t hash = 0;
  for (const std::string_view field : key) {
    hash ^= std::hash<std::string_view>{}(field) + 0x9e3779b97f4a7c15U + (hash << 6) + (hash >> 2);
  }
  return hash;
}

template <std::size_t KeyFields>
std::size_t EntryIndex<KeyFields>::HashOf(const Key& key) const {
  const auto sameTexts = [](std::string_view a, std::string_view b) {
    return a.data() == b.data() && a.size() == b.size();
  };
  for (const Announced& announced : announced_) {
    if (std::equal(key.begin(), key.end(), announced.key.begin(), sameTexts)) {
      return announced.hash;
    }
  }
  return Hash(key);
}

template <std::size_t KeyFields>
void EntryIndex<KeyFields>::Anticipate(const Key& key) {
  if (slots_.empty()) {
    return;
  }
  lastAnnounced_ = 1 - lastAnnounced_;
  announced_[lastAnnounced_] = Announced{key, Hash(key)};
  Prefetch(&slots_[announced_[lastAnnounced_].hash & mask_]);
}

template <std::size_t KeyFields>
typename EntryIndex<KeyFields>::Slot& EntryIndex<KeyFields>::FindSlot(const Key& key, std::size_t hash) {
  const auto tag = static_cast<std::uint32_t>(hash);
  for (std::size_t at = hash & mask_;; at = (at + 1) & mask_) {
    Slot& slot = slots_[at];
    if (slot.head == kNone || (slot.hash == tag && keyOf_((*table_)[slot.head]) == key)) {
      return slot;
    }
  }
}

template <std::size_t KeyFields>
void EntryIndex<KeyFields>::Build(FileTable& table) {
  table_ = &table;
  const Entry count = static_cast<Entry>(std::min<std::size_t>(table.size(), kNone));
  // At most half of the slots are taken, so every probe ends soon.
  slots_.assign(std::bit_ceil(std::max<std::size_t>(16, 2 * std::size_t{count})), Slot{});
  mask_ = slots_.size() - 1;
  next_.assign(count, kNone);
  last_.resize(count);
  announced_ = {};
  for (Entry i = 0; i < count; ++i) {
    const Key key = keyOf_(table[i]);
    const std::size_t hash = Hash(key);
    Slot& slot = FindSlot(key, hash);
    if (slot.head == kNone) {
      slot = Slot{static_cast<std::uint32_t>(hash), i, i};
      last_[i] = i;
    } else {
      next_[last_[slot.head]] = i;
      last_[slot.head] = i;
    }
  }
}

template <std::size_t KeyFields>
File_Rec* EntryIndex<KeyFields>::FirstUnmatched(const Key& key) {
  if (table_ == nullptr) {
    return nullptr;
  }
  Slot& slot = FindSlot(key, HashOf(key));
  Entry entry = slot.cursor;  // kNone for a free slot
  while (entry != kNone && (*table_)[entry].Mark == kMarkMatched) {
    entry = next_[entry];
  }
  if (slot.head != kNone) {
    slot.cursor = entry;
  }
  return entry == kNone ? nullptr : &(*table_)[entry];
}

template class EntryIndex<5>;
template class EntryIndex<3>;

HashedEntryFinder::HashedEntryFinder() : tcp_(TcpKey<File_Rec>), udp_(UdpKey<File_Rec>) {}

void HashedEntryFinder::Reset(FileTable& tcpTable, FileTable& udpTable) {
  tcp_.Build(tcpTable);
  udp_.Build(udpTable);
}

File_Rec* HashedEntryFinder::FindTcp(const TMyRec& row) { return tcp_.FirstUnmatched(TcpKey(row)); }

File_Rec* HashedEntryFinder::FindUdp(const TMyRec& row) { return udp_.FirstUnmatched(UdpKey(row)); }

void HashedEntryFinder::AnticipateTcp(const TMyRec& row) { tcp_.Anticipate(TcpKey(row)); }

void HashedEntryFinder::AnticipateUdp(const TMyRec& row) { udp_.Anticipate(UdpKey(row)); }

}  // namespace portolan
