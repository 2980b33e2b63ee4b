#include "controls/image_list_ex.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/controls/fake_image_lists.h"

namespace portolan {
namespace {

using testing::FakeImageLists;
using testing::FakeShell;

constexpr int kExe = 2;  // the fake shell's system indexes
constexpr int kTxt = 5;
constexpr int kDll = 7;

template <typename Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& tested) {
  return tested.param.Name;
}

class IconListTest : public ::testing::Test {
 protected:
  // The pictures of the list's own images.
  std::vector<int> OwnPictures() {
    return icons->HandleAllocated() ? lists.Get(icons->Handle()).Pictures : std::vector<int>{};
  }

  FakeImageLists lists;
  FakeShell shell{lists};
  std::optional<TImageListEx> icons{std::in_place, nullptr, lists, shell};
};

TEST_F(IconListTest, PathWithoutSystemIconGivesNoIconAndMakesNothing) {
  for (const std::int32_t answer : {-1, -2, INT32_MIN}) {
    shell.Indexes["zzz"] = answer;
    EXPECT_EQ(icons->GetIconIndex("C:\\data\\file.zzz"), -1) << answer;
  }
  EXPECT_EQ(icons->GetIconIndex(""), -1);
  EXPECT_EQ(icons->GetIconIndex("C:\\no type"), -1);

  EXPECT_TRUE(shell.ListRequests.empty()) << "no view of a system list";
  EXPECT_TRUE(lists.Created().empty());
  EXPECT_EQ(lists.Copies(), 0);
  EXPECT_EQ(icons->Count(), 0);
}

struct RequestCase {
  const char* Name;
  std::vector<std::string> Paths;
  std::vector<std::int32_t> Answers;
  // System icons in the order their copies stand in the list.
  std::vector<int> Copied;
};

class IconRequestTest : public IconListTest, public ::testing::WithParamInterface<RequestCase> {};

TEST_P(IconRequestTest, EachDistinctSystemIconIsCopiedOnceInOrderOfFirstRequest) {
  const RequestCase& c = GetParam();
  std::vector<std::int32_t> answers;
  for (const std::string& path : c.Paths) {
    answers.push_back(icons->GetIconIndex(path));
  }
  EXPECT_EQ(answers, c.Answers);

  std::vector<int> pictures;
  for (const int sysIndex : c.Copied) {
    pictures.push_back(FakeShell::kSmallPicture + sysIndex);
  }
  EXPECT_EQ(OwnPictures(), pictures);
  EXPECT_EQ(icons->Count(), static_cast<std::int32_t>(c.Copied.size()));
  EXPECT_EQ(lists.Copies(), static_cast<int>(c.Copied.size()));
  EXPECT_EQ(lists.LiveIcons(), 0U) << "every temporary icon destroyed";
  EXPECT_EQ(shell.ListRequests, std::vector<bool>{true}) << "one view, made at the first icon";
}

INSTANTIATE_TEST_SUITE_P(
    Requests, IconRequestTest,
    ::testing::ValuesIn(std::vector<RequestCase>{
        {"OnePath", {"C:\\Windows\\notepad.exe"}, {0}, {kExe}},
        {"TwoPathsOfOneType", {"C:\\a\\one.exe", "D:\\other place\\two.exe"}, {0, 0}, {kExe}},
        {"SamePathAgainAndAgain", {"C:\\x.txt", "C:\\x.txt", "C:\\x.txt"}, {0, 0, 0}, {kTxt}},
        {"NewIconsTakeTheNextIndex",
         {"a.exe", "b.txt", "c.exe", "d.dll", "e.txt", "f.dll"},
         {0, 1, 0, 2, 1, 2},
         {kExe, kTxt, kDll}},
        {"PathsWithoutIconLeaveNoGap",
         {"a.zzz", "b.txt", "", "c.exe", "b.txt"},
         {-1, 0, -1, 1, 0},
         {kTxt, kExe}},
    }),
    CaseName<RequestCase>);

class LoadedListTest : public IconListTest, public ::testing::WithParamInterface<int> {};

TEST_P(LoadedListTest, CopiesFollowTheImagesLoadedWithTheForm) {
  const int loaded = GetParam();
  std::vector<int> pictures;
  for (int i = 0; i < loaded; ++i) {
    pictures.push_back(900 + i);
    ASSERT_EQ(icons->AddIcon(ui::TIcon(lists, lists.MakeIcon(900 + i))), i);
  }
  icons->Loaded();

  EXPECT_EQ(icons->GetIconIndex("a.txt"), loaded);
  EXPECT_EQ(icons->GetIconIndex("b.exe"), loaded + 1);
  EXPECT_EQ(icons->GetIconIndex("c.txt"), loaded);
  EXPECT_EQ(icons->GetIconIndex("d.exe"), loaded + 1);

  pictures.push_back(FakeShell::kSmallPicture + kTxt);
  pictures.push_back(FakeShell::kSmallPicture + kExe);
  EXPECT_EQ(OwnPictures(), pictures);
}

INSTANTIATE_TEST_SUITE_P(LoadedImages, LoadedListTest, ::testing::Values(0, 1, 3));

struct SizeCase {
  std::int32_t Width;
  std::int32_t Height;
  bool Small;
};

class ListSizeTest : public IconListTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(ListSizeTest, OnlyWidth16BindsTheSmallSystemList) {
  const SizeCase& c = GetParam();
  icons->SetWidth(c.Width);
  icons->SetHeight(c.Height);

