// The package lookup on fixture dpkg databases, read through the version
// rules the snapshot runs: the description is the package's summary, the
// company its maintainer's name.

#include <gtest/gtest.h>

#include "linux/package_versions.h"
#include "snapshot/process_identity.h"
#include "tests/linux/fixture_tree.h"

namespace portolan::linux {
namespace {

using testing::FixtureTree;

std::string Stanza(const std::string& package, const std::string& status, const std::string& maintainer,
                   const std::string& description, const std::string& architecture = "amd64") {
  return "Package: " + package + "\nStatus: " + status +
         "\nPriority: optional\nArchitecture: " + architecture + "\nMaintainer: " + maintainer +
         "\nVersion: 1.0-1\nDescription: " + description +
         "\n a longer text\n .\n over lines: with colons\n\n";
}

// A database whose lists name files of a files tree, so that some of them
// exist and one is reached through a linked directory.
class PackagesTest : public ::testing::Test {
 protected:
  PackagesTest() {
    files_.Write("usr/bin/tool", "");
    files_.Write("usr/bin/aliased", "");
    files_.Write("usr/bin/stray", "");
    files_.Link("bin", "usr/bin");
    dpkg_.Write("status",
                Stanza("tool", "install ok installed", "Jane Doe <jane@example.org>", "does the work") +
                    Stanza("libthing", "install ok installed", "Thing Team <team@example.org>", "a library") +
                    Stanza("aliased", "install ok installed", "Al Ias", "found through /bin", "all") +
                    Stanza("removed", "deinstall ok config-files", "Gone Away <g@example.org>", "was here") +
                    Stanza("held", "hold ok installed", "<only@mail.example.org>", "kept back") +
                    Stanza("zeta", "install ok installed", "Zed <z@example.org>", "also lists the tool"));
    dpkg_.Write("info/tool.list", "/.\n/usr\n/usr/bin\n" + File("usr/bin/tool") + "\n");
    dpkg_.Write("info/libthing:amd64.list", File("usr/lib/libthing.so.1") + "\n");
    dpkg_.Write("info/aliased.list", File("bin/aliased") + "\n");
    dpkg_.Write("info/removed.list", File("usr/bin/stray") + "\n");
    dpkg_.Write("info/held.list", File("usr/bin/held"));  // the last line without its newline
    dpkg_.Write("info/zeta.list", File("usr/bin/tool") + "\n" + File("usr/bin/zeta") + "\n");
    dpkg_.Write("info/tool.md5sums", "0123 " + File("usr/bin/nothing") + "\n");
  }

  std::string File(const std::string& relative) const { return files_.Path(relative); }

  VersionStrings Lookup(const std::string& path) { return GetFileVersionStrings(*versions_, path); }

  // Opens a snapshot for as long as the holder lives.
  SnapshotScope::Holder OpenSnapshot() { return SnapshotScope::Open(scope_); }

  FixtureTree files_;
  FixtureTree dpkg_;
  std::shared_ptr<SnapshotScope> scope_ = std::make_shared<SnapshotScope>();
  std::unique_ptr<VersionSource> versions_ = MakePackageVersions(dpkg_.Root(), scope_, files_.Root());
};

TEST_F(PackagesTest, PackagedFilesGiveSummaryAndMaintainerName) {
  EXPECT_EQ(Lookup(File("usr/bin/tool")).FileDescription, "does the work") << "the first list by name wins";
  EXPECT_EQ(Lookup(File("usr/bin/tool")).Company, "Jane Doe");
  EXPECT_EQ(Lookup(File("usr/bin/zeta")).FileDescription, "also lists the tool");
  EXPECT_EQ(Lookup(File("usr/lib/libthing.so.1")).FileDescription, "a library") << "a multi-arch list name";
  EXPECT_EQ(Lookup(File("usr/lib/libthing.so.1")).Company, "Thing Team");
  EXPECT_EQ(Lookup(File("usr/bin/aliased")).FileDescription, "found through /bin")
      << "listed under the linked directory's name";
  EXPECT_EQ(Lookup(File("usr/bin/aliased")).Company, "Al Ias");
  EXPECT_EQ(Lookup(File("usr/bin/held")).FileDescription, "kept back");
  EXPECT_EQ(Lookup(File("usr/bin/held")).Company, "") << "a maintainer that is only a mail address";
}

TEST_F(PackagesTest, OtherFilesGiveNothing) {
  for (const std::string& path :
       {File("usr/bin/stray"), File("usr/bin/nothing"), File("usr/bin/missing"), File("usr/bin"), File(""),
        std::string("/usr/bin/tool"), std::string("relative/usr/bin/tool"), std::string()}) {
    EXPECT_EQ(Lookup(path).FileDescription, "") << path;
    EXPECT_EQ(Lookup(path).Company, "") << path;
  }
}

TEST_F(PackagesTest, AChangedDatabaseIsReadAgainAtTheNextSnapshot) {
  const std::string tool = File("usr/bin/tool");
  const std::string stray = File("usr/bin/stray");
  {
    const auto snapshot = OpenSnapshot();
    EXPECT_EQ(Lookup(tool).FileDescription, "does the work");
    dpkg_.Replace("status", Stanza("tool", "install ok installed", "New Hand <n@example.org>", "does more") +
                                Stanza("stray", "install ok installed", "Stray Cat", "now packaged"));
    dpkg_.Write("info/stray.list", stray + "\n");
    EXPECT_EQ(Lookup(tool).FileDescription, "does the work") << "one snapshot reads the database once";
    EXPECT_EQ(Lookup(stray).FileDescription, "");
  }
  {
    const auto snapshot = OpenSnapshot();
    EXPECT_EQ(Lookup(tool).FileDescription, "does more");
    EXPECT_EQ(Lookup(tool).Company, "New Hand");
    EXPECT_EQ(Lookup(stray).FileDescription, "now packaged");
  }
  // dpkg rewrites its status file whenever it removes a package.
  dpkg_.Remove("info/stray.list");
  dpkg_.Replace("status", Stanza("tool", "install ok installed", "New Hand <n@example.org>", "does more"));
  EXPECT_EQ(Lookup(stray).FileDescription, "") << "a removed package, outside a snapshot";
  dpkg_.Remove("status");
  EXPECT_EQ(Lookup(tool).FileDescription, "") << "no database at all";
}

TEST(PackageVersionsTest, NoDatabaseGivesNothing) {
  const auto versions = MakePackageVersions("/nonexistent/dpkg", std::make_shared<SnapshotScope>());
  EXPECT_EQ(versions->InfoSize("/usr/bin/env"), 0U);
  EXPECT_EQ(GetFileVersionStrings(*versions, "/usr/bin/env").FileDescription, "");
}

TEST_F(PackagesTest, TheBlockAnswersOnlyItsOwnTranslation) {
  const std::string tool = File("usr/bin/tool");
  std::vector<std::byte> block(versions_->InfoSize(tool));
  ASSERT_TRUE(versions_->ReadInfo(tool, block));
  VersionValue value;
  EXPECT_FALSE(versions_->QueryValue(block, "\\StringFileInfo\\040904B0\\FileDescription", value));
  EXPECT_FALSE(versions_->QueryValue(block, "\\StringFileInfo\\0409FDE9\\ProductName", value));
  EXPECT_FALSE(
      versions_->QueryValue(std::span(block).first(4), "\\StringFileInfo\\0409FDE9\\CompanyName", value));
  std::vector<std::byte> wrongSize(block.size() + 1);
  EXPECT_FALSE(versions_->ReadInfo(tool, wrongSize));
}

}  // namespace
}  // namespace portolan::linux
