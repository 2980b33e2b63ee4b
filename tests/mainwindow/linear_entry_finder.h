#pragma once
// The plain way to find a row's entry: search the table from its first
// entry, comparing the key fields one by one. It costs rows times entries
// comparisons per refresh and serves as the reference the hashed index must
// agree with.

#include "mainwindow/entry_finder.h"

namespace portolan::testing {

class LinearEntryFinder final : public EntryFinder {
 public:
  void Reset(FileTable& tcpTable, FileTable& udpTable) override {
    tcp_ = &tcpTable;
    udp_ = &udpTable;
  }

  File_Rec* FindTcp(const TMyRec& row) override {
    for (File_Rec& entry : *tcp_) {
      if (entry.Mark != kMarkMatched && entry.PID == row.PID && entry.LocalIP == row.LocalIP &&
          entry.LocalPort == row.LocalPort && entry.RemoteIP == row.RemoteIP &&
          entry.RemotePort == row.RemotePort) {
        return &entry;
      }
    }
    return nullptr;
  }

  File_Rec* FindUdp(const TMyRec& row) override {
    for (File_Rec& entry : *udp_) {
      if (entry.Mark != kMarkMatched && entry.PID == row.PID && entry.LocalIP == row.LocalIP &&
          entry.LocalPort == row.LocalPort) {
        return &entry;
      }
    }
    return nullptr;
  }

 private:
  FileTable* tcp_ = nullptr;
  FileTable* udp_ = nullptr;
};

}  // namespace portolan::testing
