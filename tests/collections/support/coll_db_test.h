// Fixture of the collections tests that use databases: a fault guard and a
// scratch directory; with it, the census of a database (dv_object_census.h).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "dv_database.h"
#include "dv_fault_handler.h"
#include "dv_object_census.h"
#include "dv_scratch_dir.h"

namespace dv_test {

class coll_db_test : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return dir_ / name; }

  dv_qem::_VRN_fault_handler guard_;
  scratch_dir dir_;
};

}  // namespace dv_test
