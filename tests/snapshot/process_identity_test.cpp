// The rules that name an endpoint's process, run against scripted sources.

#include "snapshot/process_identity.h"

#include <gtest/gtest.h>

#include "tests/param_name.h"
#include "tests/snapshot/fake_sources.h"

namespace portolan {
namespace {

using testing::Entry;
using testing::FakeProcess;
using testing::FakeSystem;
using testing::FakeVersionInfo;

TEST(GetProcessNameTest, FirstEntryOfTheIdWins) {
  FakeSystem system;
  system.Processes->Entries = {Entry(4, "System"), Entry(800, "first.exe"), Entry(800, "second.exe")};
  const auto snapshot = system.Processes->TakeSnapshot();
  EXPECT_EQ(GetProcessName(snapshot.get(), 800), "first.exe");
  EXPECT_EQ(GetProcessName(snapshot.get(), 4), "System");  // each call walks from the first entry again
  EXPECT_EQ(GetProcessName(snapshot.get(), 5), "");
}

TEST(GetProcessNameTest, NameFillingAllCharactersWithoutZeroIsTakenWhole) {
  FakeSystem system;
  system.Processes->Entries = {Entry(9, std::string(kExeFileChars, 'n'))};
  const auto snapshot = system.Processes->TakeSnapshot();
  EXPECT_EQ(GetProcessName(snapshot.get(), 9), std::string(kExeFileChars, 'n'));
}

TEST(GetProcessNameTest, NoSnapshotGivesEmptyName) { EXPECT_EQ(GetProcessName(nullptr, 4), ""); }

struct PathCase {
  const char* name;
  FakeProcess process;
  std::string path;
};

class GetProcessPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(GetProcessPathTest, GivesThePathOrEmptyAndClosesTheProcess) {
  FakeSystem system;
  system.Processes->Processes[42] = GetParam().process;
  EXPECT_EQ(GetProcessPath(*system.Processes, 42), GetParam().path);
  EXPECT_EQ(system.Log.Live, 0);
}

const std::string kLongPath = "C:\\" + std::string(1500, 'd') + "\\x.exe";

INSTANTIATE_TEST_SUITE_P(
    Processes, GetProcessPathTest,
    ::testing::Values(
        PathCase{"ModuleName", {true, true, "C:\\Windows\\app.exe", true, "C:\\other.exe"}, "C:\\Windows\\app.exe"},
        PathCase{"ModuleNameCutAt1024", {true, true, kLongPath, false, {}}, kLongPath.substr(0, 1024)},
        PathCase{"RefusedFallsBackToLimitedQuery", {false, true, "unused", true, "C:\\svc.exe"}, "C:\\svc.exe"},
        PathCase{"NoModulesFallsBackToLimitedQuery", {true, false, "unused", true, "C:\\svc.exe"}, "C:\\svc.exe"},
        PathCase{"LimitedNameCutAt1024", {false, false, {}, true, kLongPath}, kLongPath.substr(0, 1024)},
        PathCase{"NameUnreadableEverywhere", {true, true, {}, true, {}}, ""},
        PathCase{"RefusedEverywhere", {false, true, "x", false, "y"}, ""}),
    testing::ParamName());

TEST(GetProcessPathTest, EndedProcessGivesEmptyPath) {
  FakeSystem system;
  EXPECT_EQ(GetProcessPath(*system.Processes, 7), "");
}

std::vector<std::byte> Translation(std::initializer_list<int> bytes) {
  std::vector<std::byte> out;
  for (int b : bytes) {
    out.push_back(static_cast<std::byte>(b));
  }
  return out;
}

TEST(TranslationKeyTest, LanguageThenCodePageInUpperCaseHex) {
  const std::pair<std::vector<std::byte>, const char*> cases[] = {
      {Translation({0x09, 0x04, 0xE4, 0x04}), "040904E4"},
      {Translation({0x04, 0x08, 0xB0, 0x04}), "080404B0"},
      {Translation({0xAB, 0xCD, 0xEF, 0x01}), "CDAB01EF"},
  };
  for (const auto& [bytes, key] : cases) {
    std::byte entry[4];
    std::copy(bytes.begin(), bytes.end(), entry);
    EXPECT_EQ(TranslationKey(entry), key);
  }
}

const std::string kUs = "\\StringFileInfo\\040904E4\\";

struct VersionCase {
  const char* name;
  FakeVersionInfo info;
  std::string description;
  std::string company;
};

class GetFileVersionStringsTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(GetFileVersionStringsTest, ReadsTheFirstTranslationsStrings) {
  FakeSystem system;
  system.Versions->Files["C:\\app.exe"] = GetParam().info;
  const VersionStrings strings = GetFileVersionStrings(*system.Versions, "C:\\app.exe");
  EXPECT_EQ(strings.FileDescription, GetParam().description);
  EXPECT_EQ(strings.Company, GetParam().company);
}

const auto kUsEntry = Translation({0x09, 0x04, 0xE4, 0x04});

INSTANTIATE_TEST_SUITE_P(
    Files, GetFileVersionStringsTest,
    ::testing::Values(
        VersionCase{"Both", {kUsEntry, {{kUs + "FileDescription", "App"}, {kUs + "CompanyName", "Co"}}}, "App", "Co"},
        VersionCase{"DescriptionOnly", {kUsEntry, {{kUs + "FileDescription", "App"}}}, "App", ""},
        VersionCase{"CompanyWithoutDescription", {kUsEntry, {{kUs + "CompanyName", "Co"}}}, "", ""},
        VersionCase{"NoTranslation", {{}, {{kUs + "FileDescription", "App"}}}, "", ""},
        VersionCase{"TranslationShorterThanAnEntry",
                    {Translation({0x09, 0x04}), {{kUs + "FileDescription", "App"}}},
                    "",
                    ""},
        VersionCase{"OnlyTheFirstOfSeveralTranslations",
                    {Translation({0x04, 0x08, 0xB0, 0x04, 0x09, 0x04, 0xE4, 0x04}),
                     {{kUs + "FileDescription", "App"}, {kUs + "CompanyName", "Co"}}},
                    "",
                    ""},
        VersionCase{"KeyLettersAreUpperCase", {kUsEntry, {{"\\StringFileInfo\\040904e4\\FileDescription", "x"}}}, "", ""},
        VersionCase{"Unreadable", {kUsEntry, {{kUs + "FileDescription", "App"}}, true}, "", ""}),
    testing::ParamName());

TEST(GetFileVersionStringsTest, EmptyPathTouchesNoFile) {
  FakeSystem system;
  EXPECT_EQ(GetFileVersionStrings(*system.Versions, "").FileDescription, "");
  EXPECT_TRUE(system.Log.Events.empty());
}

TEST(GetFileVersionStringsTest, CompanyIsAskedForOnlyAfterADescription) {
  FakeSystem system;
  system.Versions->Files["a"] = {kUsEntry, {{kUs + "CompanyName", "Co"}}};
  GetFileVersionStrings(*system.Versions, "a");
  EXPECT_EQ(system.Log.Count("query " + kUs + "FileDescription"), 1);
  EXPECT_EQ(system.Log.Count("query " + kUs + "CompanyName"), 0);
}

TEST(GetFileVersionStringsTest, TextWithoutZeroEndsAtTheBlocksEnd) {
  FakeSystem system;
  system.Versions->Files["a"] = {kUsEntry, {{kUs + "FileDescription", "App"}}, false, true};
  EXPECT_EQ(GetFileVersionStrings(*system.Versions, "a").FileDescription, "App");
}

struct PrivilegeCase {
  const char* name;
  bool tokenOpens;
  bool privilegeKnown;
  std::uint32_t adjustError;
  bool enabled;
  int adjustments;
};

class EnableDebugPrivilegeTest : public ::testing::TestWithParam<PrivilegeCase> {};

TEST_P(EnableDebugPrivilegeTest, IsTrueOnlyWhenTheAdjustmentLeavesNoError) {
  FakeSystem system;
  system.Privilege->TokenOpens = GetParam().tokenOpens;
  if (!GetParam().privilegeKnown) {
    system.Privilege->Known.clear();
  }
  system.Privilege->AdjustError = GetParam().adjustError;
  EXPECT_EQ(EnableDebugPrivilege(*system.Privilege), GetParam().enabled);
  EXPECT_EQ(system.Log.Count("adjust 20 2"), GetParam().adjustments);
  EXPECT_EQ(system.Log.Live, 0);
}

INSTANTIATE_TEST_SUITE_P(Tokens, EnableDebugPrivilegeTest,
                         ::testing::Values(PrivilegeCase{"Enabled", true, true, 0, true, 1},
                                           PrivilegeCase{"TokenLacksPrivilege", true, true, 1300, false, 1},
                                           PrivilegeCase{"PrivilegeUnknown", true, false, 0, false, 0},
                                           PrivilegeCase{"TokenRefused", false, true, 0, false, 0}),
                         testing::ParamName());

TEST(SetPrivilegeTest, DisablingSetsNoAttributes) {
  FakeSystem system;
  const auto token = system.Privilege->OpenOwnToken();
  EXPECT_TRUE(SetPrivilege(*token, "SeDebugPrivilege", false));
  EXPECT_EQ(system.Log.Count("adjust 20 0"), 1);
}

}  // namespace
}  // namespace portolan
