// Reading a table whose size must be probed first, on the process heap.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "win32/endpoint_tables.h"

namespace portolan::win32 {
namespace {

// A table of `rows` 4-byte rows that grows by one row after each of its
// first `growths` answers.
struct GrowingTable {
  ULONG rows;
  int growths;
  int reads = 0;

  ULONG Bytes() const { return 4 + 4 * rows; }

  DWORD Read(void* block, ULONG* size) {
    ++reads;
    if (block == nullptr || *size < Bytes()) {
      *size = Bytes();
      if (growths > 0) {
        --growths;
        ++rows;
      }
      return ERROR_INSUFFICIENT_BUFFER;
    }
    std::memcpy(block, &rows, sizeof rows);
    return NO_ERROR;
  }

  TableRead Reader() {
    return [this](void* block, ULONG* size, BOOL) { return Read(block, size); };
  }
};

TEST(ReadSizedTableTest, ReadsAgainWithTheNewSizeWhileTheTableGrows) {
  GrowingTable table{3, 1};  // grows once after the probe and once after the first read
  const auto block = ReadSizedTable(table.Reader(), TRUE);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(table.reads, 3);
  EXPECT_GE(block->Bytes().size(), 4U + 4U * 4U);
}

TEST(ReadSizedTableTest, GivesUpAfterBoundedTries) {
  GrowingTable table{1, 1000};  // grows at every read
  EXPECT_EQ(ReadSizedTable(table.Reader(), TRUE), nullptr);
  EXPECT_EQ(table.reads, 1 + kTableReadTries);
}

TEST(ReadSizedTableTest, FailedCallGivesNoTable) {
  int reads = 0;
  const auto failing = [&reads](void*, ULONG*, BOOL) {
    ++reads;
    return static_cast<DWORD>(ERROR_NOT_SUPPORTED);
  };
  EXPECT_EQ(ReadSizedTable(failing, FALSE), nullptr);
  EXPECT_EQ(reads, 1);
}

TEST(ReadSizedTableTest, OrderIsPassedOn) {
  BOOL seen = -5;
  const auto reader = [&seen](void*, ULONG*, BOOL order) {
    seen = order;
    return static_cast<DWORD>(ERROR_NOT_SUPPORTED);
  };
  ReadSizedTable(reader, TRUE);
  EXPECT_EQ(seen, TRUE);
}

}  // namespace
}  // namespace portolan::win32
