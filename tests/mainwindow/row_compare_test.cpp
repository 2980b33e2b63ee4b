// The sort keys of the list's columns and the order they give.

#include "mainwindow/row_compare.h"

#include <gtest/gtest.h>

#include "tests/param_name.h"

#include <string>
#include <vector>

#include "mainwindow/form_portolan.h"
#include "tests/mainwindow/list_fixture.h"

namespace portolan {
namespace {

int Sign(int value) { return (value > 0) - (value < 0); }

struct TextCase {
  const char* name;
  int (*compare)(std::string_view, std::string_view);
  std::string a;
  std::string b;
  int sign;  // of a against b
};

class CompareTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(CompareTextTest, OrdersAsTheColumnDoes) {
  const TextCase& c = GetParam();
  EXPECT_EQ(Sign(c.compare(c.a, c.b)), c.sign);
  EXPECT_EQ(Sign(c.compare(c.b, c.a)), -c.sign);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompareTextTest,
    ::testing::Values(TextCase{"CaseFolded", CompareFoldedText, "svchost.exe", "SVCHOST.EXE", 0},
                      TextCase{"Letters", CompareFoldedText, "a", "B", -1},
                      TextCase{"EmptyFirst", CompareFoldedText, "", "a", -1},
                      TextCase{"PrefixFirst", CompareFoldedText, "ab", "ab.exe", -1},
                      TextCase{"LowerCaseFoldsBelowBracket", CompareFoldedText, "a", "[", -1},
                      TextCase{"HighBytesAfterAscii", CompareFoldedText, "\xB0\xA1", "z", 1},
                      TextCase{"NumbersAsText", CompareFoldedText, "10", "9", -1},
                      TextCase{"TextEndsAtZeroByte", CompareFoldedText, std::string("a\0b", 3), "a", 0},
                      TextCase{"PortsByValue", ComparePortText, "80", "443", -1},
                      TextCase{"PortsByValueLonger", ComparePortText, "443", "8080", -1},
                      TextCase{"PortEmptyFirst", ComparePortText, "", "0", -1},
                      TextCase{"PortLeadingZeros", ComparePortText, "080", "80", 0},
                      TextCase{"PortZeroes", ComparePortText, "000", "0", 0},
                      TextCase{"PortBeyond16Bits", ComparePortText, "65536", "65535", 1},
                      TextCase{"PortHugeNumber", ComparePortText, "123456789012345678901234567890", "99", 1},
                      TextCase{"PortMalformedAfterNumbers", ComparePortText, "8a", "99999", 1},
                      TextCase{"PortMalformedAmongThemselves", ComparePortText, "-1", "x", -1},
                      TextCase{"PortMalformedFolded", ComparePortText, "x", "X", 0},
                      TextCase{"AddressByNumbers", CompareIpv4Text, "192.168.0.9", "192.168.0.10", -1},
                      TextCase{"AddressFirstNumberFirst", CompareIpv4Text, "9.255.255.255", "10.0.0.0", -1},
                      TextCase{"AddressEmptyFirst", CompareIpv4Text, "", "0.0.0.0", -1},
                      TextCase{"AddressLeadingZeros", CompareIpv4Text, "010.0.0.1", "10.0.0.1", 0},
                      TextCase{"AddressTooFewParts", CompareIpv4Text, "1.2.3", "255.255.255.255", 1},
                      TextCase{"AddressTooManyParts", CompareIpv4Text, "1.2.3.4.5", "255.255.255.255", 1},
                      TextCase{"AddressNumberTooLarge", CompareIpv4Text, "256.0.0.1", "255.255.255.255", 1},
                      TextCase{"AddressFourDigits", CompareIpv4Text, "0001.0.0.1", "255.255.255.255", 1},
                      TextCase{"AddressEmptyPart", CompareIpv4Text, "1..3.4", "255.255.255.255", 1},
                      TextCase{"AddressTrailingDot", CompareIpv4Text, "1.2.3.4.", "255.255.255.255", 1},
                      TextCase{"AddressMalformedAmongThemselves", CompareIpv4Text, "abc", "1.2.3", 1}),
    portolan::testing::ParamName());

// Sorting needs a strict weak ordering: irreflexive, transitive, and with
// "neither before the other" transitive too, over every kind of text.
TEST(CompareNumbers, AreStrictWeakOrderings) {
  const std::vector<std::string> texts{"",
                                       "0",
                                       "00",
                                       "1",
                                       "9",
                                       "10",
                                       "080",
                                       "80",
                                       "443",
                                       "8080",
                                       "65536",
                                       "1.2.3.4",
                                       "01.2.3.4",
                                       "1.2.3.10",
                                       "10.0.0.1",
                                       "9.0.0.1",
                                       "255.255.255.255",
                                       "256.1.1.1",
                                       "1.2.3",
                                       "a",
                                       "A",
                                       "b",
                                       "8a",
                                       "-1",
                                       " 1",
                                       "1.2.3.4 "};
  for (const auto compare : {ComparePortText, CompareIpv4Text, CompareFoldedText}) {
    const auto less = [&](const std::string& a, const std::string& b) { return compare(a, b) < 0; };
    const auto same = [&](const std::string& a, const std::string& b) { return !less(a, b) && !less(b, a); };
    for (const std::string& a : texts) {
      EXPECT_FALSE(less(a, a)) << a;
      for (const std::string& b : texts) {
        EXPECT_EQ(compare(a, b) == 0, same(a, b)) << a << " / " << b;
        for (const std::string& c : texts) {
          if (less(a, b) && less(b, c)) {
            EXPECT_TRUE(less(a, c)) << a << " < " << b << " < " << c;
          }
          if (same(a, b) && same(b, c)) {
            EXPECT_TRUE(same(a, c)) << a << " ~ " << b << " ~ " << c;
          }
        }
      }
    }
  }
}

// ---- Columns -----------------------------------------------------------------

struct ColumnCase {
  int column;
  std::string TMyRec::*field;  // null: the column has no sort key
};

class CompareColumnTest : public ::testing::TestWithParam<ColumnCase> {};

// Two rows differing in every field: a keyed column decides by its own
// field alone, any other leaves the result as it was.
TEST_P(CompareColumnTest, ComparesItsOwnFieldOnly) {
  const ColumnCase& c = GetParam();
  TMyRec a{"TCP", "a", "1.1.1.1", "1", "1.1.1.1", "1", "1", "a", "a", "a", "a", "a"};
  TMyRec b{"UDP", "b", "2.2.2.2", "2", "2.2.2.2", "2", "2", "b", "b", "b", "b", "b"};
  int result = 42;
  if (c.field == nullptr) {
    EXPECT_FALSE(CompareRows(a, b, c.column, result));
    EXPECT_EQ(result, 42);
    return;
  }
  EXPECT_TRUE(CompareRows(a, b, c.column, result));
  EXPECT_LT(result, 0);
  b.*c.field = a.*c.field;
  EXPECT_TRUE(CompareRows(a, b, c.column, result));
  EXPECT_EQ(result, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Columns, CompareColumnTest,
    ::testing::Values(ColumnCase{-1, nullptr}, ColumnCase{0, nullptr}, ColumnCase{1, &TMyRec::ProcessName},
                      ColumnCase{2, nullptr}, ColumnCase{3, &TMyRec::Protocol},
                      ColumnCase{4, &TMyRec::LocalIP}, ColumnCase{5, &TMyRec::LocalPort},
                      ColumnCase{6, &TMyRec::RemoteIP}, ColumnCase{7, &TMyRec::RemotePort},
                      ColumnCase{8, &TMyRec::State}, ColumnCase{9, nullptr},
                      ColumnCase{10, &TMyRec::FilePath}, ColumnCase{11, &TMyRec::FileDescription},
                      ColumnCase{12, &TMyRec::Company}, ColumnCase{13, nullptr}, ColumnCase{14, nullptr}),
    [](const auto& test) { return "Column" + std::to_string(test.param.column + 1); });

// Through the list: ports sort by value, and rows of one port keep the
// order they stood in.
TEST(CompareInTheList, PortsSortByValueAndTiesStayInOrder) {
  testing::FakeSnapshot snapshot;
  TFormPortolan form(snapshot);
  snapshot.SetNext({testing::Tcp("8080", 5, "x.exe"), testing::Tcp("80", 5, "SVCHOST.EXE"),
                    testing::Tcp("443", 5, "svchost.exe"), testing::Tcp(""), testing::Tcp("80", 5, "b.exe")},
                   {});
  form.FormCreate();
  std::vector<std::string> before;
  for (const TMyRec& row : testing::RowsOf(form)) {
    before.push_back(row.ProcessName);
  }

  form.VTS.Header().SetSortColumn(5);

  std::vector<std::string> ports;
  std::vector<std::string> at80;
  for (const TMyRec& row : testing::RowsOf(form)) {
    ports.push_back(row.LocalPort);
    if (row.LocalPort == "80") {
      at80.push_back(row.ProcessName);
    }
  }
  EXPECT_EQ(ports, (std::vector<std::string>{"", "80", "80", "443", "8080"}));
  std::erase_if(before, [](const std::string& name) { return name != "SVCHOST.EXE" && name != "b.exe"; });
  EXPECT_EQ(at80, before);
}

}  // namespace
}  // namespace portolan
