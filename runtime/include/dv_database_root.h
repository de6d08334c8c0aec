// A named root: the persistent record through which a program finds its
// objects in a database (a name, a value pointer and the value's type). The
// handle is the record itself, allocated in the database.
#pragma once

namespace dv_qem {

class dv_database;
class dv_typespec;

class dv_database_root {
 public:
  // The root named name in db, or null. Like dv_database::find_root it needs
  // a fault guard and an open database: a null, transient or closed db
  // throws that database error.
  static dv_database_root* find(const char* name, dv_database* db);
  // Removes the root from its database and frees it; nothing for null.
  static void destroy(dv_database_root* root);

  const char* get_name();
  // The typespec of the value's recorded type, or null when none was given.
  dv_typespec* get_typespec();
  // The value; with ts, the recorded type must be ts's
  // (dv_err_root_type_mismatch).
  void* get_value(dv_typespec* ts);
  // Stores value (and ts's type, which must have instances in the database:
  // dv_err_unmarked_type); a null ts records no type.
  void set_value(const void* value, dv_typespec* ts);

  dv_database_root() = delete;
  dv_database_root(const dv_database_root&) = delete;
  dv_database_root& operator=(const dv_database_root&) = delete;
};

}  // namespace dv_qem
