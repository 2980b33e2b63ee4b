#pragma once
// The machine's current IPv4 endpoints: what the connection list reads.

#include "snapshot/file_rec.h"

namespace portolan {

// Holds the two tables of the latest snapshot. GetTcpUdpTable throws both
// away and rebuilds them, TCP first; every Mark is then empty. Readers may
// write Mark between snapshots.
class EndpointSnapshot {
 public:
  EndpointSnapshot() = default;
  EndpointSnapshot(const EndpointSnapshot&) = delete;
  EndpointSnapshot& operator=(const EndpointSnapshot&) = delete;
  virtual ~EndpointSnapshot() = default;

  virtual void GetTcpUdpTable() = 0;

  FileTable TcpTable;
  FileTable UdpTable;
};

}  // namespace portolan
