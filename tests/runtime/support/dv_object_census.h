// A census of a database: how many objects of each type name it holds, as
// the object cursor walks them (an open transaction's view). Tests compare
// censuses to see what an operation made or left behind.
#pragma once

#include <map>
#include <string>

#include "dv_database.h"
#include "dv_object_cursor.h"
#include "dv_typespec.h"

namespace dv_test {

// The number of objects of each type name in db.
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
