// The type descriptor of a persistent class: name, size, and where its
// pointers and virtual-table pointers lie. Relocation of stored objects is
// driven by these. The concrete descriptor every class instantiates,
// dv_basic_typespec, and the built-in descriptors build on this base.
#pragma once

#include "dv_types.h"

namespace dv_qem {

class dv_database;

// Maps old object addresses to new ones for schema-driven pointer fix-up.
class dv_address_map;

class dv_typespec {
 public:
  virtual ~dv_typespec() = default;
  // Replaces each pointer member the map knows by the map's value.
  virtual void do_relocation(void* object, dv_address_map* map) = 0;
  // Adds delta to each non-null pointer member and restores vtable pointers.
  virtual void do_relocation(void* object, int delta) = 0;
  virtual unsigned get_size() const = 0;
  virtual const char* get_name() const { return name_; }
  virtual int needs_relocation() const = 0;

 protected:
  explicit dv_typespec(const char* name) : name_(name) {}
  const char* name_;
};

}  // namespace dv_qem
