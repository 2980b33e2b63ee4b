// Decoding of the system's table blocks, on byte fixtures written out by
// hand.

#include "snapshot/table_rows.h"

#include <gtest/gtest.h>

#include "tests/param_name.h"

#include <initializer_list>

namespace portolan {
namespace {

std::vector<std::byte> Bytes(std::initializer_list<int> values) {
  std::vector<std::byte> bytes;
  for (int v : values) {
    bytes.push_back(static_cast<std::byte>(v));
  }
  return bytes;
}

void Append(std::vector<std::byte>& to, const std::vector<std::byte>& more) {
  to.insert(to.end(), more.begin(), more.end());
}

// state 5, 192.168.1.20:49152 -> 93.184.216.34:443, PID 0x80000001
const std::vector<std::byte> kTcpRow = Bytes({
    0x05, 0x00, 0x00, 0x00,  // state
    192, 168, 1, 20,         // local address
    0xC0, 0x00, 0xAB, 0xCD,  // local port 49152; upper bytes are noise
    93, 184, 216, 34,        // remote address
    0x01, 0xBB, 0x00, 0x00,  // remote port 443
    0x01, 0x00, 0x00, 0x80,  // PID
});
const TcpRow kTcpRowDecoded{5, {192, 168, 1, 20}, 49152, {93, 184, 216, 34}, 443, 0x80000001U};

struct LayoutCase {
  const char* name;
  TcpRowLayout layout;
  std::vector<std::byte> rowTail;  // bytes after the six words
};

class TcpLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(TcpLayoutTest, DecodesEveryRowOfAFullBlock) {
  std::vector<std::byte> block = Bytes({2, 0, 0, 0});
  for (int i = 0; i < 2; ++i) {
    Append(block, kTcpRow);
    Append(block, GetParam().rowTail);
  }
  const std::vector<TcpRow> rows = DecodeTcpTable(block, GetParam().layout);
  ASSERT_EQ(rows.size(), 2U);
  EXPECT_EQ(rows[0], kTcpRowDecoded);
  EXPECT_EQ(rows[1], kTcpRowDecoded);
}

TEST_P(TcpLayoutTest, StopsAtTheLastWholeRowOfATruncatedBlock) {
  std::vector<std::byte> block = Bytes({3, 0, 0, 0});
  Append(block, kTcpRow);
  Append(block, GetParam().rowTail);
  Append(block, kTcpRow);
  Append(block, GetParam().rowTail);
  block.resize(block.size() + TcpRowBytes(GetParam().layout) - 1);  // the third row lacks one byte
  EXPECT_EQ(DecodeTcpTable(block, GetParam().layout).size(), 2U);
}

TEST_P(TcpLayoutTest, EncodingReadsBackTheSameRows) {
  const std::vector<TcpRow> rows{kTcpRowDecoded, TcpRow{2, {0, 0, 0, 0}, 80, {0, 0, 0, 0}, 0, 4}};
  const std::vector<std::byte> block = EncodeTcpTable(rows, GetParam().layout);
  EXPECT_EQ(block.size(), kTableHeaderBytes + 2 * TcpRowBytes(GetParam().layout));
  EXPECT_EQ(DecodeTcpTable(block, GetParam().layout), rows);
}

INSTANTIATE_TEST_SUITE_P(Layouts, TcpLayoutTest,
                         ::testing::Values(LayoutCase{"OwnerPid24", TcpRowLayout::OwnerPid, {}},
                                           LayoutCase{"Row2_28", TcpRowLayout::Row2, Bytes({9, 9, 9, 9})}),
                         testing::ParamName());

TEST(UdpTableTest, DecodesRowsOfTwelveBytes) {
  std::vector<std::byte> block = Bytes({2, 0, 0, 0});
  Append(block, Bytes({127, 0, 0, 1, 0x00, 0x35, 0xFF, 0xFF, 0x10, 0x00, 0x00, 0x00}));
  Append(block, Bytes({0, 0, 0, 0, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}));
  const std::vector<UdpRow> rows = DecodeUdpTable(block);
  ASSERT_EQ(rows.size(), 2U);
  EXPECT_EQ(rows[0], (UdpRow{{127, 0, 0, 1}, 53, 16}));
  EXPECT_EQ(rows[1], (UdpRow{{0, 0, 0, 0}, 65535, 0xFFFFFFFFU}));
  EXPECT_EQ(DecodeUdpTable(EncodeUdpTable(rows)), rows);
}

struct BlockCase {
  const char* name;
  std::vector<std::byte> block;
  std::size_t tcpRows;
  std::size_t udpRows;
};

class ShortBlockTest : public ::testing::TestWithParam<BlockCase> {};

TEST_P(ShortBlockTest, GivesOnlyTheRowsThatAreThere) {
  EXPECT_EQ(DecodeTcpTable(GetParam().block, TcpRowLayout::OwnerPid).size(), GetParam().tcpRows);
  EXPECT_EQ(DecodeUdpTable(GetParam().block).size(), GetParam().udpRows);
}

std::vector<std::byte> CountThenBytes(int count, std::size_t bytes) {
  std::vector<std::byte> block = Bytes({count, 0, 0, 0});
  block.resize(kTableHeaderBytes + bytes, std::byte{0x41});
  return block;
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, ShortBlockTest,
    ::testing::Values(BlockCase{"NoBytes", {}, 0, 0}, BlockCase{"ShorterThanTheCount", Bytes({1, 0, 0}), 0, 0},
                      BlockCase{"NoRows", Bytes({0, 0, 0, 0}), 0, 0},
                      BlockCase{"NoRowsButBytesAfter", CountThenBytes(0, 48), 0, 0},
                      BlockCase{"CountWithoutRows", Bytes({5, 0, 0, 0}), 0, 0},
                      BlockCase{"HugeCountOneRowEach", Bytes({0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11,
                                                              12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24}),
                                1, 2},
                      BlockCase{"CountBelowTheRowsHeld", CountThenBytes(1, 48), 1, 1}),
    testing::ParamName());

TEST(PortWordTest, OnlyTheFirstTwoBytesCountInNetworkOrder) {
  for (const auto& upper : {Bytes({0x00, 0x00}), Bytes({0xFF, 0xFF}), Bytes({0x12, 0x34})}) {
    std::vector<std::byte> block = Bytes({1, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x50});
    Append(block, upper);
    Append(block, Bytes({1, 0, 0, 0}));
    const std::vector<UdpRow> rows = DecodeUdpTable(block);
    ASSERT_EQ(rows.size(), 1U);
    EXPECT_EQ(rows[0].LocalPort, 80);
  }
}

TEST(Ipv4TextTest, FourNumbersWithoutLeadingZeros) {
  const std::pair<Ipv4Address, const char*> cases[] = {
      {{127, 0, 0, 1}, "127.0.0.1"},
      {{0, 0, 0, 0}, "0.0.0.0"},
      {{255, 255, 255, 255}, "255.255.255.255"},
      {{10, 1, 20, 100}, "10.1.20.100"},
  };
  for (const auto& [address, text] : cases) {
    EXPECT_EQ(Ipv4Text(address), text);
  }
}

}  // namespace
}  // namespace portolan
