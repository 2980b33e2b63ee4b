// Times the connection list on synthetic snapshots: the first fill, a
// refresh with an unchanged snapshot, and a refresh in which a tenth of the
// TCP rows changed state, a tenth of all rows vanished and as many are new,
// at 1,000, 10,000 and 100,000 endpoints; each refresh also with the plain
// linear search, in the same run. Prints one figure a line as `name: value unit`; times are
// medians in milliseconds, with the cost per endpoint in nanoseconds.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "mainwindow/form_portolan.h"
#include "tests/mainwindow/linear_entry_finder.h"

namespace portolan {
namespace {

// Hands over prepared tables without copying them, so that only the list's
// own work is timed; the previous tables are released outside the timing.
class PreparedSnapshot final : public EndpointSnapshot {
 public:
  void Prepare(const FileTable& tcp, const FileTable& udp) {
    nextTcp_ = tcp;
    nextUdp_ = udp;
  }
  void GetTcpUdpTable() override {
    std::swap(TcpTable, nextTcp_);
    std::swap(UdpTable, nextUdp_);
  }

 private:
  FileTable nextTcp_;
  FileTable nextUdp_;
};

struct Tables {
  FileTable tcp;
  FileTable udp;
};

constexpr int kPrograms = 150;

File_Rec Endpoint(std::uint32_t serial, bool tcp) {
  const std::uint32_t program = serial % kPrograms;
  File_Rec entry;
  entry.LocalIP = "192.168." + std::to_string(serial / 60000 % 256) + "." + std::to_string(serial % 200 + 1);
  entry.LocalPort = std::to_string(1024 + serial % 60000);
  entry.PID = std::to_string(1000 + program * 4 + serial % 3);
  entry.ProcessName = "program" + std::to_string(program) + ".exe";
  if (program % 20 != 0) {  // a few processes whose path cannot be read
    entry.FilePath = "C:\\Program Files\\Vendor " + std::to_string(program) + "\\" + entry.ProcessName;
    entry.FileDescription = "Network program number " + std::to_string(program);
    entry.Company = "Vendor " + std::to_string(program) + " Corporation";
  }
  if (tcp) {
    entry.State = static_cast<std::int32_t>(1 + serial % 12);
    entry.RemoteIP = "10." + std::to_string(serial % 250) + "." + std::to_string(serial / 250 % 250) + ".7";
    entry.RemotePort = serial % 3 == 0 ? "443" : "80";
  }
  return entry;
}

// Three endpoints in four are TCP.
Tables Synthetic(std::uint32_t count) {
  Tables tables;
  for (std::uint32_t serial = 0; serial < count; ++serial) {
    (serial % 4 == 3 ? tables.udp : tables.tcp).push_back(Endpoint(serial, serial % 4 != 3));
  }
  return tables;
}

// Every tenth entry changes state, every tenth (another one) vanishes, and
// as many new endpoints arrive.
Tables Changed(const Tables& base, std::uint32_t count) {
  Tables changed;
  std::uint32_t serial = count;
  for (const auto& [from, to, tcp] :
       {std::tuple{&base.tcp, &changed.tcp, true}, std::tuple{&base.udp, &changed.udp, false}}) {
    for (std::size_t i = 0; i < from->size(); ++i) {
      File_Rec entry = (*from)[i];
      if (i % 10 == 5) {
        continue;
      }
      if (tcp && i % 10 == 0) {
        entry.State = entry.State % 12 + 1;
      }
      to->push_back(std::move(entry));
      if (i % 10 == 7) {
        to->push_back(Endpoint(serial++, tcp));
      }
    }
  }
  return changed;
}

double Milliseconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

using FinderFactory = std::function<std::unique_ptr<EntryFinder>()>;

struct Figures {
  double fill = 0;
  double unchanged = 0;
  double changed = 0;
};

Figures Measure(const Tables& base, const Tables& changed, const FinderFactory& finder, int runs) {
  std::vector<double> fills;
  std::vector<double> unchanged;
  std::vector<double> changes;
  for (int run = 0; run < runs; ++run) {
    PreparedSnapshot snapshot;
    TFormPortolan form(snapshot, finder());
    snapshot.Prepare(base.tcp, base.udp);
    fills.push_back(Milliseconds([&] { form.FormCreate(); }));
    snapshot.Prepare(base.tcp, base.udp);
    unchanged.push_back(Milliseconds([&] { form.RefreshList(); }));
    snapshot.Prepare(changed.tcp, changed.udp);
    changes.push_back(Milliseconds([&] { form.RefreshList(); }));
  }
  return {Median(fills), Median(unchanged), Median(changes)};
}

void Print(const std::string& name, double value, const char* unit) {
  std::printf("%s: %.3f %s\n", name.c_str(), value, unit);
  std::fflush(stdout);
}

}  // namespace
}  // namespace portolan

int main() {
  using namespace portolan;
  const FinderFactory hashed = [] { return std::make_unique<HashedEntryFinder>(); };
  const FinderFactory linear = [] { return std::make_unique<testing::LinearEntryFinder>(); };
  struct Size {
    std::uint32_t endpoints;
    int runs;
    int referenceRuns;
  };
  Figures at10000;
  for (const Size size : {Size{1000, 21, 5}, Size{10000, 9, 3}, Size{100000, 5, 1}}) {
    const Tables base = Synthetic(size.endpoints);
    const Tables changed = Changed(base, size.endpoints);
    const std::string n = std::to_string(size.endpoints);
    const Figures fast = Measure(base, changed, hashed, size.runs);
    Print("fill_" + n, fast.fill, "ms");
    Print("refresh_unchanged_" + n, fast.unchanged, "ms");
    Print("refresh_changed_" + n, fast.changed, "ms");
    const double perEndpoint = 1e6 / size.endpoints;
    Print("fill_per_endpoint_" + n, fast.fill * perEndpoint, "ns");
    Print("refresh_unchanged_per_endpoint_" + n, fast.unchanged * perEndpoint, "ns");
    Print("refresh_changed_per_endpoint_" + n, fast.changed * perEndpoint, "ns");
    const Figures reference = Measure(base, changed, linear, size.referenceRuns);
    Print("reference_refresh_unchanged_" + n, reference.unchanged, "ms");
    Print("reference_refresh_changed_" + n, reference.changed, "ms");
    Print("reference_over_hashed_unchanged_" + n, reference.unchanged / fast.unchanged, "x");
    Print("reference_over_hashed_changed_" + n, reference.changed / fast.changed, "x");
    if (size.endpoints == 10000) {
      at10000 = fast;
    } else if (size.endpoints == 100000) {
      Print("growth_fill_100000_over_10000", fast.fill / at10000.fill, "x");
      Print("growth_refresh_unchanged_100000_over_10000", fast.unchanged / at10000.unchanged, "x");
      Print("growth_refresh_changed_100000_over_10000", fast.changed / at10000.changed, "x");
    }
  }
  return 0;
}