  EXPECT_EQ(icons->GetIconIndex("a.dll"), 0);
  EXPECT_EQ(shell.ListRequests, std::vector<bool>{c.Small});
  const int picture = (c.Small ? FakeShell::kSmallPicture : FakeShell::kLargePicture) + kDll;
  EXPECT_EQ(OwnPictures(), std::vector<int>{picture});
  EXPECT_EQ(icons->Width(), c.Width) << "the list keeps its own size";
  EXPECT_EQ(icons->Height(), c.Height);
  EXPECT_EQ(lists.Get(icons->Handle()).Width, c.Width);
  EXPECT_EQ(lists.Get(icons->Handle()).Height, c.Height);
  EXPECT_EQ(lists.Created().size(), 1U) << "the view makes no list of its own";
}

INSTANTIATE_TEST_SUITE_P(Sizes, ListSizeTest,
                         ::testing::Values(SizeCase{16, 16, true}, SizeCase{16, 32, true},
                                           SizeCase{16, 8, true}, SizeCase{32, 32, false},
                                           SizeCase{32, 16, false}, SizeCase{15, 16, false},
                                           SizeCase{17, 16, false}, SizeCase{48, 48, false}));

struct FaultCase {
  const char* Name;
  void (*Arm)(FakeImageLists&, FakeShell&);
};

class FailedCopyTest : public IconListTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FailedCopyTest, FailedCopyAnswersNoIconIsNotRememberedAndIsRetried) {
  GetParam().Arm(lists, shell);
  EXPECT_EQ(icons->GetIconIndex("a.exe"), -1);
  lists.FailCopies = 0;
  lists.FailAdds = 0;
  lists.FailCreate = false;
  shell.Indexes["exe"] = kExe;

  EXPECT_EQ(icons->GetIconIndex("b.txt"), 0) << "the failed icon holds no place";
  EXPECT_EQ(icons->GetIconIndex("a.exe"), 1) << "tried again";
  EXPECT_EQ(icons->GetIconIndex("c.exe"), 1);
  EXPECT_EQ(icons->GetIconIndex("b.txt"), 0);
  EXPECT_EQ(OwnPictures(),
            (std::vector<int>{FakeShell::kSmallPicture + kTxt, FakeShell::kSmallPicture + kExe}));
  EXPECT_EQ(lists.LiveIcons(), 0U) << "every temporary icon destroyed, also after a failed add";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FailedCopyTest,
    ::testing::Values(
        FaultCase{"IconCannotBeCopied", [](FakeImageLists& l, FakeShell&) { l.FailCopies = 1; }},
        FaultCase{"IconCannotBeAdded", [](FakeImageLists& l, FakeShell&) { l.FailAdds = 1; }},
        FaultCase{"OwnListCannotBeMade", [](FakeImageLists& l, FakeShell&) { l.FailCreate = true; }},
        FaultCase{"IndexBeyondTheSystemList",
                  [](FakeImageLists&, FakeShell& s) { s.Indexes["exe"] = FakeShell::kSystemIcons; }},
        FaultCase{"IndexFarBeyondTheSystemList",
                  [](FakeImageLists&, FakeShell& s) { s.Indexes["exe"] = INT32_MAX; }}),
    CaseName<FaultCase>);

TEST_F(IconListTest, NoSystemListGivesNoIconWithoutHarm) {
  shell.Small = 0;
  EXPECT_EQ(icons->GetIconIndex("a.exe"), -1);
  EXPECT_EQ(icons->GetIconIndex("a.exe"), -1);
  EXPECT_EQ(icons->Count(), 0);
  EXPECT_EQ(lists.Copies(), 0);
  icons.reset();
  EXPECT_TRUE(lists.Destroyed().empty());
}

TEST_F(IconListTest, DestroyingTheListKeepsTheSystemListsForTheNextList) {
  ASSERT_EQ(icons->GetIconIndex("a.exe"), 0);
  lists.FailAdds = 1;
  ASSERT_EQ(icons->GetIconIndex("b.txt"), -1);
  const ui::NativeImageList own = icons->Handle();

  icons.reset();
  EXPECT_EQ(lists.Destroyed(), std::vector<ui::NativeImageList>{own});
  EXPECT_TRUE(lists.Exists(shell.Small));
  EXPECT_TRUE(lists.Exists(shell.Large));
  EXPECT_EQ(lists.LiveIcons(), 0U);

  TImageListEx second(nullptr, lists, shell);
  EXPECT_EQ(second.GetIconIndex("c.txt"), 0);
  EXPECT_EQ(second.GetIconIndex("d.exe"), 1);
  EXPECT_EQ(lists.Get(second.Handle()).Pictures,
            (std::vector<int>{FakeShell::kSmallPicture + kTxt, FakeShell::kSmallPicture + kExe}));
}

TEST_F(IconListTest, OwnerFreesTheListItMade) {
  auto form = std::make_unique<ui::TComponent>();
  TImageListEx& owned = form->Create<TImageListEx>(lists, shell);
  ASSERT_EQ(owned.GetIconIndex("a.exe"), 0);
  const ui::NativeImageList own = owned.Handle();

  form.reset();
  EXPECT_EQ(lists.Destroyed(), std::vector<ui::NativeImageList>{own});
  EXPECT_TRUE(lists.Exists(shell.Small));
}

}  // namespace
}  // namespace portolan
