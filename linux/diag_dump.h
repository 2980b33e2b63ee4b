#pragma once
// The kernel's socket diagnostics (netlink, NETLINK_SOCK_DIAG): one dump
// request per protocol, answered by datagrams of netlink messages, one
// message per socket, until a "done" message. The conversation runs over a
// transport, so that a recorded answer can stand in for the kernel.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "linux/kernel_endpoint.h"

namespace portolan::linux {

enum class DiagProtocol { Tcp, Udp };

class DiagTransport {
 public:
  virtual ~DiagTransport() = default;
  // False where the request cannot be sent.
  virtual bool Send(std::span<const std::byte> request) = 0;
  // The next datagram of the answer, valid until the next call; empty at the
  // end of a recorded answer, nullopt where receiving failed.
  virtual std::optional<std::span<const std::byte>> Receive() = 0;
};

// Opens a transport for the dump of one protocol; null where the kernel
// refuses the socket.
using DiagConnector = std::function<std::unique_ptr<DiagTransport>(DiagProtocol)>;

// The kernel's own socket diagnostics, one socket for each dump.
std::unique_ptr<DiagTransport> ConnectKernelDiag(DiagProtocol protocol);

// A recorded answer, given back datagram by datagram; it accepts any request
// and keeps the last one.
class RecordedDump final : public DiagTransport {
 public:
  explicit RecordedDump(std::vector<std::vector<std::byte>> datagrams) : datagrams_(std::move(datagrams)) {}

  bool Send(std::span<const std::byte> request) override {
    request_.assign(request.begin(), request.end());
    return true;
  }
  std::optional<std::span<const std::byte>> Receive() override {
    if (next_ == datagrams_.size()) {
      return std::span<const std::byte>{};
    }
    return std::span<const std::byte>(datagrams_[next_++]);
  }
  const std::vector<std::byte>& Request() const { return request_; }

 private:
  std::vector<std::vector<std::byte>> datagrams_;
  std::size_t next_ = 0;
  std::vector<std::byte> request_;
};

// The request for a dump of every IPv4 socket of the protocol (TCP: every
// state the table numbers).
std::vector<std::byte> DumpRequest(DiagProtocol protocol);

enum class DumpProgress { More, Done, Refused };

// Adds the IPv4 sockets of one datagram to `sockets`. Messages for other
// families or too short for a socket are passed over; a message that runs
// past the datagram ends it. An error message, or a "done" that carries an
// error, refuses the dump.
DumpProgress ParseDumpDatagram(std::span<const std::byte> datagram, std::vector<KernelEndpoint>& sockets);

// Every IPv4 socket of the protocol; nullopt where the dump is refused (the
// request cannot be sent, receiving fails or the kernel answers an error).
// A recorded answer that ends before "done" gives the sockets it holds.
std::optional<std::vector<KernelEndpoint>> DumpSockets(DiagTransport& transport, DiagProtocol protocol);

}  // namespace portolan::linux
