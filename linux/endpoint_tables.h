#pragma once
// The two endpoint tables on Linux: the IPv4 TCP and UDP sockets from a
// netlink dump, or from `<procRoot>/net/tcp` and `/net/udp` where netlink is
// refused, each with its owner from one walk over the processes' open files.
// Rows go out in the layouts of the Windows tables: TCP rows of 24 bytes
// with the state in the table's numbering, UDP rows of 12 bytes.

#include <memory>
#include <string>

#include "linux/diag_dump.h"
#include "linux/snapshot_scope.h"
#include "snapshot/sources.h"

namespace portolan::linux {

// The owners are found once per snapshot of `scope`, at the first table read
// in it (at every read outside one). A TCP socket in a state the table has
// no number for is left out.
std::unique_ptr<EndpointTableSource> MakeEndpointTables(std::string procRoot, DiagConnector connect,
                                                        std::shared_ptr<SnapshotScope> scope);

}  // namespace portolan::linux
