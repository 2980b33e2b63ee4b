#pragma once
// The processes under a proc root as the snapshot asks for them: the list
// with each executable's name, and a process's image path (its `exe` link).

#include <memory>
#include <string>
#include <string_view>

#include "linux/snapshot_scope.h"
#include "snapshot/sources.h"

namespace portolan::linux {

// Every process listed under the proc root, after an entry without a name
// for ID 0, the owner of the sockets no visible process holds. The name is
// the last part of the `exe` link's target, without the " (deleted)" the
// kernel adds for a removed file, or, where the link cannot be read, the
// `comm` file's text; it is cut to 260 bytes. An image path is the `exe`
// link's target, cut to 1024 bytes; a process that cannot be opened has
// none. Taking the list opens a snapshot of `scope` that lasts as long as
// the list: image paths are then read once per process.
std::unique_ptr<ProcessSource> MakeProcessSource(std::string procRoot, std::shared_ptr<SnapshotScope> scope);

// The executable name in an `exe` link's target.
std::string_view ExecutableName(std::string_view target);

}  // namespace portolan::linux
