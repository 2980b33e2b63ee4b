#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "controls/image_list_ex.h"
#include "controls/system_icons.h"
#include "ui/image_list.h"

// The program icon list over the shell's real system image lists and the
// common controls' image lists.

namespace portolan {
namespace {

struct PathCase {
  const char* Name;
  std::string Path;
};

// Files of the common types, present or not. Wine's prefix holds the first three.
const std::vector<PathCase> kCommonPaths = {
    {"Exe", "C:\\windows\\notepad.exe"},
    {"Ini", "C:\\windows\\win.ini"},
    {"Dll", "C:\\windows\\system32\\kernel32.dll"},
    {"Txt", "C:\\users\\Public\\readme.txt"},
    {"MissingExe", "C:\\no such folder\\tool.exe"},
    {"MissingTxt", "Z:\\nowhere\\notes.txt"},
    {"NoType", "C:\\no such folder\\README"},
};

// Names the shell may meet that are no ordinary path.
const std::vector<PathCase> kOddPaths = {
    {"Empty", ""},
    {"Dot", "."},
    {"Folder", "C:\\windows"},
    {"Unc", "\\\\nohost\\share\\tool.exe"},
    {"Long", "C:\\" + std::string(5000, 'a') + ".txt"},
    {"ChineseName", "C:\\网络\\程序.exe"},
    {"Wildcards", "C:\\*?<>|.exe"},
};

template <typename Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& tested) {
  return tested.param.Name;
}

class ShellIconsTest : public ::testing::Test {
 protected:
  std::int32_t SystemCount() { return peer->Count(shell->SystemImageList(true)); }

