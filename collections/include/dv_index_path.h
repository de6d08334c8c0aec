// dv_index_path: the description of a path index (its steps, its names and
// kind), kept for the index and query interfaces; this edition creates,
// describes and destroys paths but evaluates none. _DVRTQ_interpret_flags:
// the query interpreter's flag word.
#pragma once

#include "dv_database.h"
#include "dv_soft_pointer.h"
#include "dv_types.h"

namespace dv_qem {

class dv_list;
class dv_typespec;

class dv_index_path {
 public:
  enum : dv4u { branching_bit = 0x1, gateway_path_bit = 0x2, multistep_bit = 0x8 };  // flag word

  dv_index_path() = default;
  // The copy names no steps and no names; flags and the keeping word are
  // copied.
  dv_index_path(const dv_index_path& other);
  dv_index_path& operator=(const dv_index_path&) = delete;
  ~dv_index_path() = default;

  // A new transient path without steps or names (type, path and placement
  // are not used). A failed allocation raises err_coll_internal.
  static dv_index_path& create(const char* type, const char* path, const dv_segment* segment);
  // Destroys and frees a path from create.
  static void destroy(dv_index_path& path);

  dv_list* get_steps() const { return static_cast<dv_list*>(steps_.resolve()); }
  const char* LI_name() const { return static_cast<const char*>(li_name_.resolve()); }
  const char* DML_name() const { return static_cast<const char*>(dml_name_.resolve()); }
  int branching() const { return (flags_ & branching_bit) != 0; }
  int gateway_path() const { return (flags_ & gateway_path_bit) != 0; }
  int is_multistep() const { return (flags_ & multistep_bit) != 0; }
  dv4u keeping_deref() const { return keeping_deref_; }

  static dv_typespec* get_dv_typespec();

 private:
  friend struct _Index_path_layout;

  dv_soft_pointer32<void> steps_;     // the list of steps (a dv_list), or null
  dv_soft_pointer32<void> li_name_;   // the LI name string, or null
  dv_soft_pointer32<void> dml_name_;  // the DML name string, or null
  dv4u flags_ = 0;                    // branching_bit, gateway_path_bit, multistep_bit
  dv4u keeping_deref_ = 0;            // keeping-dereference word
};

// The query interpreter's flags: bit 1, a null path was met.
class _DVRTQ_interpret_flags {
 public:
  enum : dv4u { null_path_bit = 0x1 };

  void clear() { word_ = 0; }
  void set_null_path() { word_ |= null_path_bit; }
  int encountered_null_path() const { return (word_ & null_path_bit) != 0; }

 private:
  dv4u word_ = 0;
};
static_assert(sizeof(_DVRTQ_interpret_flags) == 4);

}  // namespace dv_qem
