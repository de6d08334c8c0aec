// Block header accessors and the writing of its allocated and free forms.
#include "obj_header.h"

#include <cstring>

#include "heap_corruption.h"

namespace dv_qem {

void _Obj_header::refuse_block_size() { _Heap_corruption(_Obj_check::block_size_overflow); }

dv4u _Obj_header::block_size(_Type_tag_source& tags) const {
  const dv_typespec* ts = tags.typespec_of(tag());
  return block_size_for(ts->get_size(), count(), has_vector_header(), has_extra_bytes());
}

char* _Obj_header::footer_target() const {
  const char* footer = address() + free_footprint() - FREE_BLOCK_FOOTER_SIZE;
  return resolve_self_relative(reinterpret_cast<const dv4s*>(footer));
}

char* _Obj_header::preceding_footer_target() const {
  return resolve_self_relative(reinterpret_cast<const dv4s*>(address() - FREE_BLOCK_FOOTER_SIZE));
}

void _Obj_header::make_allocated(dv2u type_tag, dv4u n, bool vector_header, bool extra_bytes,
                                 bool large_form) {
  dv2u flags = 0;
  if (vector_header) flags |= BLOCK_VECTOR_HEADER;
  if (extra_bytes) flags |= BLOCK_EXTRA_BYTES;
  word1 = type_tag;
  if (large_form) {
    word0 = static_cast<dv2u>(flags | BLOCK_LARGE_FORM);
    set_large_value(n);
  } else {
    word0 = static_cast<dv2u>(flags | (n & BLOCK_COUNT_MASK));
    prev_link = 0;
    next_link = 0;
  }
}

void _Obj_header::retype(dv2u type_tag, dv4u n) {
  word1 = type_tag;
  if (is_large_form()) {
    set_large_value(n);
  } else {
    DV_ASSERT(n <= LARGEST_SMALL_ARRAY_COUNT);
    word0 = static_cast<dv2u>((word0 & ~BLOCK_COUNT_MASK) | n);
  }
}

void _Obj_header::make_free(dv4u footprint, bool fill) {
  if (fill) std::memset(address(), FREED_FILL_BYTE, footprint);
  dv4u payload = footprint - OBJECT_HEADER_SIZE;
  if (payload > LARGEST_SMALL_PAYLOAD) {
    word0 = static_cast<dv2u>(BLOCK_FREE | BLOCK_LARGE_FORM);
    set_large_value(payload);
  } else {
    word0 = BLOCK_FREE;
    word1 = static_cast<dv2u>(payload);
    prev_link = 0;
    next_link = 0;
  }
  char* footer = address() + footprint - FREE_BLOCK_FOOTER_SIZE;
  store_self_relative(reinterpret_cast<dv4s*>(footer), address());
}

}  // namespace dv_qem
