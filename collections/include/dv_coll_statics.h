// The collections library's process-wide state: a read-only block made once
// by the library's initialisation and a read-write block, both reached
// through exported pointers that stay null until then and again after the
// library's exit routine.
#pragma once

#include "dv_types.h"

namespace dv_qem {

// Names of the behaviour bits 0x1 ... 0x80, in ascending bit order; bits 0x10,
// 0x20 and 0x40 print an empty name.
constexpr int _Coll_behavior_name_count = 8;

// The key-type name under which every dv_char_array<N> key type is looked up.
constexpr const char _Coll_char_array_key_name[] = "dv_char_array";

struct dv_coll_readonly_static {
  // Reads the two switches from the environment (unset: 0). Cannot fail.
  dv_coll_readonly_static();

  const char* behavior_names[_Coll_behavior_name_count];
  const char* anonymous_pointer_comparison;  // "Comparisons of pointers to anonymous classes, structs or unions"
  int verbose;                               // DV_QOPT_VERBOSE
  int debug_index;                           // DV_COLL_DEBUG_INDEX
  const char* char_array_key_name;           // "dv_char_array"
  const char* char_array_type_name;          // "char[]"
};

// All zero when made. Only record_index_use has a meaning here; the other
// words and the buffer belong to the query and index machinery.
struct dv_coll_readwrite_static {
  dv4u word0;
  dv4u record_index_use;  // set by dv_collection::_set_record_index_use
  dv4u word2;
  char buffer[1024];
  dv4u words[11];
};
static_assert(sizeof(dv_coll_readwrite_static) == 1080);

extern dv_coll_readonly_static* dv_coll_readonly_static_pointer;
extern dv_coll_readwrite_static* dv_coll_readwrite_static_pointer;

// The library's exit routine: destroys and frees both blocks and nulls both
// pointers; does nothing for a block never made.
void _VRN_coll_cleanup();

}  // namespace dv_qem
