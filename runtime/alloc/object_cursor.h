// The object cursor: a walk over every object of a database's user page
// group, pages in the order of the group's list (newest page first), objects
// in the order of each page's allocated list (newest first). Objects of the
// system group (roots, dictionaries, schema paths) are never visited.
//
// Also here: finding the typespec of the object that covers an address.
#pragma once

#include "db_allocator.h"
#include "dv_typespec.h"

namespace dv_qem {

class _DB_object_cursor {
 public:
  // A cursor at no object, bound to db (an open database).
  explicit _DB_object_cursor(_DB_space* db);
  ~_DB_object_cursor();
  _DB_object_cursor(const _DB_object_cursor&) = delete;
  _DB_object_cursor& operator=(const _DB_object_cursor&) = delete;

  // Moves to the newest object of the first user page that holds one; no
  // object when there is none.
  void first();
  // Nonzero while at an object. The object must still be in the cursor's
  // database: dv_err_cursor_not_at_object "The database %s no longer
  // contains the current object at 0x%x." otherwise (also for current).
  int more() const;
  // Not at an object: dv_err_cursor_at_end "There are no more objects.";
  // else the next object, or no object after the last.
  void next();
  // 1 with the object (behind any vector header), its typespec and count;
  // 0 with cleared outputs when at no object.
  int current(void*& object, const dv_typespec*& ts, dv4u& count) const;
  // Moves to the user object whose extent (ts size x max(count, 1)) holds
  // address. Refusals (dv_err_cursor_not_at_object), the position kept: a
  // transient address, an address in no database, in another database than
  // the cursor's, and an address in no user object.
  void set(const void* address);

 private:
  void check_database() const;
  void clear();
  void stand_at(_Page_header* page, _Obj_header* block);
  // The newest object of page or of the first page after it that has one.
  void first_object_from(_Page_header* page);
  _DB_allocator& allocator() const;

  _DB_space* db_;
  char* db_name_;  // copy of the path, for messages after the database is gone
  _Page_header* page_ = nullptr;
  _Obj_header* block_ = nullptr;
  _DB_allocator::object_info info_;
};

// The typespec of the object of any group whose extent holds p, with its
// element count (0 for a single object) and p's offset from the object;
// null for an address in no database or in no object.
const dv_typespec* _DB_typespec_at(const void* p, unsigned& count, unsigned& offset);

}  // namespace dv_qem
