#pragma once
// The row layouts of the system's endpoint tables, read from and written to
// raw table blocks. Words are 32-bit little-endian. An address word holds
// the IPv4 address in network byte order (its first byte is the first number
// of the dotted text); a port word holds the port in network byte order in
// its first two bytes, its upper two bytes are ignored.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "snapshot/sources.h"

namespace portolan {

using Ipv4Address = std::array<std::uint8_t, 4>;  // in network byte order

struct TcpRow {
  std::uint32_t State = 0;
  Ipv4Address LocalAddress{};
  std::uint16_t LocalPort = 0;
  Ipv4Address RemoteAddress{};
  std::uint16_t RemotePort = 0;
  std::uint32_t OwningPid = 0;

  bool operator==(const TcpRow&) const = default;
};

struct UdpRow {
  Ipv4Address LocalAddress{};
  std::uint16_t LocalPort = 0;
  std::uint32_t OwningPid = 0;

  bool operator==(const UdpRow&) const = default;
};

inline constexpr std::size_t kTableHeaderBytes = 4;
inline constexpr std::size_t kUdpRowBytes = 12;
std::size_t TcpRowBytes(TcpRowLayout layout);

// The rows of a block. A block shorter than its row count claims gives only
// the whole rows it holds; nothing past the block is read.
std::vector<TcpRow> DecodeTcpTable(std::span<const std::byte> block, TcpRowLayout layout);
std::vector<UdpRow> DecodeUdpTable(std::span<const std::byte> block);

// A block that the decoders read back as the given rows.
std::vector<std::byte> EncodeTcpTable(std::span<const TcpRow> rows, TcpRowLayout layout);
std::vector<std::byte> EncodeUdpTable(std::span<const UdpRow> rows);

// "a.b.c.d", each number without leading zeros.
std::string Ipv4Text(const Ipv4Address& address);

}  // namespace portolan
