// Fixture of the durndoc tests that use databases: a fault guard, a scratch
// directory, and persistent objects made and freed in a database.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "dv_fault_handler.h"
#include "dv_new.h"
#include "dv_scratch_dir.h"
#include "dv_test_process.h"
#include "durnavel.h"

namespace dv_test {

class qem_db_test : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return dir_ / name; }

  // A T constructed in db (the transient database: the heap) from args.
  template <class T, class... Args>
  static T* make_in(dv_qem::dv_database* db, Args&&... args) {
    return new (db, &dv_qem::dv_ts<T>::the_instance) T(std::forward<Args>(args)...);
  }

  dv_qem::_VRN_fault_handler guard_;
  scratch_dir dir_;
};

// Tests that run only in a child process started by run_child.
class qem_child_test : public qem_db_test {
 protected:
  void SetUp() override {
    if (!is_child()) GTEST_SKIP() << "runs in a child process";
    dv_qem::durnavel::initialize();
  }
};

}  // namespace dv_test
