// Named roots: the persistent records through which a program finds its
// objects, kept in a string-keyed dictionary anchored at header offset 0x30
// (made with the first root). Roots, their names and the dictionary live in
// the system page group; every link in them is self-relative.
#pragma once

#include <cstddef>

#include "chash.h"
#include "dv_typespec.h"

namespace dv_qem {

class _DB_allocator;
struct _DB_root;

// Stored layout of a root (typespec "_DB_root", built-in tag 18).
struct _DB_root_layout {
  dv2u tag;    // tag of the value's typespec in this database, 0 when none was given
  dv2u pad;    // zero
  dv4s name;   // self-relative: the root's name, a persistent char array of length + 1
  dv4s value;  // self-relative: the value (0 = null)
};
static_assert(sizeof(_DB_root_layout) == 12);
static_assert(offsetof(_DB_root_layout, name) == 4);
static_assert(offsetof(_DB_root_layout, value) == 8);

using _DB_root_dictionary = _Chash<dv_char_star_nocopy, _DB_root*>;

// A root in place in its database (the public root handle is this record).
struct _DB_root : private _DB_root_layout {
  const char* get_name() const;
  dv2u get_tag() const { return tag; }
  // The typespec of the recorded tag, null for tag 0.
  const dv_typespec* get_typespec() const;
  // The value. With ts: a root without a recorded type, or one recorded
  // under another type name, throws dv_err_root_type_mismatch.
  void* get_value(const dv_typespec* ts) const;
  // Stores value and the tag of ts (0 without ts). ts must have a tag in
  // this database already: dv_err_unmarked_type otherwise. A non-null value
  // outside the root's database image throws dv_err_invalid_root_value.
  void set_value(const void* value, const dv_typespec* ts);

 private:
  friend class _DB_roots;
  _DB_allocator& allocator() const;
  void check_value(const void* object) const;
};
static_assert(sizeof(_DB_root) == 12);

// The roots of one database.
class _DB_roots {
 public:
  explicit _DB_roots(_DB_allocator& allocator) : allocator_(allocator) {}

  // A new root with tag 0, a copy of name and a null value; an existing
  // name throws dv_err_root_exists.
  _DB_root* create(const char* name);
  // The root of that name, or null.
  _DB_root* find(const char* name) const;
  // Stores the first min(max, count()) roots, in dictionary order; returns
  // how many.
  dv4u all(dv4u max, _DB_root** out) const;
  dv4u count() const;
  // Takes the root out of the dictionary and frees its name and record.
  void destroy(_DB_root* root);

 private:
  _DB_root_dictionary* dictionary() const;
  _DB_root_dictionary& make_dictionary();

  _DB_allocator& allocator_;
};

}  // namespace dv_qem
