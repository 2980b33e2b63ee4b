#include "win32/system_sources.h"

#include "win32/endpoint_tables.h"

namespace portolan {

SnapshotSources MakeSystemSources() {
  return {win32::MakeEndpointTables(), win32::MakeProcessSource(), win32::MakeVersionSource(),
          win32::MakePrivilegeSource()};
}

}  // namespace portolan
