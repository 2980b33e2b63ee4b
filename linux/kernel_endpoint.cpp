#include "linux/kernel_endpoint.h"

#include <array>
#include <utility>

namespace portolan::linux {

std::optional<std::uint32_t> TableTcpState(std::uint8_t kernelState) {
  using enum KernelTcpState;
  static constexpr std::array<std::pair<KernelTcpState, std::uint32_t>, 12> kTableStates{{
      {Close, 1},
      {Listen, 2},
      {SynSent, 3},
      {SynReceived, 4},
      {NewSynReceived, 4},
      {Established, 5},
      {FinWait1, 6},
      {FinWait2, 7},
      {CloseWait, 8},
      {Closing, 9},
      {LastAck, 10},
      {TimeWait, 11},
  }};
  for (const auto& [kernel, table] : kTableStates) {
    if (static_cast<std::uint8_t>(kernel) == kernelState) {
      return table;
    }
  }
  return std::nullopt;
}

}  // namespace portolan::linux
