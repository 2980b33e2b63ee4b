#pragma once
// The endpoint tables of IP Helper. Each Windows program holds one backend,
// chosen when it is built:
//   extended-table build  AllocateAndGet{Tcp,Udp}ExTableFromStack, sorted rows,
//                         TCP rows of 24 bytes (tables_extended.cpp)
//   owner-table build     InternalGetTcpTable2, InternalGetUdpTableWithOwnerPid,
//                         TCP rows of 28 bytes (tables_owner.cpp)
// Both functions of a pair are bound by name when the tables are made; where
// one is missing its table comes from the documented call that gives the
// same rows.

#include <windows.h>

#include <functional>
#include <memory>

#include "snapshot/sources.h"

namespace portolan::win32 {

std::unique_ptr<EndpointTableSource> MakeEndpointTables();

// ---- Shared by the two backends --------------------------------------------

// The heap flags both pairs of functions are called with.
inline constexpr DWORD kTableHeapFlags = 2;

// A table block that a function allocated on the process heap; it goes back
// there once.
std::unique_ptr<TableBlock> AdoptHeapTable(void* block);

// Reads a documented table call into a block of the process heap: probes
// the size, reads, and reads again with the answered size while the table
// grew in between (a few times at most). Null where the call fails.
using TableRead = std::function<DWORD(void* block, ULONG* size, BOOL order)>;
inline constexpr int kTableReadTries = 8;
std::unique_ptr<TableBlock> ReadSizedTable(const TableRead& read, BOOL order);

DWORD ReadExtendedTcp(void* block, ULONG* size, BOOL order);
DWORD ReadExtendedUdp(void* block, ULONG* size, BOOL order);
DWORD ReadTcpTable2(void* block, ULONG* size, BOOL order);

}  // namespace portolan::win32
