// Fixture of the collections tests that use databases: a fault guard and a
// scratch directory.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "dv_database.h"
#include "dv_fault_handler.h"
#include "dv_object_cursor.h"
#include "dv_scratch_dir.h"
#include "dv_typespec.h"

namespace dv_test {

class coll_db_test : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return dir_ / name; }

  dv_qem::_VRN_fault_handler guard_;
  scratch_dir dir_;
};

// The number of objects of each type name in db (an open transaction's view).
inline std::map<std::string, int> object_census(dv_qem::dv_database* db) {
  std::map<std::string, int> counts;
  dv_qem::dv_object_cursor c(db);
  for (c.first(); c.more(); c.next()) {
    void* object = nullptr;
    const dv_qem::dv_typespec* ts = nullptr;
    int count = 0;
    c.current(object, ts, count);
    ++counts[ts->get_name()];
  }
  return counts;
}

}  // namespace dv_test
