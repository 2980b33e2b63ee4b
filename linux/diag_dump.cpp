#include "linux/diag_dump.h"

#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "linux/handles.h"

namespace portolan::linux {
namespace {

constexpr std::size_t kReceiveBuffer = 65536;  // the kernel fills at most 32 KiB a datagram
constexpr time_t kReceiveTimeoutSeconds = 5;

std::size_t Aligned(std::size_t length) {
  return (length + NLMSG_ALIGNTO - 1) & ~std::size_t{NLMSG_ALIGNTO - 1};
}

class KernelDiag final : public DiagTransport {
 public:
  explicit KernelDiag(UniqueFd socket) : socket_(std::move(socket)) {}

  bool Send(std::span<const std::byte> request) override {
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    const ssize_t sent = ::sendto(socket_.Get(), request.data(), request.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&kernel), sizeof kernel);
    return sent == static_cast<ssize_t>(request.size());
  }

  std::optional<std::span<const std::byte>> Receive() override {
    ssize_t got = 0;
    do {
      got = ::recv(socket_.Get(), buffer_.data(), buffer_.size(), 0);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
      return std::nullopt;
    }
    return std::span<const std::byte>(buffer_.data(), static_cast<std::size_t>(got));
  }

 private:
  UniqueFd socket_;
  std::vector<std::byte> buffer_ = std::vector<std::byte>(kReceiveBuffer);
};

template <typename T>
T Read(std::span<const std::byte> bytes) {
  T value{};
  std::memcpy(&value, bytes.data(), sizeof value);
  return value;
}

std::uint16_t NetworkPort(std::uint16_t field) {
  std::uint8_t bytes[2];
  std::memcpy(bytes, &field, sizeof bytes);
  return static_cast<std::uint16_t>(bytes[0] << 8U | bytes[1]);
}

Ipv4Address NetworkAddress(const std::uint32_t (&field)[4]) {
  Ipv4Address address;
  std::memcpy(address.data(), &field[0], address.size());
  return address;
}

void AddSocket(std::span<const std::byte> payload, std::vector<KernelEndpoint>& sockets) {
  if (payload.size() < sizeof(inet_diag_msg)) {
    return;
  }
  const auto message = Read<inet_diag_msg>(payload);
  if (message.idiag_family != AF_INET) {
    return;
  }
  sockets.push_back({message.idiag_state, NetworkAddress(message.id.idiag_src),
                     NetworkPort(message.id.idiag_sport), NetworkAddress(message.id.idiag_dst),
                     NetworkPort(message.id.idiag_dport), message.idiag_inode});
}

}  // namespace

std::unique_ptr<DiagTransport> ConnectKernelDiag(DiagProtocol /*protocol*/) {
  UniqueFd socket(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG));
  if (!socket) {
    return nullptr;
  }
  // A dump that never ends must not hold the snapshot.
  const timeval timeout{kReceiveTimeoutSeconds, 0};
  ::setsockopt(socket.Get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  return std::make_unique<KernelDiag>(std::move(socket));
}

std::vector<std::byte> DumpRequest(DiagProtocol protocol) {
  struct {
    nlmsghdr header;
    inet_diag_req_v2 body;
  } request{};
  request.header.nlmsg_len = sizeof request;
  request.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
  request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
  request.header.nlmsg_seq = 1;
  request.body.sdiag_family = AF_INET;
  request.body.sdiag_protocol = protocol == DiagProtocol::Tcp ? IPPROTO_TCP : IPPROTO_UDP;
  request.body.idiag_states = protocol == DiagProtocol::Tcp ? kListedKernelTcpStates : ~0U;
  std::vector<std::byte> bytes(sizeof request);
  std::memcpy(bytes.data(), &request, sizeof request);
  return bytes;
}

DumpProgress ParseDumpDatagram(std::span<const std::byte> datagram, std::vector<KernelEndpoint>& sockets) {
  std::size_t offset = 0;
  while (datagram.size() - offset >= sizeof(nlmsghdr)) {
    const auto header = Read<nlmsghdr>(datagram.subspan(offset));
    if (header.nlmsg_len < sizeof(nlmsghdr) || header.nlmsg_len > datagram.size() - offset) {
      break;
    }
    const auto payload = datagram.subspan(offset + sizeof(nlmsghdr), header.nlmsg_len - sizeof(nlmsghdr));
    switch (header.nlmsg_type) {
      case NLMSG_DONE:
        // "Done" carries the error that ended the dump, 0 when it is whole.
        return payload.size() >= sizeof(int) && Read<int>(payload) < 0 ? DumpProgress::Refused
                                                                       : DumpProgress::Done;
      case NLMSG_ERROR:
        // An acknowledgement carries error 0; anything else refuses the dump.
        if (payload.size() < sizeof(int) || Read<int>(payload) != 0) {
          return DumpProgress::Refused;
        }
        break;
      case SOCK_DIAG_BY_FAMILY:
        AddSocket(payload, sockets);
        break;
      default:
        break;
    }
    offset += std::min(Aligned(header.nlmsg_len), datagram.size() - offset);
  }
  return DumpProgress::More;
}

std::optional<std::vector<KernelEndpoint>> DumpSockets(DiagTransport& transport, DiagProtocol protocol) {
  if (!transport.Send(DumpRequest(protocol))) {
    return std::nullopt;
  }
  std::vector<KernelEndpoint> sockets;
  for (;;) {
    const auto datagram = transport.Receive();
    if (!datagram) {
      return std::nullopt;
    }
    if (datagram->empty()) {
      return sockets;
    }
    switch (ParseDumpDatagram(*datagram, sockets)) {
      case DumpProgress::Done:
        return sockets;
      case DumpProgress::Refused:
        return std::nullopt;
      case DumpProgress::More:
        break;
    }
  }
}

}  // namespace portolan::linux
