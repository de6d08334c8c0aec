// The check every reader's run ends with: no bad case, each bad case
// listed as a failure with its seed and number for replay.
#pragma once

#include <gtest/gtest.h>

#include "hostile_harness.h"

namespace hostile {

inline void ExpectNoBadCase(const Tally& tally) {
  EXPECT_EQ(tally.bad, 0) << tally.Summary();
  for (const std::string& line : tally.badCases) ADD_FAILURE() << line;
}

}  // namespace hostile
