#pragma once
// Where a refresh finds the snapshot entry that an existing row stands for.
// A TCP row stands for an entry of the TCP table with the same PID,
// LocalIP, LocalPort, RemoteIP and RemotePort; a UDP row for an entry of the
// UDP table with the same PID, LocalIP and LocalPort; every field compared
// byte for byte. Of several such entries the row takes the first, in table
// order, that no other row has taken: one marked "ok" is passed over, so
// that each entry is matched by at most one row.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "mainwindow/my_rec.h"
#include "snapshot/file_rec.h"

namespace portolan {

class EntryFinder {
 public:
  EntryFinder() = default;
  EntryFinder(const EntryFinder&) = delete;
  EntryFinder& operator=(const EntryFinder&) = delete;
  virtual ~EntryFinder() = default;

  // Takes the tables of a new snapshot, which keep their entries in place
  // until the next Reset.
  virtual void Reset(FileTable& tcpTable, FileTable& udpTable) = 0;
  // The first entry with the row's key that is not marked "ok", or null.
  virtual File_Rec* FindTcp(const TMyRec& row) = 0;
  virtual File_Rec* FindUdp(const TMyRec& row) = 0;
  // Tells the finder which row it is asked about next, so that it may start
  // reading what it needs for it.
  virtual void AnticipateTcp(const TMyRec& row) { static_cast<void>(row); }
  virtual void AnticipateUdp(const TMyRec& row) { static_cast<void>(row); }
};

// A hashed index of one table: key to its entries in table order, each key
// remembering how far its entries have been taken. Building it and every
// look-up cost time linear in the key's length. A look-up announced with
// Anticipate finds its slot already on the way and its hash computed.
template <std::size_t KeyFields>
class EntryIndex {
 public:
  using Key = std::array<std::string_view, KeyFields>;
  using KeyOf = Key (*)(const File_Rec&);

  explicit EntryIndex(KeyOf keyOf) : keyOf_(keyOf) {}
  void Build(FileTable& table);
  // The texts of the key must stay as they are until its look-up.
  void Anticipate(const Key& key);
  File_Rec* FirstUnmatched(const Key& key);

 private:
  // Entry numbers are 32-bit, as the system's tables count their rows; a
  // table beyond that is indexed up to its 2^32 - 1st entry.
  using Entry = std::uint32_t;
  static constexpr Entry kNone = static_cast<Entry>(-1);
  struct Slot {
    std::uint32_t hash = 0;  // the low bits of the key's hash
    Entry head = kNone;      // the first entry of the key, or kNone for a free slot
    Entry cursor = kNone;    // no entry of the key before it is free
  };
  static std::size_t Hash(const Key& key);
  std::size_t HashOf(const Key& key) const;
  Slot& FindSlot(const Key& key, std::size_t hash);

  KeyOf keyOf_;
  FileTable* table_ = nullptr;
  std::size_t mask_ = 0;
  std::vector<Slot> slots_;
  std::vector<Entry> next_;  // per entry: the next entry of its key
  std::vector<Entry> last_;  // per first entry: the last entry of its key
  // The keys announced last (the very texts, not copies) and their hashes:
  // a look-up comes one announcement after its own.
  struct Announced {
    Key key{};
    std::size_t hash = 0;
  };
  std::array<Announced, 2> announced_{};
  std::size_t lastAnnounced_ = 0;
};

// The program's finder.
class HashedEntryFinder final : public EntryFinder {
 public:
  HashedEntryFinder();
  void Reset(FileTable& tcpTable, FileTable& udpTable) override;
  File_Rec* FindTcp(const TMyRec& row) override;
  File_Rec* FindUdp(const TMyRec& row) override;
  void AnticipateTcp(const TMyRec& row) override;
  void AnticipateUdp(const TMyRec& row) override;

 private:
  EntryIndex<5> tcp_;
  EntryIndex<3> udp_;
};

}  // namespace portolan
