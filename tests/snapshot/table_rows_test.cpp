#include "snapshot/table_rows.h"
#include <gtest/gtest.h>
TEST(X, Y) { EXPECT_EQ(portolan::Ipv4Text({127, 0, 0, 1}), "127.0.0.1"); }
