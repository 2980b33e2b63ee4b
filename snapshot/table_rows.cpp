#include "snapshot/table_rows.h"

#include <algorithm>

namespace portolan {
namespace {

constexpr std::size_t kTcpOwnerPidRowBytes = 24;
constexpr std::size_t kTcpRow2RowBytes = 28;

// Reads the little-endian words of one row or header; the caller has checked
// that the bytes are there.
class WordReader {
 public:
  explicit WordReader(std::span<const std::byte> bytes) : bytes_(bytes) {}

  std::uint8_t Byte(std::size_t offset) const { return std::to_integer<std::uint8_t>(bytes_[offset]); }

  std::uint32_t Word(std::size_t offset) const {
    return static_cast<std::uint32_t>(Byte(offset)) | static_cast<std::uint32_t>(Byte(offset + 1)) << 8U |
           static_cast<std::uint32_t>(Byte(offset + 2)) << 16U |
           static_cast<std::uint32_t>(Byte(offset + 3)) << 24U;
  }

  Ipv4Address Address(std::size_t offset) const {
    return {Byte(offset), Byte(offset + 1), Byte(offset + 2), Byte(offset + 3)};
  }

  // Network byte order in the word's first two bytes.
  std::uint16_t Port(std::size_t offset) const {
    return static_cast<std::uint16_t>(Byte(offset) << 8U | Byte(offset + 1));
  }

 private:
  std::span<const std::byte> bytes_;
};

class WordWriter {
 public:
  explicit WordWriter(std::vector<std::byte>& bytes) : bytes_(bytes) {}

  void Word(std::uint32_t value) {
    for (unsigned shift = 0; shift < 32; shift += 8) {
      bytes_.push_back(static_cast<std::byte>(value >> shift));
    }
  }

  void Address(const Ipv4Address& address) {
    for (std::uint8_t part : address) {
      bytes_.push_back(std::byte{part});
    }
  }

  void Port(std::uint16_t port) {
    bytes_.push_back(static_cast<std::byte>(port >> 8U));
    bytes_.push_back(static_cast<std::byte>(port));
    bytes_.push_back(std::byte{0});
    bytes_.push_back(std::byte{0});
  }

 private:
  std::vector<std::byte>& bytes_;
};

// The rows that are whole inside the block, at most as many as it claims.
std::size_t WholeRows(std::span<const std::byte> block, std::size_t rowBytes) {
  if (block.size() < kTableHeaderBytes) {
    return 0;
  }
  const std::size_t claimed = WordReader(block).Word(0);
  return std::min(claimed, (block.size() - kTableHeaderBytes) / rowBytes);
}

template <typename Row, typename Decode>
std::vector<Row> DecodeRows(std::span<const std::byte> block, std::size_t rowBytes, Decode decode) {
  std::vector<Row> rows(WholeRows(block, rowBytes));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    rows[i] = decode(WordReader(block.subspan(kTableHeaderBytes + i * rowBytes, rowBytes)));
  }
  return rows;
}

void WriteCount(WordWriter& out, std::size_t count) { out.Word(static_cast<std::uint32_t>(count)); }

}  // namespace

std::size_t TcpRowBytes(TcpRowLayout layout) {
  return layout == TcpRowLayout::Row2 ? kTcpRow2RowBytes : kTcpOwnerPidRowBytes;
}

std::vector<TcpRow> DecodeTcpTable(std::span<const std::byte> block, TcpRowLayout layout) {
  return DecodeRows<TcpRow>(block, TcpRowBytes(layout), [](const WordReader& row) {
    return TcpRow{row.Word(0), row.Address(4), row.Port(8), row.Address(12), row.Port(16), row.Word(20)};
  });
}

std::vector<UdpRow> DecodeUdpTable(std::span<const std::byte> block) {
  return DecodeRows<UdpRow>(block, kUdpRowBytes, [](const WordReader& row) {
    return UdpRow{row.Address(0), row.Port(4), row.Word(8)};
  });
}

std::vector<std::byte> EncodeTcpTable(std::span<const TcpRow> rows, TcpRowLayout layout) {
  std::vector<std::byte> bytes;
  bytes.reserve(kTableHeaderBytes + rows.size() * TcpRowBytes(layout));
  WordWriter out(bytes);
  WriteCount(out, rows.size());
  for (const TcpRow& row : rows) {
    out.Word(row.State);
    out.Address(row.LocalAddress);
    out.Port(row.LocalPort);
    out.Address(row.RemoteAddress);
    out.Port(row.RemotePort);
    out.Word(row.OwningPid);
    if (layout == TcpRowLayout::Row2) {
      out.Word(0);
    }
  }
  return bytes;
}

std::vector<std::byte> EncodeUdpTable(std::span<const UdpRow> rows) {
  std::vector<std::byte> bytes;
  bytes.reserve(kTableHeaderBytes + rows.size() * kUdpRowBytes);
  WordWriter out(bytes);
  WriteCount(out, rows.size());
  for (const UdpRow& row : rows) {
    out.Address(row.LocalAddress);
    out.Port(row.LocalPort);
    out.Word(row.OwningPid);
  }
  return bytes;
}

std::string Ipv4Text(const Ipv4Address& address) {
  std::string text;
  text.reserve(15);
  for (std::size_t i = 0; i < address.size(); ++i) {
    if (i != 0) {
      text += '.';
    }
    text += std::to_string(address[i]);
  }
  return text;
}

}  // namespace portolan
