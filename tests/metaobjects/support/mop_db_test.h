// Fixture of the metaobject tests: a started runtime, a fault guard, a
// scratch directory and a database in it; and a census of the objects a
// database holds by type name.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "durnavel.h"
#include "dv_database.h"
#include "dv_fault_handler.h"
#include "dv_object_cursor.h"
#include "dv_scratch_dir.h"
#include "dv_typespec.h"

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

// The number of objects of each type name in db.
inline std::map<std::string, int> mop_census(dv_qem::dv_database* db) {
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
