#pragma once
// The snapshot taken from the operating system through its sources.

#include "snapshot/endpoint_snapshot.h"
#include "snapshot/sources.h"

namespace portolan {

class SystemSnapshot final : public EndpointSnapshot {
 public:
  // The sources must outlive the snapshot.
  explicit SystemSnapshot(SnapshotSources& sources) : sources_(sources) {}

  // One process snapshot serves both tables. The TCP table is read, turned
  // into records and released before the UDP table is asked for. A table
  // that cannot be read gives no records; without a process snapshot every
  // ProcessName is empty.
  void GetTcpUdpTable() override;

 private:
  SnapshotSources& sources_;
};

}  // namespace portolan
