// Fixtures of the metaobject tests: a started runtime, a fault guard, a
// scratch directory and a database in it; the same in a child process; with
// them, the census of a database (dv_object_census.h).
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

class mop_db_test : public ::testing::Test {
 protected:
  void SetUp() override {
    dv_qem::durnavel::initialize();
    db_ = dv_qem::dv_database::create(path("schema.db").c_str(), 0644, 1, 0);
  }
  void TearDown() override {
    if (dv_qem::dv_database::is_open(db_)) db_->close();
  }
  std::string path(const std::string& name) const { return dir_ / name; }

  dv_qem::_VRN_fault_handler guard_;
  scratch_dir dir_;
  dv_qem::dv_database* db_ = nullptr;
};

// Tests that run only in a child process started by run_child: skipped in
// the parent; a started runtime and a fault guard in the child.
class mop_child_test : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!is_child()) GTEST_SKIP() << "runs in a child process";
    dv_qem::durnavel::initialize();
  }
  dv_qem::_VRN_fault_handler guard_;
};

}  // namespace dv_test
