#pragma once
// What the snapshot asks of the operating system: the two endpoint tables,
// the processes, image version information and the debug privilege. Each
// platform layer implements these; tests use fakes. Every object handed out
// as a unique_ptr owns one system resource and releases it when destroyed.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace portolan {

// ---- Endpoint tables -------------------------------------------------------

// One table as the system delivered it: a 32-bit little-endian row count,
// then the rows from byte 4.
class TableBlock {
 public:
  TableBlock() = default;
  TableBlock(const TableBlock&) = delete;
  TableBlock& operator=(const TableBlock&) = delete;
  virtual ~TableBlock() = default;
  virtual std::span<const std::byte> Bytes() const = 0;
};

// A block held in memory, for tables built by the program itself.
class BytesBlock final : public TableBlock {
 public:
  explicit BytesBlock(std::vector<std::byte> bytes) : bytes_(std::move(bytes)) {}
  std::span<const std::byte> Bytes() const override { return bytes_; }

 private:
  std::vector<std::byte> bytes_;
};

// The two TCP row layouts; UDP rows have one layout in every build.
enum class TcpRowLayout {
  OwnerPid,  // 24 bytes: state, local address, local port, remote address, remote port, PID
  Row2,      // 28 bytes: the same six words and an offload state, not read
};

class EndpointTableSource {
 public:
  virtual ~EndpointTableSource() = default;
  virtual TcpRowLayout TcpLayout() const = 0;
  // Null where the table could not be read: a table with no rows.
  virtual std::unique_ptr<TableBlock> ReadTcpTable() = 0;
  virtual std::unique_ptr<TableBlock> ReadUdpTable() = 0;
};

// ---- Processes -------------------------------------------------------------

inline constexpr std::size_t kExeFileChars = 260;
inline constexpr std::size_t kPathBufferChars = 1025;  // 1024 characters and a zero
using PathBuffer = std::array<char, kPathBufferChars>;

struct ProcessEntry {
  std::uint32_t ProcessId = 0;
  std::array<char, kExeFileChars> ExeFile{};  // ended by its first zero byte, if any
};

// One snapshot of the process list, walked from its first entry.
class ProcessList {
 public:
  ProcessList() = default;
  ProcessList(const ProcessList&) = delete;
  ProcessList& operator=(const ProcessList&) = delete;
  virtual ~ProcessList() = default;
  virtual bool First(ProcessEntry& entry) = 0;
  virtual bool Next(ProcessEntry& entry) = 0;
};

enum class ProcessAccess {
  QueryAndRead,  // query information and read memory (0x410)
  LimitedQuery,  // limited query information (0x1000)
};

// An opened process.
class ProcessHandle {
 public:
  ProcessHandle() = default;
  ProcessHandle(const ProcessHandle&) = delete;
  ProcessHandle& operator=(const ProcessHandle&) = delete;
  virtual ~ProcessHandle() = default;
  // The first of the process's modules, which is its executable.
  virtual bool FirstModule(std::uintptr_t& module) = 0;
  virtual bool ModuleFileName(std::uintptr_t module, PathBuffer& name) = 0;
  // The image path as the limited query access gives it.
  virtual bool FullImageName(PathBuffer& name) = 0;
};

class ProcessSource {
 public:
  virtual ~ProcessSource() = default;
  // Null where no snapshot can be taken.
  virtual std::unique_ptr<ProcessList> TakeSnapshot() = 0;
  // Null where the process refuses that access or has ended.
  virtual std::unique_ptr<ProcessHandle> Open(std::uint32_t processId, ProcessAccess access) = 0;
};

// ---- Image version information ---------------------------------------------

// A value found in a version information block.
struct VersionValue {
  std::span<const std::byte> ToBlockEnd;  // from the value's first byte to the end of the block
  std::size_t Length = 0;                 // the length the query reported (bytes, for binary values)
};

class VersionSource {
 public:
  virtual ~VersionSource() = default;
  // Size of the file's version information block; 0 when it has none.
  virtual std::uint32_t InfoSize(const std::string& path) = 0;
  // Reads the block into `block`, which has the size InfoSize answered.
  virtual bool ReadInfo(const std::string& path, std::span<std::byte> block) = 0;
  // Finds `subBlock` in a block that ReadInfo filled.
  virtual bool QueryValue(std::span<const std::byte> block, const std::string& subBlock, VersionValue& value) = 0;
};

// ---- Privileges ------------------------------------------------------------

struct Luid {
  std::uint32_t LowPart = 0;
  std::int32_t HighPart = 0;
};

inline constexpr std::uint32_t kPrivilegeEnabled = 2;

// The access token of the own process, opened to adjust privileges.
class AccessToken {
 public:
  AccessToken() = default;
  AccessToken(const AccessToken&) = delete;
  AccessToken& operator=(const AccessToken&) = delete;
  virtual ~AccessToken() = default;
  virtual bool LookupPrivilege(const std::string& name, Luid& luid) = 0;
  // Sets one privilege's attributes; answers the last-error code right after.
  virtual std::uint32_t AdjustPrivilege(const Luid& luid, std::uint32_t attributes) = 0;
};

class PrivilegeSource {
 public:
  virtual ~PrivilegeSource() = default;
  // Null where the token cannot be opened.
  virtual std::unique_ptr<AccessToken> OpenOwnToken() = 0;
};

// ---- All of them -----------------------------------------------------------

struct SnapshotSources {
  std::unique_ptr<EndpointTableSource> Tables;
  std::unique_ptr<ProcessSource> Processes;
  std::unique_ptr<VersionSource> Versions;
  std::unique_ptr<PrivilegeSource> Privilege;
};

// The operating system's sources; defined by the platform layer linked in.
SnapshotSources MakeSystemSources();

}  // namespace portolan
