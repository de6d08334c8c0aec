// Fixtures of the collections tests that use databases: a fault guard and a
// scratch directory, in the test's own process or in a child; with them, the
// census of a database (dv_object_census.h).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "durnavel.h"
#include "dv_database.h"
#include "dv_fault_handler.h"
#include "dv_object_census.h"
#include "dv_scratch_dir.h"
#include "dv_test_process.h"

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

}  // namespace dv_test
