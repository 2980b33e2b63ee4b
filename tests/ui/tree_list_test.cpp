#include "ui/tree_list.h"

#include <gtest/gtest.h>

#include "tests/param_name.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace portolan::ui {
namespace {

struct Rec {
  std::string text;
  int number = 0;
};

constexpr int kTextColumn = 1;    // compares the text
constexpr int kCoarseColumn = 2;  // three classes of numbers: many ties
constexpr int kNoCompareColumn = 3;
constexpr std::array<const char*, 6> kTexts = {"", "a", "b", "ab", "ba", "b"};

using Node = TTreeListNode;

class TreeList : public ::testing::Test {
 protected:
  TreeList() {
    tree.OnCompareNodes = [this](const TTreeListBase&, const Node* a, const Node* b, int column,
                                 int& result) {
      ++comparisons;
      result = Compare(tree.NodeData(*a), tree.NodeData(*b), column);
    };
    tree.Header().SetSortColumn(kTextColumn);
    tree.SetAutoSort(true);
  }

  static int Compare(const Rec& a, const Rec& b, int column) {
    switch (column) {
      case kTextColumn:
        return a.text.compare(b.text);
      case kCoarseColumn:
        return a.number % 3 - b.number % 3;
      default:
        return 0;
    }
  }

  Node* Add(const std::string& text, int number = 0) {
    Node* node = tree.AddChild();
    tree.NodeData(*node) = Rec{text, number};
    return node;
  }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const Node* n = tree.GetFirst(); n != nullptr; n = tree.GetNextSibling(n)) {
      texts.push_back(tree.NodeData(*n).text);
    }
    return texts;
  }

  TTreeList<Rec> tree{nullptr};
  long comparisons = 0;
};

TEST_F(TreeList, NewRowIsSortedWhileItsRecordIsStillEmpty) {
  Add("b");
  Add("a");  // inserted empty before "b", then written: the list is not re-sorted yet
  EXPECT_EQ(Texts(), (std::vector<std::string>{"a", "b"}));
  Add("c");  // its empty row goes first, and is written after the insertion
  EXPECT_EQ(Texts(), (std::vector<std::string>{"c", "a", "b"}));
  Add("");  // the next insertion first moves the written "c" to its place
  EXPECT_EQ(Texts(), (std::vector<std::string>{"", "a", "b", "c"}));
}

TEST_F(TreeList, DescendingKeepsEqualRowsInTheirOrder) {
  tree.Header().SetSortDirection(TSortDirection::Descending);
  Add("a", 1);
  Add("b", 2);
  Add("a", 3);
  Add("c", 4);
  tree.Sort(kTextColumn, TSortDirection::Descending);
  std::vector<int> numbers;
  for (const Node* n = tree.GetFirst(); n != nullptr; n = tree.GetNextSibling(n)) {
    numbers.push_back(tree.NodeData(*n).number);
  }
  EXPECT_EQ(numbers, (std::vector<int>{4, 2, 1, 3}));
}

TEST_F(TreeList, HeaderChangeResortsAtOnceOnlyWithAutoSort) {
  Add("b", 1);
  Add("a", 2);
  Add("c", 0);
  tree.Sort(kTextColumn, TSortDirection::Ascending);
  tree.Header().SetSortDirection(TSortDirection::Descending);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"c", "b", "a"}));

  tree.SetAutoSort(false);
  tree.Header().SetSortDirection(TSortDirection::Ascending);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"c", "b", "a"}));
  Add("0");  // appended
  EXPECT_EQ(Texts(), (std::vector<std::string>{"c", "b", "a", "0"}));
  tree.SetAutoSort(true);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"0", "a", "b", "c"}));
}

