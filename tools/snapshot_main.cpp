// portolan-snapshot: takes one snapshot of the machine's IPv4 endpoints and
// prints it, one record a line, the fields tab-separated: a header line,
// then TcpTable, then UdpTable. Texts are printed as the bytes they are.

#include <cstdio>
#include <string>

#include "snapshot/process_identity.h"
#include "snapshot/system_snapshot.h"

namespace {

void PrintTable(const char* protocol, const portolan::FileTable& table, std::string& out) {
  for (const portolan::File_Rec& r : table) {
    out += protocol;
    out += '\t';
    out += std::to_string(r.State);
    for (const std::string* field : {&r.LocalIP, &r.LocalPort, &r.RemoteIP, &r.RemotePort, &r.PID,
                                     &r.ProcessName, &r.FilePath, &r.FileDescription, &r.Company, &r.Mark}) {
      out += '\t';
      out += *field;
    }
    out += '\n';
  }
}

}  // namespace

int main() {
  portolan::SnapshotSources sources = portolan::MakeSystemSources();
  if (!sources.Tables || !sources.Processes || !sources.Versions || !sources.Privilege) {
    std::fputs("portolan-snapshot: this build has no endpoint backend yet\n", stderr);
    return 1;
  }
  portolan::EnableDebugPrivilege(*sources.Privilege);
  portolan::SystemSnapshot snapshot(sources);
  snapshot.GetTcpUdpTable();

  std::string out =
      "Protocol\tState\tLocalIP\tLocalPort\tRemoteIP\tRemotePort\tPID\tProcessName\tFilePath\t"
      "FileDescription\tCompany\tMark\n";
  PrintTable("TCP", snapshot.TcpTable, out);
  PrintTable("UDP", snapshot.UdpTable, out);
  return std::fwrite(out.data(), 1, out.size(), stdout) == out.size() && std::fflush(stdout) == 0 ? 0 : 1;
}
