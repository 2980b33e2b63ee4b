#pragma once
// The socket lists of /proc/net/tcp and /proc/net/udp, read where the
// kernel refuses a netlink dump. A line gives its slot, the local and remote
// address and port as hexadecimal "AAAAAAAA:PPPP" (the address word as the
// machine holds it, the port as a number), the state in hexadecimal and, in
// its tenth field, the socket's inode.

#include <string_view>
#include <vector>

#include "linux/kernel_endpoint.h"

namespace portolan::linux {

// The IPv4 sockets of the text. The heading and every line that does not
// parse (IPv6 addresses among them) are left out.
std::vector<KernelEndpoint> ParseProcNetTable(std::string_view text);

}  // namespace portolan::linux