TEST_F(TreeList, DeleteRaisesFreeNodeAndDropsSelectionAndFocus) {
  Node* a = Add("a");
  Node* b = Add("b");
  Node* c = Add("c");
  tree.Sort(kTextColumn, TSortDirection::Ascending);
  tree.SetSelected(b, true);
  tree.SetFocusedNode(b);
  std::vector<std::string> freed;
  tree.OnFreeNode = [&](TTreeListBase&, Node* node) { freed.push_back(tree.NodeData(*node).text); };

  tree.DeleteNode(b);

  EXPECT_EQ(freed, std::vector<std::string>{"b"});
  EXPECT_EQ(tree.SelectedCount(), 0U);
  EXPECT_EQ(tree.FocusedNode(), nullptr);
  EXPECT_EQ(tree.GetNextSibling(a), c);
  EXPECT_EQ(tree.Index(c), 1U);
  EXPECT_EQ(tree.TotalCount(), 2U);
  tree.OnFreeNode = nullptr;  // `freed` ends before the list
}

TEST_F(TreeList, DeletingAnotherRowKeepsSelectionAndFocus) {
  Node* a = Add("a");
  Node* b = Add("b");
  tree.SetSelected(a, true);
  tree.SetFocusedNode(a);
  tree.DeleteNode(b);
  EXPECT_TRUE(tree.Selected(a));
  EXPECT_EQ(tree.FocusedNode(), a);
}

TEST_F(TreeList, SelectionIsSingle) {
  Node* a = Add("a");
  Node* b = Add("b");
  tree.SetSelected(a, true);
  tree.SetSelected(b, true);
  EXPECT_FALSE(tree.Selected(a));
  EXPECT_TRUE(tree.Selected(b));
  EXPECT_EQ(tree.SelectedCount(), 1U);
  tree.SetSelected(a, false);  // not selected: nothing changes
  EXPECT_TRUE(tree.Selected(b));
  tree.SetSelected(b, false);
  EXPECT_EQ(tree.SelectedCount(), 0U);
}

TEST_F(TreeList, NullNodeChangesNothing) {
  Node* a = Add("a");
  tree.SetSelected(a, true);
  tree.DeleteNode(nullptr);
  tree.SetSelected(nullptr, true);
  EXPECT_EQ(tree.GetNodeData(nullptr), nullptr);
  EXPECT_EQ(tree.GetNextSibling(nullptr), nullptr);
  EXPECT_TRUE(tree.Selected(a));
  EXPECT_EQ(tree.TotalCount(), 1U);
}

TEST(TreeListLifetime, DestroyingTheListFreesEveryRowOnce) {
  int freed = 0;
  {
    TTreeList<Rec> tree(nullptr);
    tree.OnFreeNode = [&](TTreeListBase&, Node*) { ++freed; };
    for (int i = 0; i < 600; ++i) {
      tree.AddChild();
    }
  }
  EXPECT_EQ(freed, 600);
}

TEST(TreeListLifetime, NewRecordIsEmptyAndTheListStartsUnsorted) {
  TTreeList<Rec> tree(nullptr);
  EXPECT_EQ(tree.Header().SortColumn(), -1);
  EXPECT_EQ(tree.Header().SortDirection(), TSortDirection::Ascending);
  EXPECT_FALSE(tree.AutoSort());
  const Rec& rec = tree.NodeData(*tree.AddChild());
  EXPECT_TRUE(rec.text.empty());
  EXPECT_EQ(rec.number, 0);
  EXPECT_EQ(TTreeList<Rec>::NodeDataSize, sizeof(Rec));
}

// The usual way rows arrive: insert, then write the new record. A list that
// sorted everything at every insertion would make thousands of comparisons
// per row here.
TEST_F(TreeList, InsertThenWriteCostsAboutABinarySearch) {
  std::mt19937 random(7);
  constexpr int kRows = 8192;
  long worst = 0;
  for (int i = 0; i < kRows; ++i) {
    const long before = comparisons;
    Add(std::to_string(random() % 100000));
    worst = std::max(worst, comparisons - before);
  }
  EXPECT_LE(worst, 4 * static_cast<long>(std::log2(kRows)) + 16);
}

