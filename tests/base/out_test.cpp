// out_test.cpp: the one failure policy of the output files.
#include "out.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

// An Out without a file writes nothing and never fails. (What one with a
// file writes is in every golden run.)
TEST(Out, WithoutAFileNothingIsWrittenAndNothingFails) {
  Out none;
  EXPECT_EQ(none.print("%d", 1) | none.put("a") | none.write("b", 1) | none.flush() | none.close(), 0u);
  EXPECT_FALSE(none.failed);
}

// On a full device: a write too long for the buffer fails at once, and the
// flush after it fails too although the library dropped what it held; a
// short write fails only at its flush. Every failure marks the Out.
TEST(Out, AFailedWriteIsReportedAgainByTheNextFlush) {
  Out out{std::fopen("/dev/full", "w")};
  ASSERT_TRUE(out.open());
  const std::string big(3 * BUFSIZ, 'a');
  EXPECT_EQ(out.put(big.c_str()), ERIO);
  EXPECT_TRUE(out.failed);
  EXPECT_EQ(out.flush(), ERIO);
  EXPECT_EQ(out.flush(), 0u);  // nothing held, nothing failed since
  EXPECT_EQ(out.print("%s\n", "short"), 0u);
  EXPECT_EQ(out.flush(), ERIO);
  EXPECT_EQ(out.print("%s\n", "short"), 0u);
  EXPECT_EQ(out.close(), ERIO);
  EXPECT_FALSE(out.open());
}

}  // namespace
