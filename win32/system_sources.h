#pragma once
// The Windows sources of the snapshot, one per kind.

#include <memory>

#include "snapshot/sources.h"

namespace portolan::win32 {

std::unique_ptr<ProcessSource> MakeProcessSource();
std::unique_ptr<VersionSource> MakeVersionSource();
std::unique_ptr<PrivilegeSource> MakePrivilegeSource();

}  // namespace portolan::win32
