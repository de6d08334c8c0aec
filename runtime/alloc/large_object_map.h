// The large-object map of a database: a persistent hash dictionary in the
// system group, anchored at header offset 0x34, from the address of every
// page of a multi-page region to the address of the region's object (the
// same address whether the region holds its object or was freed). Keys are
// stored self-relative and hashed relative to the database, so the map
// needs no relocation.
#pragma once

#include "chash.h"
#include "page_header.h"

namespace dv_qem {

class _DB_allocator;

using _DB_large_object_hash = _Chash<_DB_relative_offset<char, dv_int32>, dvctaddr>;

class _Large_object_map : public _Large_object_lookup {
 public:
  explicit _Large_object_map(_DB_allocator& allocator) : allocator_(allocator) {}

  // Makes the empty map of a new database (size hint 10).
  void create();
  // The map's dictionary in the image.
  _DB_large_object_hash& hash() const;

  // The object whose region covers the page starting at page, or null.
  char* object_at(const void* page) const;
  const void* object_covering(const void* page) const override { return object_at(page); }
  // Enters the n_pages pages from first for object (assertions "n_pages > 1"
  // and "map.pick(iptr) == ptr"). On failure none of them is entered.
  void enter(const char* first, dv4u n_pages, const char* object);
  // Removes the entries of the n_pages pages from first. On failure all of
  // them are entered again.
  void remove(const char* first, dv4u n_pages);
  dv4u entries() const { return hash().cardinality(); }

 private:
  _DB_allocator& allocator_;
};

}  // namespace dv_qem
