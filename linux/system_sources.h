#pragma once
// The Linux sources of the snapshot, one per kind, over a proc root and a
// dpkg database root; the four share one snapshot scope.

#include <string>

#include "linux/diag_dump.h"
#include "snapshot/sources.h"

namespace portolan::linux {

struct SystemRoots {
  std::string Proc = "/proc";
  std::string Dpkg = "/var/lib/dpkg";
};

SnapshotSources MakeLinuxSources(const SystemRoots& roots, DiagConnector connect);

}  // namespace portolan::linux