  std::unique_ptr<ui::ImageListPeer> peer = ui::MakeImageListPeer();
  std::unique_ptr<SystemIcons> shell = MakeSystemIcons();
};

class CommonPathTest : public ShellIconsTest, public ::testing::WithParamInterface<PathCase> {};

TEST_P(CommonPathTest, PathOfACommonTypeGetsAnIconOfTheSystemList) {
  const std::int32_t sysIndex = shell->IconIndex(GetParam().Path);
  RecordProperty("system_index", sysIndex);
  EXPECT_GE(sysIndex, 0);
  EXPECT_LT(sysIndex, SystemCount());

  TImageListEx icons(nullptr, *peer, *shell);
  ASSERT_EQ(icons.GetIconIndex(GetParam().Path), 0);
  EXPECT_FALSE(icons.GetIcon(0).Empty());
}

INSTANTIATE_TEST_SUITE_P(Shell, CommonPathTest, ::testing::ValuesIn(kCommonPaths), CaseName<PathCase>);

class OddPathTest : public ShellIconsTest, public ::testing::WithParamInterface<PathCase> {};

TEST_P(OddPathTest, OddNameGetsAnIconOrNoneAndTheSameEachTime) {
  TImageListEx icons(nullptr, *peer, *shell);
  const std::int32_t first = icons.GetIconIndex(GetParam().Path);
  RecordProperty("system_index", shell->IconIndex(GetParam().Path));
  EXPECT_EQ(icons.GetIconIndex(GetParam().Path), first);
  EXPECT_EQ(icons.Count(), first >= 0 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Shell, OddPathTest, ::testing::ValuesIn(kOddPaths), CaseName<PathCase>);

TEST_F(ShellIconsTest, MissingFileGetsTheIconOfItsName) {
  EXPECT_EQ(shell->IconIndex("C:\\nowhere\\notepad.exe"), shell->IconIndex("C:\\windows\\notepad.exe"));
  EXPECT_EQ(shell->IconIndex("C:\\nowhere\\win.ini"), shell->IconIndex("C:\\windows\\win.ini"));
}

TEST_F(ShellIconsTest, RepeatedRequestsDoNotGrowTheList) {
  TImageListEx icons(nullptr, *peer, *shell);
  std::vector<std::int32_t> firstRound;
  std::set<std::int32_t> systemIcons;
  for (const PathCase& c : kCommonPaths) {
    firstRound.push_back(icons.GetIconIndex(c.Path));
    systemIcons.insert(shell->IconIndex(c.Path));
  }
  EXPECT_EQ(icons.Count(), static_cast<std::int32_t>(systemIcons.size()));
  for (int round = 0; round < 3; ++round) {
    std::vector<std::int32_t> again;
    for (const PathCase& c : kCommonPaths) {
      again.push_back(icons.GetIconIndex(c.Path));
    }
    EXPECT_EQ(again, firstRound);
  }
  EXPECT_EQ(icons.Count(), static_cast<std::int32_t>(systemIcons.size()));
}

// File types of the test's own, registered while the test runs, each with an
// icon of shell32.dll.
class OwnFileTypes {
 public:
  explicit OwnFileTypes(const std::vector<int>& icons) {
    for (std::size_t i = 0; i < icons.size(); ++i) {
      const std::string type = "PortolanTest.Type" + std::to_string(i);
      const std::string extension = ".portolantest" + std::to_string(i);
      Set(extension, type);
      Set(type + "\\DefaultIcon", "C:\\windows\\system32\\shell32.dll," + std::to_string(icons[i]));
      keys_.push_back(extension);
      keys_.push_back(type);
      Extensions.push_back(extension);
    }
  }
  OwnFileTypes(const OwnFileTypes&) = delete;
  OwnFileTypes& operator=(const OwnFileTypes&) = delete;
  ~OwnFileTypes() {
    for (const std::string& key : keys_) {
      RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str());
    }
  }

  std::vector<std::string> Extensions;

 private:
  static void Set(const std::string& key, const std::string& value) {
    ASSERT_EQ(RegSetKeyValueA(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, value.c_str(),
                              static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS)
        << key;
  }

  std::vector<std::string> keys_;
};

TEST_F(ShellIconsTest, IconsTheShellAddsLaterAreCopiedToo) {
  TImageListEx icons(nullptr, *peer, *shell);
  ASSERT_EQ(icons.GetIconIndex("C:\\windows\\notepad.exe"), 0) << "the view exists before the new types";

  const OwnFileTypes types({3, 4});
  const std::int32_t before = SystemCount();
  const std::string first = "C:\\nowhere\\a" + types.Extensions[0];
  const std::string second = "C:\\nowhere\\b" + types.Extensions[1];
  const std::set<std::int32_t> distinct = {shell->IconIndex("C:\\windows\\notepad.exe"),
                                           shell->IconIndex(first), shell->IconIndex(second)};
  ASSERT_EQ(distinct.size(), 3U) << "each type has an icon of its own";
  EXPECT_GT(SystemCount(), before) << "the shell added the types' icons";

  EXPECT_EQ(icons.GetIconIndex(first), 1);
  EXPECT_EQ(icons.GetIconIndex(second), 2);
  EXPECT_EQ(icons.GetIconIndex("C:\\x\\y" + types.Extensions[0]), 1);
  EXPECT_EQ(icons.Count(), 3);
  for (std::int32_t index = 0; index < 3; ++index) {
    EXPECT_FALSE(icons.GetIcon(index).Empty()) << index;
  }
}

struct SizeCase {
  const char* Name;
  std::int32_t Width;
  std::int32_t Height;
};

class ShellSizeTest : public ShellIconsTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(ShellSizeTest, ListOfAnySizeCopiesTheShellsIcons) {
  TImageListEx icons(nullptr, *peer, *shell);
  icons.SetWidth(GetParam().Width);
  icons.SetHeight(GetParam().Height);
  ASSERT_EQ(icons.GetIconIndex("C:\\windows\\notepad.exe"), 0);
  EXPECT_FALSE(icons.GetIcon(0).Empty());
  std::int32_t width = 0;
  std::int32_t height = 0;
  ASSERT_TRUE(peer->IconSize(icons.Handle(), width, height));
  EXPECT_EQ(width, GetParam().Width);
  EXPECT_EQ(height, GetParam().Height);
}

INSTANTIATE_TEST_SUITE_P(Shell, ShellSizeTest,
                         ::testing::Values(SizeCase{"Small", 16, 16}, SizeCase{"Large", 32, 32},
                                           SizeCase{"SmallWide", 16, 32}, SizeCase{"LargeFlat", 32, 16}),
                         CaseName<SizeCase>);

TEST_F(ShellIconsTest, SystemListsHaveTheirIconSizes) {
  for (const auto& [small, size] : {std::pair{true, 16}, std::pair{false, 32}}) {
    ui::TImageList view(nullptr, *peer);
    view.SetHandle(shell->SystemImageList(small));
    view.SetShareImages(true);
    EXPECT_EQ(view.Width(), size) << small;
    EXPECT_EQ(view.Height(), size) << small;
  }
}

TEST_F(ShellIconsTest, SystemListOutlivesTheIconList) {
  const ui::NativeImageList system = shell->SystemImageList(true);
  {
    TImageListEx first(nullptr, *peer, *shell);
    for (const PathCase& c : kCommonPaths) {
      first.GetIconIndex(c.Path);
    }
    ASSERT_GT(first.Count(), 0);
  }
  EXPECT_EQ(shell->SystemImageList(true), system);
  EXPECT_GT(peer->Count(system), 0);

  TImageListEx second(nullptr, *peer, *shell);
  EXPECT_EQ(second.GetIconIndex("C:\\windows\\win.ini"), 0);
  EXPECT_FALSE(second.GetIcon(0).Empty());
}

}  // namespace
}  // namespace portolan
