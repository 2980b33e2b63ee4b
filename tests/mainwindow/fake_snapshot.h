#pragma once
// A snapshot that delivers tables the test (or the benchmark) put in: each
// GetTcpUdpTable gives the tables set last, with every Mark empty.

#include <utility>

#include "snapshot/endpoint_snapshot.h"

namespace portolan::testing {

class FakeSnapshot final : public EndpointSnapshot {
 public:
  void SetNext(FileTable tcp, FileTable udp) {
    nextTcp_ = std::move(tcp);
    nextUdp_ = std::move(udp);
  }

  void GetTcpUdpTable() override {
    TcpTable = nextTcp_;
    UdpTable = nextUdp_;
    for (FileTable* table : {&TcpTable, &UdpTable}) {
      for (File_Rec& entry : *table) {
        entry.Mark.clear();
      }
    }
    ++Taken;
  }

  int Taken = 0;

 private:
  FileTable nextTcp_;
  FileTable nextUdp_;
};

}  // namespace portolan::testing
