#include "linux/system_sources.h"

#include "linux/endpoint_tables.h"
#include "linux/package_versions.h"
#include "linux/privilege_source.h"
#include "linux/processes.h"

namespace portolan {

SnapshotSources linux::MakeLinuxSources(const SystemRoots& roots, DiagConnector connect) {
  auto scope = std::make_shared<SnapshotScope>();
  return {MakeEndpointTables(roots.Proc, std::move(connect), scope), MakeProcessSource(roots.Proc, scope),
          MakePackageVersions(roots.Dpkg, scope), MakePrivilegeSource(roots.Proc)};
}

SnapshotSources MakeSystemSources() { return linux::MakeLinuxSources({}, linux::ConnectKernelDiag); }

}  // namespace portolan
