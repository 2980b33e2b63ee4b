#pragma once
// Version information for Linux executables, which carry none of their own:
// a file that belongs to an installed Debian package gets a small version
// block of the program's own making, holding the package's summary as the
// file description and its maintainer's name as the company.
//
// The block: a translation entry (language 0x0409, code page 65001, UTF-8,
// the texts' own code page), then the description and the company, each
// ended by a zero byte. QueryValue answers "\VarFileInfo\Translation" and,
// under that entry's key "0409FDE9", "\StringFileInfo\0409FDE9\FileDescription"
// and "...\CompanyName".

#include <memory>
#include <string>

#include "linux/package_database.h"
#include "linux/snapshot_scope.h"
#include "snapshot/sources.h"

namespace portolan::linux {

// The database under `dpkgRoot` is read at the first lookup. It is checked
// for change once per snapshot of `scope` (at every lookup outside one),
// and each file is looked up once per snapshot. `linkRoot` is the directory
// whose linked directories give files a second name.
std::unique_ptr<VersionSource> MakePackageVersions(std::string dpkgRoot, std::shared_ptr<SnapshotScope> scope,
                                                   std::string linkRoot = "/");

}  // namespace portolan::linux
