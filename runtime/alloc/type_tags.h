// How the in-page heap and the allocator see a database's types: a tag
// source maps each typespec to the 16-bit tag stored in block headers, and
// back; the type table adds what the allocator and the roots ask of the
// tags recorded in the header. The type system implements both (its type
// manager); the allocator makes its table with _Make_type_table.
#pragma once

#include <memory>

#include "dv_typespec.h"

namespace dv_qem {

class _Type_tag_source {
 public:
  virtual ~_Type_tag_source() = default;
  // The tag of ts in this database, assigned on first use; never 0.
  virtual dv2u tag_of(const dv_typespec* ts) = 0;
  // The typespec a stored tag names; raises dv_err_unmarked_type when the
  // type is not registered in this process.
  virtual const dv_typespec* typespec_of(dv2u tag) = 0;
};

class _DB_allocator;

class _Type_table : public _Type_tag_source {
 public:
  // (Re)reads every assigned tag from the header.
  virtual void load() = 0;
  // The tag of name in this database, 0 when it has none (nothing assigned).
  virtual dv2u find_tag(const char* name) const = 0;
  // The name and the size recorded for an assigned tag, and the highest tag.
  virtual const char* name_of(dv2u tag) const = 0;
  virtual dv4u recorded_size(dv2u tag) const = 0;
  virtual dv2u highest_tag() const = 0;
  // The registered typespec of a type name; a name not registered in this
  // process throws dv_err_unmarked_type.
  virtual const dv_typespec* typespec_named(const char* name) const = 0;
  // Gives the tag of old_name to new_name (see _Type_manager).
  virtual void rename_type(const char* old_name, const char* new_name) = 0;
};

// The type table of the database allocator serves, kept in its header.
std::unique_ptr<_Type_table> _Make_type_table(_DB_allocator& allocator);

}  // namespace dv_qem
