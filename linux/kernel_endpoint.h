#pragma once
// One IPv4 socket as the kernel lists it, before its owner is known, and
// the kernel's TCP state numbers in the table's numbering.

#include <cstdint>
#include <optional>

#include "snapshot/table_rows.h"

namespace portolan::linux {

struct KernelEndpoint {
  std::uint8_t State = 0;  // the kernel's TCP state; UDP uses two of them
  Ipv4Address LocalAddress{};
  std::uint16_t LocalPort = 0;
  Ipv4Address RemoteAddress{};
  std::uint16_t RemotePort = 0;
  std::uint64_t Inode = 0;  // 0 for a socket no file refers to (a half-open request, time wait)

  bool operator==(const KernelEndpoint&) const = default;
};

// The kernel's TCP states, as include/net/tcp_states.h numbers them.
enum class KernelTcpState : std::uint8_t {
  Established = 1,
  SynSent,
  SynReceived,
  FinWait1,
  FinWait2,
  TimeWait,
  Close,
  CloseWait,
  LastAck,
  Listen,
  Closing,
  NewSynReceived,  // a half-open connection request
};

// The kernel states a dump asks for: Established to NewSynReceived. Sockets
// that are only bound have no number in the table and are not asked for.
inline constexpr std::uint32_t kListedKernelTcpStates = 0x1FFEU;

// The table's number (1 closed ... 12 delete TCB) for a kernel state;
// nullopt for a number the kernel does not give a listed socket.
std::optional<std::uint32_t> TableTcpState(std::uint8_t kernelState);

}  // namespace portolan::linux
