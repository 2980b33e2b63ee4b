#pragma once
// Scripted snapshot sources that record what was asked of them, in order,
// and count the resources they handed out and got back.

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "snapshot/sources.h"
#include "snapshot/table_rows.h"

namespace portolan::testing {

// The calls made, in order, and the resources not yet released.
struct Ledger {
  std::vector<std::string> Events;
  int Live = 0;
  int Obtained = 0;

  void Log(std::string event) { Events.push_back(std::move(event)); }
  int Count(const std::string& event) const {
    int count = 0;
    for (const std::string& e : Events) {
      count += e == event ? 1 : 0;
    }
    return count;
  }
  // Position of the first event, or -1.
  long IndexOf(const std::string& event) const {
    for (std::size_t i = 0; i < Events.size(); ++i) {
      if (Events[i] == event) {
        return static_cast<long>(i);
      }
    }
    return -1;
  }
};

// One resource handed out: logged "<name>" when made, "~<name>" when freed.
class Held {
 public:
  Held(Ledger& ledger, std::string name) : ledger_(ledger), name_(std::move(name)) {
    ++ledger_.Live;
    ++ledger_.Obtained;
    ledger_.Log(name_);
  }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  ~Held() {
    --ledger_.Live;
    ledger_.Log("~" + name_);
  }

 private:
  Ledger& ledger_;
  std::string name_;
};

class FakeBlock final : public TableBlock {
 public:
  FakeBlock(Ledger& ledger, std::string name, std::vector<std::byte> bytes)
      : held_(ledger, std::move(name)), bytes_(std::move(bytes)) {}
  std::span<const std::byte> Bytes() const override { return bytes_; }

 private:
  Held held_;
  std::vector<std::byte> bytes_;
};

class FakeTables final : public EndpointTableSource {
 public:
  explicit FakeTables(Ledger& ledger, TcpRowLayout layout = TcpRowLayout::OwnerPid)
      : ledger_(ledger), layout_(layout) {}

  TcpRowLayout TcpLayout() const override { return layout_; }
  std::unique_ptr<TableBlock> ReadTcpTable() override { return Read("tcp", Tcp); }
  std::unique_ptr<TableBlock> ReadUdpTable() override { return Read("udp", Udp); }

  void SetRows(const std::vector<TcpRow>& tcp, const std::vector<UdpRow>& udp) {
    Tcp = EncodeTcpTable(tcp, layout_);
    Udp = EncodeUdpTable(udp);
  }

  std::optional<std::vector<std::byte>> Tcp;  // no value: the call fails
  std::optional<std::vector<std::byte>> Udp;

 private:
  std::unique_ptr<TableBlock> Read(const std::string& name, const std::optional<std::vector<std::byte>>& bytes) {
    ledger_.Log("read " + name);
    if (!bytes) {
      return nullptr;
    }
    return std::make_unique<FakeBlock>(ledger_, name + " block", *bytes);
  }

  Ledger& ledger_;
  TcpRowLayout layout_;
};

inline ProcessEntry Entry(std::uint32_t pid, const std::string& exe) {
  ProcessEntry entry;
  entry.ProcessId = pid;
  std::memcpy(entry.ExeFile.data(), exe.data(), std::min(exe.size(), entry.ExeFile.size()));
  return entry;
}

// What one process lets the fake answer.
struct FakeProcess {
  bool OpensForModules = true;
  bool ModulesListed = true;
  std::optional<std::string> ModulePath;   // no value: the name query fails
  bool OpensLimited = true;
  std::optional<std::string> ImagePath;    // the limited query's answer
};

class FakeProcesses final : public ProcessSource {
 public:
  explicit FakeProcesses(Ledger& ledger) : ledger_(ledger) {}

  std::unique_ptr<ProcessList> TakeSnapshot() override {
    if (!SnapshotTaken) {
      ledger_.Log("no snapshot");
      return nullptr;
    }
    return std::make_unique<List>(ledger_, Entries);
  }

  std::unique_ptr<ProcessHandle> Open(std::uint32_t pid, ProcessAccess access) override {
    const bool limited = access == ProcessAccess::LimitedQuery;
    const auto found = Processes.find(pid);
    if (found == Processes.end() || !(limited ? found->second.OpensLimited : found->second.OpensForModules)) {
      ledger_.Log("refused " + std::to_string(pid));
      return nullptr;
    }
    return std::make_unique<Handle>(ledger_, (limited ? "limited " : "process ") + std::to_string(pid),
                                    found->second);
  }

  bool SnapshotTaken = true;
  std::vector<ProcessEntry> Entries;
  std::map<std::uint32_t, FakeProcess> Processes;

 private:
  static bool Copy(const std::optional<std::string>& path, PathBuffer& name) {
    if (!path) {
      return false;
    }
    // A too-long name fills the buffer without a zero byte.
    std::memcpy(name.data(), path->data(), std::min(path->size() + 1, name.size()));
    return true;
  }

  class List final : public ProcessList {
   public:
    List(Ledger& ledger, const std::vector<ProcessEntry>& entries) : held_(ledger, "snapshot"), entries_(entries) {}
    bool First(ProcessEntry& entry) override {
      next_ = 0;
      return Next(entry);
    }
    bool Next(ProcessEntry& entry) override {
      if (next_ >= entries_.size()) {
        return false;
      }
      entry = entries_[next_++];
      return true;
    }

   private:
    Held held_;
    const std::vector<ProcessEntry>& entries_;
    std::size_t next_ = 0;
  };

