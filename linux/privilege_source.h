#pragma once
// The debug privilege on Linux: whether this process can see other users'
// processes (their open files and images), which takes the ptrace
// capability, as root holds it. Asking to enable it enables nothing; it
// answers success exactly when the process already can.

#include <memory>
#include <string>
#include <string_view>

#include "snapshot/sources.h"

namespace portolan::linux {

// The capability is read from `<procRoot>/self/status`.
std::unique_ptr<PrivilegeSource> MakePrivilegeSource(std::string procRoot);

// Whether a status text's effective capabilities ("CapEff:") hold the ptrace
// capability.
bool HoldsPtraceCapability(std::string_view status);

}  // namespace portolan::linux
