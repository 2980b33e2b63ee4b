#pragma once
// Sockets the test process opens on the loopback address, and what the
// snapshot should say about their owner: this process.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "linux/handles.h"
#include "linux/processes.h"
#include "linux/proc_files.h"
#include "snapshot/file_rec.h"

namespace portolan::linux::testing {

inline std::uint16_t PortOf(int socket) {
  sockaddr_in address{};
  socklen_t size = sizeof address;
  ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size);
  return ntohs(address.sin_port);
}

// A socket bound to 127.0.0.1 on a port the system picks.
inline UniqueFd BoundSocket(int type) {
  UniqueFd socket(::socket(AF_INET, type | SOCK_CLOEXEC, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_EQ(::bind(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  return socket;
}

// A TCP listener, a connection to it (both ends) and a UDP socket.
struct LocalSockets {
  LocalSockets() {
    EXPECT_EQ(::listen(Listener.Get(), 4), 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(PortOf(Listener.Get()));
    EXPECT_EQ(::connect(Client.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    Accepted = UniqueFd(::accept4(Listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    EXPECT_TRUE(Accepted);
  }

  std::string ListenPort() const { return std::to_string(PortOf(Listener.Get())); }
  std::string ClientPort() const { return std::to_string(PortOf(Client.Get())); }
  std::string UdpPort() const { return std::to_string(PortOf(Udp.Get())); }

  UniqueFd Listener = BoundSocket(SOCK_STREAM);
  UniqueFd Client = UniqueFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  UniqueFd Accepted;
  UniqueFd Udp = BoundSocket(SOCK_DGRAM);
};

// The owner fields of a record of this process's sockets.
struct OwnIdentity {
  std::string Pid = std::to_string(::getpid());
  std::string Path = ReadLink("/proc/self/exe").value_or("");
  std::string Name = std::string(ExecutableName(Path));
};

}  // namespace portolan::linux::testing
