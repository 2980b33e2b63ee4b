#include "snapshot/sources.h"

namespace portolan {

// This build has no endpoint backend yet: no source at all.
SnapshotSources MakeSystemSources() { return {}; }

}  // namespace portolan
