// Guards the toolchain: the object store only works in a 32-bit x86 build.
#include <gtest/gtest.h>

#include "dv_types.h"

TEST(Build, PointersAreThirtyTwoBits) {
  EXPECT_EQ(sizeof(void*), 4u);
  EXPECT_EQ(sizeof(long), 4u);
#if !defined(__i386__)
  FAIL() << "not an i386 build";
#endif
}
