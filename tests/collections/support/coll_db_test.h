// Fixtures of the collections tests that use databases: a fault guard and a
// scratch directory, in the test's own process or in a child; with them, the
// census of a database (dv_object_census.h).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "durnavel.h"
#include "dv_database.h"
#include "dv_fault_handler.h"
#include "dv_object_census.h"
#include "dv_scratch_dir.h"
#include "dv_test_process.h"
#include "dv_test_seed.h"

namespace dv_test {

class coll_db_test : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return dir_ / name; }

  dv_qem::_VRN_fault_handler guard_;
  scratch_dir dir_;
};

// Fixture of the tests that run only in a child process (run_child): skipped
// in the parent, the runtime started in the child.
class coll_child_test : public coll_db_test {
 protected:
  void SetUp() override {
    if (!is_child()) GTEST_SKIP() << "runs in a child process";
    dv_qem::durnavel::initialize();
  }
};

// The cross-process run of a seeded model test: <fixture>.Create makes the
// database file with the database placed at 0x20000000, then <fixture>.Use
// opens it at use_start; both replay this run's seed (DV_TEST_SEED), which
// is printed and named by a failure.
inline void run_create_then_use(const std::string& fixture, const std::string& file, const char* use_start) {
  const std::string seed = std::to_string(dv_test::seed());
  std::printf("%s seed %s\n", fixture.c_str(), seed.c_str());
  ASSERT_EQ(run_child(fixture + ".Create",
                      {{"DV_TEST_FILE", file}, {"DV_TEST_SEED", seed}, {"DV_QEM_AS_START", "0x20000000"}}),
            0)
      << "seed " << seed;
  EXPECT_EQ(run_child(fixture + ".Use",
                      {{"DV_TEST_FILE", file}, {"DV_TEST_SEED", seed}, {"DV_QEM_AS_START", use_start}}),
            0)
      << "seed " << seed;
}

}  // namespace dv_test
