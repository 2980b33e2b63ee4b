#include "ui/image_list.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "tests/controls/fake_image_lists.h"

// The component layer's image list, on which the program icon list stands.

namespace portolan::ui {
namespace {

using testing::FakeImageLists;

class ImageListTest : public ::testing::Test {
 protected:
  TIcon Icon(int picture) { return TIcon(lists, lists.MakeIcon(picture)); }

  FakeImageLists lists;
  std::optional<TImageList> images{std::in_place, nullptr, lists};
};

TEST_F(ImageListTest, NativeListIsMadeAtTheFirstAddWithTheListsSize) {
  images->SetWidth(24);
  images->SetHeight(20);
  EXPECT_EQ(images->Count(), 0);
  EXPECT_TRUE(images->GetIcon(0).Empty());
  EXPECT_EQ(images->AddIcon(TIcon()), -1) << "an empty icon adds nothing";
  EXPECT_TRUE(lists.Created().empty());

  EXPECT_EQ(images->AddIcon(Icon(7)), 0);
  EXPECT_EQ(images->AddIcon(Icon(8)), 1);
  ASSERT_EQ(lists.Created().size(), 1U);
  const auto& made = lists.Get(lists.Created().front());
  EXPECT_EQ(made.Width, 24);
  EXPECT_EQ(made.Height, 20);
  EXPECT_EQ(made.Pictures, (std::vector<int>{7, 8}));
  EXPECT_EQ(images->Count(), 2);
  EXPECT_EQ(lists.LiveIcons(), 0U) << "the added icons stay the caller's and are gone with it";
}

TEST_F(ImageListTest, GetIconCopiesOnlyImagesTheListHolds) {
  images->AddIcon(Icon(7));
  images->AddIcon(Icon(8));
  for (const std::int32_t index : {-1, 2, 3, INT32_MIN, INT32_MAX}) {
    EXPECT_TRUE(images->GetIcon(index).Empty()) << index;
  }
  EXPECT_EQ(lists.Copies(), 0);

  {
    const TIcon copy = images->GetIcon(1);
    ASSERT_FALSE(copy.Empty());
    EXPECT_EQ(images->AddIcon(copy), 2);
    EXPECT_EQ(lists.LiveIcons(), 1U);
  }
  EXPECT_EQ(lists.LiveIcons(), 0U);
  EXPECT_EQ(lists.Get(images->Handle()).Pictures, (std::vector<int>{7, 8, 8}));
}

TEST_F(ImageListTest, NewSizeEmptiesTheList) {
  images->AddIcon(Icon(7));
  const NativeImageList first = images->Handle();
  images->SetWidth(16);
  images->SetHeight(16);
  EXPECT_EQ(images->Count(), 1) << "the same size keeps the images";

  images->SetWidth(32);
  EXPECT_EQ(lists.Destroyed(), std::vector<NativeImageList>{first});
  EXPECT_EQ(images->Count(), 0);
  EXPECT_EQ(images->AddIcon(Icon(9)), 0);
  EXPECT_EQ(lists.Get(images->Handle()).Width, 32);
  EXPECT_EQ(lists.Get(images->Handle()).Height, 16);
}

class ShareImagesTest : public ImageListTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ShareImagesTest, ListTakesAGivenHandleWithItsSizeAndDestroysItOnlyUnlessShared) {
  const bool share = GetParam();
  images->AddIcon(Icon(1));
  const NativeImageList own = images->Handle();
  const NativeImageList given = lists.AddForeignList(32, 24, {5, 6, 7});

  images->SetHandle(given);
  images->SetShareImages(share);
  EXPECT_EQ(lists.Destroyed(), std::vector<NativeImageList>{own}) << "the list it made itself goes";
  EXPECT_EQ(images->Handle(), given);
  EXPECT_EQ(images->Width(), 32);
  EXPECT_EQ(images->Height(), 24);
  EXPECT_EQ(images->Count(), 3);

  images.reset();
  EXPECT_EQ(lists.Exists(given), share);
}

TEST_P(ShareImagesTest, ReplacingAHandleDestroysTheOldOneOnlyUnlessShared) {
  const bool share = GetParam();
  const NativeImageList first = lists.AddForeignList(16, 16, {});
  images->SetHandle(first);
  images->SetShareImages(share);
  images->SetHandle(0);
  EXPECT_EQ(lists.Exists(first), share);
  EXPECT_FALSE(images->HandleAllocated());
  EXPECT_EQ(images->Count(), 0);
}

TEST_F(ImageListTest, TakingItsOwnHandleAgainKeepsIt) {
  images->AddIcon(Icon(1));
  images->SetHandle(images->Handle());
  EXPECT_TRUE(lists.Destroyed().empty());
  EXPECT_EQ(images->Count(), 1);
}

INSTANTIATE_TEST_SUITE_P(Sharing, ShareImagesTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& tested) {
                           return tested.param ? "Shared" : "Owned";
                         });

TEST_F(ImageListTest, IconIsDestroyedOnceWhereverItIsMoved) {
  TIcon first = Icon(1);
  TIcon second = Icon(2);
  EXPECT_EQ(lists.LiveIcons(), 2U);
  second = std::move(first);
  EXPECT_EQ(lists.LiveIcons(), 1U) << "the icon moved over is destroyed";
  {
    const TIcon moved(std::move(second));
    EXPECT_FALSE(moved.Empty());
  }
  EXPECT_EQ(lists.LiveIcons(), 0U);
  EXPECT_TRUE(TIcon(lists, 0).Empty());
}

}  // namespace
}  // namespace portolan::ui
