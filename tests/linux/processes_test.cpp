// Processes on a fixture proc root: the list's names, image paths, the
// owners of shared sockets and the debug privilege, read through the
// identity rules the snapshot runs.

#include <gtest/gtest.h>

#include <map>

#include "linux/privilege_source.h"
#include "linux/processes.h"
#include "linux/socket_owners.h"
#include "snapshot/process_identity.h"
#include "tests/linux/fixture_tree.h"

namespace portolan::linux {
namespace {

using testing::FixtureProcess;
using testing::FixtureTree;

// ---- Names and paths -------------------------------------------------------------

struct IdentityCase {
  const char* Name;
  FixtureProcess Process;
  std::string ProcessName;
  std::string FilePath;
};

const std::string kLongName(300, 'n');
const std::string kLongPath = "/" + std::string(600, 'a') + "/" + std::string(600, 'b') + "/tool";

const IdentityCase kIdentities[] = {
    {"ExeLink", {100, "/usr/sbin/sshd", "sshd-comm", "", {}}, "sshd", "/usr/sbin/sshd"},
    {"DeletedImage", {101, "/opt/app/bin/old (deleted)", "old", "", {}}, "old", "/opt/app/bin/old (deleted)"},
    {"BlanksInName", {102, "/opt/My App/run me", "", "", {}}, "run me", "/opt/My App/run me"},
    {"NoExeTakesComm", {103, "", "kworker/0:1", "", {}}, "kworker/0:1", ""},
    {"NothingReadable", {104, "", "", "", {}}, "", ""},
    {"LongNameCutTo260",
     {105, "/usr/bin/" + kLongName, "", "", {}},
     kLongName.substr(0, 260),
     "/usr/bin/" + kLongName},
    {"LongPathCutTo1024", {106, kLongPath, "", "", {}}, "tool", kLongPath.substr(0, 1024)},
};

class IdentityTest : public ::testing::TestWithParam<IdentityCase> {};

TEST_P(IdentityTest, NameFromTheExeLinkOrCommAndPathFromTheLink) {
  const IdentityCase& c = GetParam();
  FixtureTree proc;
  testing::AddProcess(proc, c.Process);
  const auto processes = MakeProcessSource(proc.Root(), std::make_shared<SnapshotScope>());
  const auto list = processes->TakeSnapshot();
  ASSERT_NE(list, nullptr);

  EXPECT_EQ(GetProcessName(list.get(), c.Process.Pid), c.ProcessName);
  EXPECT_EQ(GetProcessPath(*processes, c.Process.Pid), c.FilePath);
}

INSTANTIATE_TEST_SUITE_P(Identities, IdentityTest, ::testing::ValuesIn(kIdentities), testing::CaseName());

TEST(ProcessListTest, EveryOrderOfLookupsFindsWhatAWalkFromTheFirstEntryFinds) {
  FixtureTree proc;
  const std::map<std::uint32_t, std::string> names{{1, "init"}, {7, "seven"}, {30, "thirty"}, {4000, "big"}};
  for (const auto& [pid, name] : names) {
    testing::AddProcess(proc, {pid, "/bin/" + name, "", "", {}});
  }
  const auto processes = MakeProcessSource(proc.Root(), std::make_shared<SnapshotScope>());
  const auto list = processes->TakeSnapshot();
  for (const std::uint32_t pid : {30U, 30U, 7U, 4000U, 1U, 1U, 5U, 7U, 30U, 0U, 4000U, 4000U, 1U}) {
    const auto name = names.find(pid);
    EXPECT_EQ(GetProcessName(list.get(), pid), name == names.end() ? "" : name->second) << "pid " << pid;
  }
}

TEST(ProcessListTest, AProcessStartedAfterTheListHasNoNameButItsPath) {
  FixtureTree proc;
  testing::AddProcess(proc, {10, "/usr/bin/first", "", "", {}});
  const auto processes = MakeProcessSource(proc.Root(), std::make_shared<SnapshotScope>());
  const auto list = processes->TakeSnapshot();
  testing::AddProcess(proc, {11, "/usr/bin/later", "", "", {}});

  EXPECT_EQ(GetProcessName(list.get(), 11), "");
  EXPECT_EQ(GetProcessPath(*processes, 11), "/usr/bin/later");
}

TEST(ProcessListTest, PathsAreReadOncePerSnapshot) {
  FixtureTree proc;
  testing::AddProcess(proc, {10, "/usr/bin/before", "", "", {}});
  const auto processes = MakeProcessSource(proc.Root(), std::make_shared<SnapshotScope>());
  auto list = processes->TakeSnapshot();
  proc.Remove("10");
  EXPECT_EQ(GetProcessPath(*processes, 10), "/usr/bin/before") << "the open snapshot keeps what it read";

  list = processes->TakeSnapshot();
  EXPECT_EQ(GetProcessPath(*processes, 10), "") << "the next snapshot reads again";
  list.reset();
  testing::AddProcess(proc, {10, "/usr/bin/after", "", "", {}});
  EXPECT_EQ(GetProcessPath(*processes, 10), "/usr/bin/after") << "outside a snapshot every lookup reads";
}

TEST(ProcessListTest, NoProcRootGivesNoList) {
  const auto processes = MakeProcessSource("/nonexistent/proc", std::make_shared<SnapshotScope>());
  EXPECT_EQ(processes->TakeSnapshot(), nullptr);
  EXPECT_EQ(GetProcessPath(*processes, 1), "");
}

// ---- Owners of sockets -----------------------------------------------------------

TEST(SocketOwnersTest, SharedSocketsBelongToTheFirstStartedThenTheLowestId) {
  FixtureTree proc;
  testing::AddProcess(proc, {100, "", "", "500", {"socket:[1]", "socket:[2]", "socket:[3]", "socket:[4]"}});
  testing::AddProcess(proc, {200, "", "", "500", {"socket:[2]"}});
  testing::AddProcess(proc, {300, "", "", "90", {"socket:[1]", "socket:[3]"}});
  testing::AddProcess(proc, {400, "", "", "", {"socket:[3]", "socket:[4]", "socket:[5]", "socket:[5]"}});
  testing::AddProcess(
      proc, {500, "", "", "", {"pipe:[6]", "/dev/null", "socket:[x]", "socket:[7", "anon_inode:[eventfd]"}});

  const SocketOwners owners = SocketOwners::Walk(proc.Root());
  EXPECT_EQ(owners.Owner(1), 300U) << "the earlier start wins over the lower ID";
  EXPECT_EQ(owners.Owner(2), 100U) << "equal starts: the lower ID";
  EXPECT_EQ(owners.Owner(3), 300U);
  EXPECT_EQ(owners.Owner(4), 100U) << "a process whose start cannot be read ranks last";
  EXPECT_EQ(owners.Owner(5), 400U) << "one process holding it twice";
  for (const std::uint64_t inode : {0U, 6U, 7U, 8U}) {
    EXPECT_EQ(owners.Owner(inode), 0U) << inode;
  }
}

TEST(SocketOwnersTest, StartTimeIsTheTwentiethFieldAfterTheName) {
  EXPECT_EQ(StartTime("1 (init) S 0 1 1 0 -1 4194560 1 2 3 4 5 6 7 8 20 0 1 0 77 1000 200"), 77U);
  EXPECT_EQ(StartTime("9 (a) b) c) R 0 1 1 0 -1 4194560 1 2 3 4 5 6 7 8 20 0 1 0 123456789012 1 2\n"),
            123456789012U);
  EXPECT_EQ(StartTime("9 (cut) R 0 1 1"), std::nullopt);
  EXPECT_EQ(StartTime("no parenthesis"), std::nullopt);
}

// ---- Debug privilege -------------------------------------------------------------

struct PrivilegeCase {
  const char* Name;
  std::string Status;  // the text of self/status; none where empty
  bool Enabled;
};

const PrivilegeCase kPrivileges[] = {
    {"Root", "Name:\tx\nCapInh:\t0000000000000000\nCapEff:\t000001ffffffffff\nCapBnd:\t0\n", true},
    {"PtraceOnly", "Name:\tx\nCapEff:\t0000000000080000\n", true},
    {"OrdinaryUser", "Name:\tx\nCapPrm:\t0000000000080000\nCapEff:\t0000000000000000\n", false},
    {"AllButPtrace", "Name:\tx\nCapEff:\t000001fffff7ffff\n", false},
    {"Malformed", "Name:\tx\nCapEff:\tzz\n", false},
    {"NoStatus", "", false},
};

class PrivilegeTest : public ::testing::TestWithParam<PrivilegeCase> {};

TEST_P(PrivilegeTest, DebugPrivilegeAnswersWhetherOtherUsersCanBeSeen) {
  FixtureTree proc;
  if (!GetParam().Status.empty()) {
    proc.Write("self/status", GetParam().Status);
  }
  const auto privileges = MakePrivilegeSource(proc.Root());
  EXPECT_EQ(EnableDebugPrivilege(*privileges), GetParam().Enabled);

  const auto token = privileges->OpenOwnToken();
  ASSERT_NE(token, nullptr);
  EXPECT_TRUE(SetPrivilege(*token, "SeDebugPrivilege", false)) << "disabling enables nothing and succeeds";
  EXPECT_FALSE(SetPrivilege(*token, "SeShutdownPrivilege", true));
}

INSTANTIATE_TEST_SUITE_P(Privileges, PrivilegeTest, ::testing::ValuesIn(kPrivileges), testing::CaseName());

}  // namespace
}  // namespace portolan::linux
