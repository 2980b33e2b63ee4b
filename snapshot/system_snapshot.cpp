#include "snapshot/system_snapshot.h"

#include "snapshot/process_identity.h"
#include "snapshot/table_rows.h"

namespace portolan {
namespace {

// The fields every record gets from its owning process.
void FillOwner(SnapshotSources& sources, ProcessList* processes, std::uint32_t pid, File_Rec& record) {
  record.PID = std::to_string(pid);
  record.ProcessName = GetProcessName(processes, pid);
  record.FilePath = GetProcessPath(*sources.Processes, pid);
  VersionStrings strings = GetFileVersionStrings(*sources.Versions, record.FilePath);
  record.FileDescription = std::move(strings.FileDescription);
  record.Company = std::move(strings.Company);
}

FileTable TcpRecords(SnapshotSources& sources, ProcessList* processes) {
  FileTable records;
  const auto block = sources.Tables->ReadTcpTable();
  if (block == nullptr) {
    return records;
  }
  const std::vector<TcpRow> rows = DecodeTcpTable(block->Bytes(), sources.Tables->TcpLayout());
  records.resize(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const TcpRow& row = rows[i];
    File_Rec& record = records[i];
    record.State = static_cast<std::int32_t>(row.State);
    record.LocalIP = Ipv4Text(row.LocalAddress);
    record.LocalPort = std::to_string(row.LocalPort);
    record.RemoteIP = Ipv4Text(row.RemoteAddress);
    record.RemotePort = std::to_string(row.RemotePort);
    FillOwner(sources, processes, row.OwningPid, record);
  }
  return records;
}

FileTable UdpRecords(SnapshotSources& sources, ProcessList* processes) {
  FileTable records;
  const auto block = sources.Tables->ReadUdpTable();
  if (block == nullptr) {
    return records;
  }
  const std::vector<UdpRow> rows = DecodeUdpTable(block->Bytes());
  records.resize(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    records[i].LocalIP = Ipv4Text(rows[i].LocalAddress);
    records[i].LocalPort = std::to_string(rows[i].LocalPort);
    FillOwner(sources, processes, rows[i].OwningPid, records[i]);
  }
  return records;
}

}  // namespace

void SystemSnapshot::GetTcpUdpTable() {
  const auto processes = sources_.Processes->TakeSnapshot();
  TcpTable = TcpRecords(sources_, processes.get());
  UdpTable = UdpRecords(sources_, processes.get());
}

}  // namespace portolan
