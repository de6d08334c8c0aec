// The read-only and read-write blocks of the library and its exit routine.
#include <memory>

#include "coll_startup.h"
#include "dv_coll_statics.h"
#include "dv_env.h"

namespace dv_qem {

dv_coll_readonly_static* dv_coll_readonly_static_pointer = nullptr;
dv_coll_readwrite_static* dv_coll_readwrite_static_pointer = nullptr;

dv_coll_readonly_static::dv_coll_readonly_static()
    : behavior_names{"disallow_duplicates", "allow_duplicates", "signal_duplicates", "allow_nulls", "", "", "",
                     "be_an_array"},
      anonymous_pointer_comparison("Comparisons of pointers to anonymous classes, structs or unions"),
      verbose(_VRN_getenv_bool("DV_QOPT_VERBOSE", nullptr)),
      debug_index(_VRN_getenv_bool("DV_COLL_DEBUG_INDEX", nullptr)),
      char_array_key_name(_Coll_char_array_key_name),
      char_array_type_name("char[]") {}

void _VRN_coll_make_statics() {
  auto readonly = std::make_unique<dv_coll_readonly_static>();
  dv_coll_readwrite_static_pointer = new dv_coll_readwrite_static{};  // every byte zero
  dv_coll_readonly_static_pointer = readonly.release();
}

void _VRN_coll_cleanup() {
  delete dv_coll_readonly_static_pointer;
  dv_coll_readonly_static_pointer = nullptr;
  delete dv_coll_readwrite_static_pointer;
  dv_coll_readwrite_static_pointer = nullptr;
}

}  // namespace dv_qem
