// The schema paths of a database: a list of strings kept in the header (at
// 0x580: a self-relative link to an array of self-relative links to the
// strings, its capacity and the count). The array (8 entries when made,
// doubled when full) and the strings live in the system page group.
#pragma once

#include "dv_types.h"

namespace dv_qem {

class _DB_allocator;

class _DB_schema_paths {
 public:
  explicit _DB_schema_paths(_DB_allocator& allocator) : allocator_(allocator) {}

  // Appends a persistent copy of path; an equal path already present throws
  // dv_err_path_exists.
  void add(const char* path);
  // Frees the first equal entry and closes the gap; none throws
  // dv_err_path_does_not_exists.
  void remove(const char* path);
  // Frees every string and the array; returns how many paths there were.
  dv4u remove_all();
  // Copies the first min(max, count()) paths with their terminators into
  // the caller's buffers out[0], out[1], ...; returns how many.
  dv4u all(dv4u max, char** out) const;
  dv4u count() const;
  dv4u capacity() const;

 private:
  dv4s* entries() const;
  char* entry(dv4u i) const;
  void grow();

  _DB_allocator& allocator_;
};

}  // namespace dv_qem
