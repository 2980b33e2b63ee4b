#pragma once
// Netlink messages of a socket diagnostics answer, built for recorded dumps.

#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "linux/kernel_endpoint.h"

namespace portolan::linux::testing {

using Bytes = std::vector<std::byte>;

template <typename Body>
Bytes Message(std::uint16_t type, const Body& body, std::size_t bodyBytes = sizeof(Body)) {
  nlmsghdr header{};
  header.nlmsg_len = static_cast<std::uint32_t>(sizeof header + bodyBytes);
  header.nlmsg_type = type;
  header.nlmsg_flags = NLM_F_MULTI;
  Bytes bytes(NLMSG_ALIGN(sizeof header + bodyBytes));
  std::memcpy(bytes.data(), &header, sizeof header);
  std::memcpy(bytes.data() + sizeof header, &body, std::min(bodyBytes, sizeof(Body)));
  return bytes;
}

inline Bytes SocketMessage(const KernelEndpoint& socket, std::uint8_t family = AF_INET) {
  inet_diag_msg body{};
  body.idiag_family = family;
  body.idiag_state = socket.State;
  const std::uint8_t localPort[2] = {static_cast<std::uint8_t>(socket.LocalPort >> 8U),
                                     static_cast<std::uint8_t>(socket.LocalPort)};
  const std::uint8_t remotePort[2] = {static_cast<std::uint8_t>(socket.RemotePort >> 8U),
                                      static_cast<std::uint8_t>(socket.RemotePort)};
  std::memcpy(&body.id.idiag_sport, localPort, 2);
  std::memcpy(&body.id.idiag_dport, remotePort, 2);
  std::memcpy(&body.id.idiag_src[0], socket.LocalAddress.data(), 4);
  std::memcpy(&body.id.idiag_dst[0], socket.RemoteAddress.data(), 4);
  body.idiag_inode = static_cast<std::uint32_t>(socket.Inode);
  return Message(SOCK_DIAG_BY_FAMILY, body);
}

inline Bytes DoneMessage(int error = 0) { return Message(NLMSG_DONE, error); }

inline Bytes ErrorMessage(int error) {
  nlmsgerr body{};
  body.error = error;
  return Message(NLMSG_ERROR, body);
}

inline Bytes Joined(std::initializer_list<Bytes> parts) {
  Bytes joined;
  for (const Bytes& part : parts) {
    joined.insert(joined.end(), part.begin(), part.end());
  }
  return joined;
}

}  // namespace portolan::linux::testing
