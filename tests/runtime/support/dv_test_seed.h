// Seeds of the randomised tests: DV_TEST_SEED replays one run; otherwise a
// fresh seed each run. Tests print the seed they used on failure.
#pragma once

#include <cstdlib>
#include <random>

namespace dv_test {

inline unsigned seed() {
  const char* fixed = std::getenv("DV_TEST_SEED");
  return fixed != nullptr ? static_cast<unsigned>(std::strtoul(fixed, nullptr, 0))
                          : std::random_device{}();
}

}  // namespace dv_test
