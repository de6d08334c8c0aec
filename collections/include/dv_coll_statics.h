// The collections library's process-wide state: a read-only block made once
// by the library's initialisation and a read-write block, both reached
// through exported pointers that stay null until then and again after the
// library's exit routine.
#pragma once

#include <cstddef>

#include "dv_soft_pointer.h"
#include "dv_types.h"

namespace dv_qem {

// Names of the behaviour bits 0x1 ... 0x80, in ascending bit order; bits 0x10,
// 0x20 and 0x40 print an empty name.
constexpr int _Coll_behavior_name_count = 8;

// The key-type name under which every dv_char_array<N> key type is looked up.
constexpr const char _Coll_char_array_key_name[] = "dv_char_array";

// One of the two 32-byte descriptor records at the end of the read-only
// block: zero but for the bytes 4, 2 and 1 at offsets 2, 8 and 17. Nothing in
// the library reads them. They are kept on an 8-byte boundary, which places
// them at offset 144 and rounds the block up to 224 bytes.
struct alignas(8) _Coll_readonly_record {
  _Coll_readonly_record() : bytes{} {
    bytes[2] = 4;
    bytes[8] = 2;
    bytes[17] = 1;
  }
  dv1u bytes[32];
};
static_assert(sizeof(_Coll_readonly_record) == 32);

// The library's read-only block, 224 bytes: made once by the library's
// initialisation and not changed afterwards.
struct dv_coll_readonly_static {
  // Reads the two switches from the environment (unset: 0). Cannot fail.
  dv_coll_readonly_static();

  dv4u reserved_head[2] = {};                         // 0
  const char* behavior_names[_Coll_behavior_name_count];
  char anonymous_pointer_comparison[64];             // "Comparisons of pointers to anonymous classes, structs or unions"
  int verbose;                                       // DV_QOPT_VERBOSE
  int debug_index;                                   // DV_COLL_DEBUG_INDEX
  dv4u reserved_words[4] = {};                       // 0
  dv4u seven = 7;                                    // 7
  const char* char_array_key_name;                   // "dv_char_array"
  dv_soft_pointer32<void> reserved_pointer;          // null
  _Coll_readonly_record records[2];
  dv4s minus_one = -1;                               // -1
  char char_array_type_name[sizeof "char[]"];        // "char[]"
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

static_assert(sizeof(dv_coll_readonly_static) == 224);
static_assert(offsetof(dv_coll_readonly_static, behavior_names) == 8);
static_assert(offsetof(dv_coll_readonly_static, anonymous_pointer_comparison) == 40);
static_assert(offsetof(dv_coll_readonly_static, verbose) == 104);
static_assert(offsetof(dv_coll_readonly_static, debug_index) == 108);
static_assert(offsetof(dv_coll_readonly_static, reserved_words) == 112);
static_assert(offsetof(dv_coll_readonly_static, seven) == 128);
static_assert(offsetof(dv_coll_readonly_static, char_array_key_name) == 132);
static_assert(offsetof(dv_coll_readonly_static, reserved_pointer) == 136);
static_assert(offsetof(dv_coll_readonly_static, records) == 144);
static_assert(offsetof(dv_coll_readonly_static, minus_one) == 208);
static_assert(offsetof(dv_coll_readonly_static, char_array_type_name) == 212);

extern dv_coll_readonly_static* dv_coll_readonly_static_pointer;
extern dv_coll_readwrite_static* dv_coll_readwrite_static_pointer;

// The library's exit routine: destroys and frees both blocks and nulls both
// pointers; does nothing for a block never made.
void _VRN_coll_cleanup();

}  // namespace dv_qem
