#include "linux/proc_net.h"

#include <algorithm>
#include <cstring>

#include "linux/proc_files.h"

namespace portolan::linux {
namespace {

constexpr std::size_t kInodeField = 9;
constexpr std::size_t kFieldsRead = kInodeField + 1;
constexpr std::size_t kAddressDigits = 8;
constexpr std::size_t kPortDigits = 4;

// The first `count` space-separated fields of a line; fewer where it has
// fewer.
std::vector<std::string_view> Fields(std::string_view line, std::size_t count) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (fields.size() < count) {
    at = line.find_first_not_of(' ', at);
    if (at == std::string_view::npos) {
      break;
    }
    const std::size_t end = std::min(line.find(' ', at), line.size());
    fields.push_back(line.substr(at, end - at));
    at = end;
  }
  return fields;
}

bool IsHex(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
}

// "AAAAAAAA:PPPP". The kernel prints the address word as the machine holds
// it, so its bytes in memory are the address in network byte order.
bool ParseEndpoint(std::string_view text, Ipv4Address& address, std::uint16_t& port) {
  if (text.size() != kAddressDigits + 1 + kPortDigits || text[kAddressDigits] != ':') {
    return false;
  }
  const std::string_view addressText = text.substr(0, kAddressDigits);
  const std::string_view portText = text.substr(kAddressDigits + 1);
  if (!IsHex(addressText) || !IsHex(portText)) {
    return false;
  }
  const auto word = static_cast<std::uint32_t>(*ParseNumber(addressText, 16));
  std::memcpy(address.data(), &word, address.size());
  port = static_cast<std::uint16_t>(*ParseNumber(portText, 16));
  return true;
}

bool ParseLine(std::string_view line, KernelEndpoint& socket) {
  const std::vector<std::string_view> fields = Fields(line, kFieldsRead);
  if (fields.size() < kFieldsRead || fields[0].empty() || fields[0].back() != ':' ||
      !ParseNumber(fields[0].substr(0, fields[0].size() - 1))) {
    return false;
  }
  const auto state = fields[3].size() == 2 && IsHex(fields[3]) ? ParseNumber(fields[3], 16) : std::nullopt;
  const auto inode = ParseNumber(fields[kInodeField]);
  if (!state || !inode || !ParseEndpoint(fields[1], socket.LocalAddress, socket.LocalPort) ||
      !ParseEndpoint(fields[2], socket.RemoteAddress, socket.RemotePort)) {
    return false;
  }
  socket.State = static_cast<std::uint8_t>(*state);
  socket.Inode = *inode;
  return true;
}

}  // namespace

std::vector<KernelEndpoint> ParseProcNetTable(std::string_view text) {
  std::vector<KernelEndpoint> sockets;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    KernelEndpoint socket;
    if (ParseLine(text.substr(0, end), socket)) {
      sockets.push_back(socket);
    }
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return sockets;
}

}  // namespace portolan::linux
