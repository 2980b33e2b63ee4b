#pragma once
// The record of one row of the connection list, and the marker texts that
// the refresh leaves on rows and on snapshot entries.

#include <string>
#include <string_view>

namespace portolan {

// Texts are 8-bit, in the system's ANSI code page. A UDP row has State,
// RemoteIP and RemotePort empty.
struct TMyRec {
  std::string Protocol;  // "TCP" or "UDP"
  std::string State;
  std::string LocalIP;
  std::string LocalPort;
  std::string RemoteIP;
  std::string RemotePort;
  std::string PID;
  std::string ProcessName;
  std::string FilePath;
  std::string FileDescription;
  std::string Company;
  std::string Mark;  // empty, kMarkAdded or kMarkChanged

  bool operator==(const TMyRec&) const = default;
};

inline constexpr std::string_view kProtocolTcp = "TCP";
inline constexpr std::string_view kProtocolUdp = "UDP";

inline constexpr std::string_view kMarkMatched = "ok";  // on an entry a kept row stands for
inline constexpr std::string_view kMarkAdded = "add";   // on a row a refresh created
inline constexpr std::string_view kMarkChanged = "md";  // on a TCP row whose state changed

}  // namespace portolan