  class Handle final : public ProcessHandle {
   public:
    Handle(Ledger& ledger, std::string name, const FakeProcess& process)
        : held_(ledger, std::move(name)), process_(process) {}
    bool FirstModule(std::uintptr_t& module) override {
      module = 0x400000;
      return process_.ModulesListed;
    }
    bool ModuleFileName(std::uintptr_t module, PathBuffer& name) override {
      return module == 0x400000 && Copy(process_.ModulePath, name);
    }
    bool FullImageName(PathBuffer& name) override { return Copy(process_.ImagePath, name); }

   private:
    Held held_;
    const FakeProcess& process_;
  };

  Ledger& ledger_;
};

// A file's version information: an optional translation value and named
// values, each key the full sub-block path.
struct FakeVersionInfo {
  std::vector<std::byte> Translation;
  std::map<std::string, std::string> Values;  // stored with a zero after each text
  bool Unreadable = false;
  bool LastTextUnterminated = false;  // the block ends right after the last text
};

// Blocks are laid out as a list of (key, zero, value-length byte, value).
class FakeVersions final : public VersionSource {
 public:
  explicit FakeVersions(Ledger& ledger) : ledger_(ledger) {}

  std::uint32_t InfoSize(const std::string& path) override {
    ledger_.Log("version size " + path);
    const auto found = Files.find(path);
    return found == Files.end() ? 0 : static_cast<std::uint32_t>(Encode(found->second).size());
  }

  bool ReadInfo(const std::string& path, std::span<std::byte> block) override {
    const auto found = Files.find(path);
    if (found == Files.end() || found->second.Unreadable) {
      return false;
    }
    const std::vector<std::byte> bytes = Encode(found->second);
    std::memcpy(block.data(), bytes.data(), std::min(bytes.size(), block.size()));
    return true;
  }

  bool QueryValue(std::span<const std::byte> block, const std::string& subBlock, VersionValue& value) override {
    ledger_.Log("query " + subBlock);
    std::size_t at = 0;
    while (at < block.size()) {
      const auto* key = reinterpret_cast<const char*>(block.data() + at);
      const auto keyLength = static_cast<std::size_t>(std::find(key, key + (block.size() - at), '\0') - key);
      if (at + keyLength + 2 > block.size()) {
        return false;
      }
      const auto length = std::to_integer<std::size_t>(block[at + keyLength + 1]);
      const std::size_t first = at + keyLength + 2;
      if (std::string(key, keyLength) == subBlock) {
        value = {block.subspan(first), length};
        return true;
      }
      at = first + length;
    }
    return false;
  }

  std::map<std::string, FakeVersionInfo> Files;

 private:
  static void Append(std::vector<std::byte>& out, const std::string& key, std::span<const std::byte> value) {
    for (char c : key) {
      out.push_back(static_cast<std::byte>(c));
    }
    out.push_back(std::byte{0});
    out.push_back(static_cast<std::byte>(value.size()));
    out.insert(out.end(), value.begin(), value.end());
  }

  static std::vector<std::byte> Encode(const FakeVersionInfo& info) {
    std::vector<std::byte> out;
    if (!info.Translation.empty()) {
      Append(out, "\\VarFileInfo\\Translation", info.Translation);
    }
    for (const auto& [key, text] : info.Values) {
      Append(out, key, std::as_bytes(std::span(text.data(), text.size() + 1)));
    }
    if (info.LastTextUnterminated && !info.Values.empty()) {
      out.pop_back();
    }
    return out;
  }

  Ledger& ledger_;
};

class FakeToken final : public AccessToken {
 public:
  FakeToken(Ledger& ledger, std::map<std::string, Luid> known, std::uint32_t adjustError)
      : held_(ledger, "token"), ledger_(ledger), known_(std::move(known)), adjustError_(adjustError) {}

  bool LookupPrivilege(const std::string& name, Luid& luid) override {
    const auto found = known_.find(name);
    if (found == known_.end()) {
      return false;
    }
    luid = found->second;
    return true;
  }

  std::uint32_t AdjustPrivilege(const Luid& luid, std::uint32_t attributes) override {
    ledger_.Log("adjust " + std::to_string(luid.LowPart) + " " + std::to_string(attributes));
    return adjustError_;
  }

 private:
  Held held_;
  Ledger& ledger_;
  std::map<std::string, Luid> known_;
  std::uint32_t adjustError_;
};

class FakePrivileges final : public PrivilegeSource {
 public:
  explicit FakePrivileges(Ledger& ledger) : ledger_(ledger) {}

  std::unique_ptr<AccessToken> OpenOwnToken() override {
    if (!TokenOpens) {
      return nullptr;
    }
    return std::make_unique<FakeToken>(ledger_, Known, AdjustError);
  }

  bool TokenOpens = true;
  std::map<std::string, Luid> Known{{"SeDebugPrivilege", Luid{20, 0}}};
  std::uint32_t AdjustError = 0;

 private:
  Ledger& ledger_;
};

// All four fakes over one ledger.
struct FakeSystem {
  Ledger Log;
  FakeTables* Tables;
  FakeProcesses* Processes;
  FakeVersions* Versions;
  FakePrivileges* Privilege;
  SnapshotSources Sources;

  explicit FakeSystem(TcpRowLayout layout = TcpRowLayout::OwnerPid) {
    auto tables = std::make_unique<FakeTables>(Log, layout);
    auto processes = std::make_unique<FakeProcesses>(Log);
    auto versions = std::make_unique<FakeVersions>(Log);
    auto privilege = std::make_unique<FakePrivileges>(Log);
    Tables = tables.get();
    Processes = processes.get();
    Versions = versions.get();
    Privilege = privilege.get();
    Sources = {std::move(tables), std::move(processes), std::move(versions), std::move(privilege)};
  }
};

}  // namespace portolan::testing
