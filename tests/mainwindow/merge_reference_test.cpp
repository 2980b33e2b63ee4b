// The program's hashed merge against the plain linear search, over random
// snapshot sequences with repeated keys, loopback connections, state
// changes and the user changing the sort, the selection and the show-local
// option in between.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tests/mainwindow/linear_entry_finder.h"
#include "tests/mainwindow/list_fixture.h"

namespace portolan::testing {
namespace {

class SnapshotGenerator {
 public:
  explicit SnapshotGenerator(unsigned seed) : random_(seed) {}

  File_Rec Entry(bool tcp) {
    static constexpr const char* kPids[] = {"0", "4", "100", "200"};
    static constexpr const char* kAddresses[] = {"127.0.0.1", "10.0.0.2", "0.0.0.0", "192.168.0.10"};
    static constexpr const char* kPorts[] = {"80", "443", "8080", "53", "9"};
    static constexpr const char* kNames[] = {"a.exe", "ab", "ab.exe", "System", "", "svchost.exe"};
    File_Rec entry;
    entry.PID = Pick(kPids);
    entry.LocalIP = Pick(kAddresses);
    entry.LocalPort = Pick(kPorts);
    entry.ProcessName = Pick(kNames);
    if (Chance(70)) {
      entry.FilePath = (Chance(50) ? "C:\\A\\" : "D:\\B\\") + entry.ProcessName;
      entry.FileDescription = "desc " + entry.ProcessName;
      entry.Company = Chance(50) ? "Maker" : "";
    }
    if (tcp) {
      entry.State = static_cast<std::int32_t>(random_() % 14);
      entry.RemoteIP = Pick(kAddresses);
      entry.RemotePort = Pick(kPorts);
    }
    return entry;
  }

  // The next snapshot: most entries stay, some change state or details,
  // some go, some come, sometimes in another order.
  FileTable Next(const FileTable& previous, bool tcp) {
    FileTable next;
    for (const File_Rec& entry : previous) {
      if (Chance(15)) {
        continue;
      }
      File_Rec kept = entry;
      if (tcp && Chance(20)) {
        kept.State = static_cast<std::int32_t>(random_() % 14);
      }
      if (Chance(5)) {
        kept.ProcessName = "renamed.exe";
      }
      next.push_back(kept);
    }
    const std::size_t added = random_() % 8;
    for (std::size_t i = 0; i < added; ++i) {
      next.push_back(Entry(tcp));
    }
    if (Chance(20)) {
      std::shuffle(next.begin(), next.end(), random_);
    }
    return next;
  }

  bool Chance(unsigned percent) { return random_() % 100 < percent; }
  std::size_t Below(std::size_t count) { return count == 0 ? 0 : random_() % count; }

 private:
  template <std::size_t N>
  const char* Pick(const char* const (&values)[N]) {
    return values[random_() % N];
  }

  std::mt19937 random_;
};

struct Pair {
  FakeSnapshot fastSnapshot;
  FakeSnapshot referenceSnapshot;
  TFormPortolan fast{fastSnapshot};
  TFormPortolan reference{referenceSnapshot, std::make_unique<LinearEntryFinder>()};

  void SetNext(const FileTable& tcp, const FileTable& udp) {
    fastSnapshot.SetNext(tcp, udp);
    referenceSnapshot.SetNext(tcp, udp);
  }
  template <typename Action>
  void Both(Action action) {
    action(fast);
    action(reference);
  }
};

void ExpectSame(const Pair& pair, int step) {
  SCOPED_TRACE("step " + std::to_string(step));
  ASSERT_EQ(RowsOf(pair.fast), RowsOf(pair.reference));
  EXPECT_EQ(SelectedIndex(pair.fast), SelectedIndex(pair.reference));
  const auto focused = [](const TFormPortolan& form) {
    return form.VTS.FocusedNode() == nullptr ? -1 : static_cast<long>(form.VTS.Index(form.VTS.FocusedNode()));
  };
  EXPECT_EQ(focused(pair.fast), focused(pair.reference));
  EXPECT_EQ(pair.fast.LabAppCount.Caption(), pair.reference.LabAppCount.Caption());
  EXPECT_EQ(pair.fast.LabNetCount.Caption(), pair.reference.LabNetCount.Caption());
  EXPECT_EQ(pair.fastSnapshot.TcpTable, pair.referenceSnapshot.TcpTable);
  EXPECT_EQ(pair.fastSnapshot.UdpTable, pair.referenceSnapshot.UdpTable);
}

class MergeAgainstReference : public ::testing::TestWithParam<unsigned> {};

TEST_P(MergeAgainstReference, SameRowsOrderMarkersSelectionAndCounts) {
  SnapshotGenerator generator(GetParam());
  FileTable tcp;
  FileTable udp;
  for (int i = 0; i < 30; ++i) {
    tcp.push_back(generator.Entry(true));
    udp.push_back(generator.Entry(false));
  }
  Pair pair;
  pair.SetNext(tcp, udp);
  pair.Both([](TFormPortolan& form) { form.FormCreate(); });
  ExpectSame(pair, 0);

  for (int step = 1; step <= 150 && !HasFatalFailure(); ++step) {
    if (generator.Chance(10)) {
      const bool show = generator.Chance(50);
      pair.Both([&](TFormPortolan& form) { form.CBShowLocal.SetChecked(show); });
    }
    if (generator.Chance(10)) {
      const int column = static_cast<int>(generator.Below(16)) - 1;
      const auto direction =
          generator.Chance(50) ? ui::TSortDirection::Ascending : ui::TSortDirection::Descending;
      pair.Both([&](TFormPortolan& form) {
        form.VTS.Header().SetSortColumn(column);
        form.VTS.Header().SetSortDirection(direction);
      });
    }
    if (generator.Chance(30)) {
      const std::size_t index = generator.Below(pair.fast.VTS.TotalCount());
      const bool select = generator.Chance(80);
      pair.Both([&](TFormPortolan& form) {
        ui::TTreeListNode* node = NodeAt(form, index);
        form.VTS.SetSelected(node, select);
        form.VTS.SetFocusedNode(node);
      });
    }
    if (generator.Chance(20)) {
      // Occasionally the same keys twice in a row.
      const std::size_t at = generator.Below(tcp.size());
      if (!tcp.empty()) {
        tcp.push_back(tcp[at]);
      }
    }
    tcp = generator.Chance(3) ? FileTable{} : generator.Next(tcp, true);
    udp = generator.Next(udp, false);
    pair.SetNext(tcp, udp);
    pair.Both([](TFormPortolan& form) { form.RefreshList(); });
    ExpectSame(pair, step);
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, MergeAgainstReference, ::testing::Range(1U, 9U));

}  // namespace
}  // namespace portolan::testing
