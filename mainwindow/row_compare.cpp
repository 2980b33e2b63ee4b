#include "mainwindow/row_compare.h"

#include <cstdint>
#include <iterator>
#include <string>

namespace portolan {
namespace {

int Folded(std::string_view text, std::size_t i) {
  if (i >= text.size()) {
    return 0;
  }
  const auto byte = static_cast<unsigned char>(text[i]);
  return byte >= 'a' && byte <= 'z' ? byte - ('a' - 'A') : byte;
}

int Sign(auto difference) { return (difference > 0) - (difference < 0); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The classes a number column sorts by, in this order.
enum class TextClass { Empty, Number, Other };

struct PortKey {
  TextClass kind;
  std::string_view digits;  // without leading zeros
};

PortKey PortKeyOf(std::string_view text) {
  if (text.empty()) {
    return {TextClass::Empty, {}};
  }
  for (const char c : text) {
    if (!IsDigit(c)) {
      return {TextClass::Other, text};
    }
  }
  text.remove_prefix(std::min(text.find_first_not_of('0'), text.size()));
  return {TextClass::Number, text};
}

struct Ipv4Key {
  TextClass kind;
  std::uint32_t address;
};

Ipv4Key Ipv4KeyOf(std::string_view text) {
  if (text.empty()) {
    return {TextClass::Empty, 0};
  }
  std::uint32_t address = 0;
  std::size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (at >= text.size() || text[at] != '.') {
        return {TextClass::Other, 0};
      }
      ++at;
    }
    std::uint32_t number = 0;
    std::size_t digits = 0;
    for (; at < text.size() && IsDigit(text[at]) && digits < 4; ++at, ++digits) {
      number = number * 10 + static_cast<std::uint32_t>(text[at] - '0');
    }
    if (digits == 0 || digits > 3 || number > 255) {
      return {TextClass::Other, 0};
    }
    address = address << 8 | number;
  }
  if (at != text.size()) {
    return {TextClass::Other, 0};
  }
  return {TextClass::Number, address};
}

// Orders the texts of a number column by their class, two numbers by
// `numbers`, two other texts as text.
template <typename Key, typename CompareNumbers>
int CompareByClass(std::string_view a, std::string_view b, const Key& x, const Key& y,
                   CompareNumbers numbers) {
  if (x.kind != y.kind) {
    return x.kind < y.kind ? -1 : 1;
  }
  switch (x.kind) {
    case TextClass::Number:
      return numbers(x, y);
    case TextClass::Other:
      return Sign(CompareFoldedText(a, b));
    case TextClass::Empty:
      break;
  }
  return 0;
}

// The sort key of each column: the field and how it compares; none where
// the column has no key.
struct ColumnKey {
  const std::string TMyRec::*field;
  int (*compare)(std::string_view, std::string_view);
};

constexpr ColumnKey kNoKey{nullptr, nullptr};
constexpr ColumnKey kColumnKeys[] = {
    kNoKey,                                         // 0 process ID
    {&TMyRec::ProcessName, CompareFoldedText},      // 1 process
    kNoKey,                                         // 2 security level
    {&TMyRec::Protocol, CompareFoldedText},         // 3 protocol
    {&TMyRec::LocalIP, CompareIpv4Text},            // 4 local IP
    {&TMyRec::LocalPort, ComparePortText},          // 5 local port
    {&TMyRec::RemoteIP, CompareIpv4Text},           // 6 target IP
    {&TMyRec::RemotePort, ComparePortText},         // 7 target port
    {&TMyRec::State, CompareFoldedText},            // 8 state
    kNoKey,                                         // 9 manage
    {&TMyRec::FilePath, CompareFoldedText},         // 10 file path
    {&TMyRec::FileDescription, CompareFoldedText},  // 11 file description
    {&TMyRec::Company, CompareFoldedText},          // 12 company
    kNoKey,                                         // 13 remark
};
static_assert(std::size(kColumnKeys) == kColumnCount);

}  // namespace

int CompareFoldedText(std::string_view a, std::string_view b) {
  for (std::size_t i = 0;; ++i) {
    const int x = Folded(a, i);
    const int y = Folded(b, i);
    if (x != y) {
      return x - y;
    }
    if (x == 0) {
      return 0;
    }
  }
}

int ComparePortText(std::string_view a, std::string_view b) {
  return CompareByClass(a, b, PortKeyOf(a), PortKeyOf(b), [](const PortKey& x, const PortKey& y) {
    if (x.digits.size() != y.digits.size()) {
      return x.digits.size() < y.digits.size() ? -1 : 1;
    }
    return Sign(x.digits.compare(y.digits));
  });
}

int CompareIpv4Text(std::string_view a, std::string_view b) {
  return CompareByClass(a, b, Ipv4KeyOf(a), Ipv4KeyOf(b), [](const Ipv4Key& x, const Ipv4Key& y) {
    return x.address == y.address ? 0 : x.address < y.address ? -1 : 1;
  });
}

bool CompareRows(const TMyRec& a, const TMyRec& b, int column, int& result) {
  if (column < 0 || column >= kColumnCount) {
    return false;
  }
  const ColumnKey& key = kColumnKeys[column];
  if (key.field == nullptr) {
    return false;
  }
  result = key.compare(a.*key.field, b.*key.field);
  return true;
}

}  // namespace portolan