// ---- The automatic sort against a plain full stable sort --------------------

struct ModelCase {
  const char* name;
  int column;
  TSortDirection direction;
};

class TreeListModel : public TreeList, public ::testing::WithParamInterface<ModelCase> {
 protected:
  void StableSort(std::vector<Node*>& nodes, int column, TSortDirection direction) const {
    std::stable_sort(nodes.begin(), nodes.end(), [&](const Node* a, const Node* b) {
      const int result = Compare(tree.NodeData(*a), tree.NodeData(*b), column);
      return direction == TSortDirection::Ascending ? result < 0 : result > 0;
    });
  }

  void ExpectSameOrder(const std::vector<Node*>& model, int step) const {
    ASSERT_EQ(tree.TotalCount(), model.size()) << "step " << step;
    const Node* node = tree.GetFirst();
    for (std::size_t i = 0; i < model.size(); ++i, node = tree.GetNextSibling(node)) {
      ASSERT_EQ(node, model[i]) << "step " << step << ", row " << i;
      ASSERT_EQ(tree.Index(node), i) << "step " << step;
    }
    ASSERT_EQ(node, nullptr) << "step " << step;
  }
};

TEST_P(TreeListModel, AutoSortEqualsAFullStableSortAfterEveryInsertion) {
  const ModelCase& param = GetParam();
  tree.Header().SetSortColumn(param.column);
  tree.Header().SetSortDirection(param.direction);
  for (unsigned seed = 1; seed <= 4; ++seed) {
    tree.Clear();
    std::vector<Node*> model;
    std::mt19937 random(seed);
    const auto pick = [&](std::size_t count) { return static_cast<std::size_t>(random() % count); };
    const auto randomRec = [&] {
      return Rec{kTexts[pick(kTexts.size())], static_cast<int>(random() % 1000)};
    };
    for (int step = 0; step < 3000; ++step) {
      const std::size_t op = pick(100);
      // Grow for the first half, shrink for the second, to fill and empty blocks.
      const bool growing = step < 1500;
      if (op < (growing ? 55U : 20U)) {
        Node* node = tree.AddChild();
        model.push_back(node);
        StableSort(model, param.column, param.direction);
        if (op % 5 != 0) {
          tree.NodeData(*node) = randomRec();
        }
      } else if (op < 70 && !model.empty()) {
        tree.NodeData(*model[pick(model.size())]) = randomRec();
      } else if (op < 97 && !model.empty()) {
        const std::size_t victim = pick(model.size());
        tree.DeleteNode(model[victim]);
        model.erase(model.begin() + static_cast<std::ptrdiff_t>(victim));
      } else if (op < 98) {
        tree.Sort(param.column, param.direction);
        StableSort(model, param.column, param.direction);
      } else {
        // A sort by another column leaves the list out of the header's order.
        const int other = param.column == kTextColumn ? kCoarseColumn : kTextColumn;
        tree.Sort(other, TSortDirection::Ascending);
        StableSort(model, other, TSortDirection::Ascending);
      }
      ExpectSameOrder(model, step);
      if (HasFatalFailure()) {
        return;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Columns, TreeListModel,
    ::testing::Values(ModelCase{"TextAscending", kTextColumn, TSortDirection::Ascending},
                      ModelCase{"TextDescending", kTextColumn, TSortDirection::Descending},
                      ModelCase{"TiesAscending", kCoarseColumn, TSortDirection::Ascending},
                      ModelCase{"TiesDescending", kCoarseColumn, TSortDirection::Descending},
                      ModelCase{"NoComparison", kNoCompareColumn, TSortDirection::Ascending},
                      ModelCase{"NoComparisonDescending", kNoCompareColumn, TSortDirection::Descending}),
    portolan::testing::ParamName());

}  // namespace
}  // namespace portolan::ui
