// A cursor over every user object of one database: the pages of the user
// page group (newest first), within a page the objects (newest first).
#pragma once

namespace dv_qem {

class dv_database;
class dv_typespec;

class dv_object_cursor {
 public:
  explicit dv_object_cursor(const dv_database* db);
  ~dv_object_cursor();
  dv_object_cursor(const dv_object_cursor&) = delete;
  dv_object_cursor& operator=(const dv_object_cursor&) = delete;

  // Moves to the first object (none in an empty database).
  void first();
  // Moves to the next object; at no object: dv_err_cursor_at_end.
  void next();
  // Nonzero while the cursor stands at an object.
  int more();
  // The current object (behind any vector header), its typespec and element
  // count, and 1; 0 with cleared outputs at no object.
  int current(void*& object, const dv_typespec*& ts, int& count);
  // Moves to the object that covers address (dv_err_cursor_not_at_object
  // when there is none, the position kept).
  void set(const void* address);

 private:
  void* cursor_;  // the database's internal cursor
};

}  // namespace dv_qem
