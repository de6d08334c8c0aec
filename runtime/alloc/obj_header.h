// The 8-byte block header of the in-page heap, used in place on page memory:
// reading its flags, count, tag and sizes, and writing its allocated and free
// forms. Nothing here checks the page around the block; _Page_header does.
#pragma once

#include <cstring>

#include "heap_format.h"
#include "self_relative.h"
#include "type_tags.h"

namespace dv_qem {

class _Obj_header : private _Obj_header_layout {
 public:
  static _Obj_header* at(void* block) { return static_cast<_Obj_header*>(block); }
  static const _Obj_header* at(const void* block) { return static_cast<const _Obj_header*>(block); }

  char* address() const { return reinterpret_cast<char*>(const_cast<_Obj_header*>(this)); }
  // The object (allocated) or payload (free) behind the header.
  char* object() const { return address() + OBJECT_HEADER_SIZE; }

  dv2u flags_word() const { return word0; }
  bool is_free() const { return (word0 & BLOCK_FREE) != 0; }
  bool is_large_form() const { return (word0 & BLOCK_COUNT_MASK) == BLOCK_LARGE_FORM; }
  bool has_extra_bytes() const { return (word0 & BLOCK_EXTRA_BYTES) != 0; }
  bool has_vector_header() const { return (word0 & BLOCK_VECTOR_HEADER) != 0; }
  bool prev_is_free() const { return (word0 & BLOCK_PREV_FREE) != 0; }
  void set_prev_free(bool on) {
    word0 = on ? static_cast<dv2u>(word0 | BLOCK_PREV_FREE) : static_cast<dv2u>(word0 & ~BLOCK_PREV_FREE);
  }

  // Allocated blocks: the array count (0 = one object) and the type tag.
  dv4u count() const { return is_large_form() ? large_value() : static_cast<dv4u>(word0 & BLOCK_COUNT_MASK); }
  dv2u tag() const { return word1; }
  // Bytes of the allocated block behind its header, computed from the
  // typespec its tag names (throws what the tag source throws).
  dv4u block_size(_Type_tag_source& tags) const;
  // The block size of an object of type_size bytes: times count when the
  // count is nonzero (plus 4 with a vector header), at least 8 and a multiple
  // of 8, plus EXTRA_BYTES_IN_BLOCK when extra_bytes. Heap corruption
  // (obj_header) when it does not fit the address space.
  static dv4u block_size_for(dv4u type_size, dv4u count, bool vector_header, bool extra_bytes) {
    unsigned long long size = type_size;
    if (count != 0) size = size * count + (vector_header ? 4 : 0);
    if (size < BLOCK_ALIGNMENT || size % BLOCK_ALIGNMENT != 0)
      size = (size + BLOCK_ALIGNMENT) & ~static_cast<unsigned long long>(BLOCK_ALIGNMENT - 1);
    if (extra_bytes) size += EXTRA_BYTES_IN_BLOCK;
    // Anything near 2 GiB can never be a block of a 32-bit database.
    if (size > 0x7fff0000ull) refuse_block_size();
    return static_cast<dv4u>(size);
  }

  // Free blocks: payload size (block size minus the header) and footprint.
  dv4u free_payload() const { return is_large_form() ? large_value() : static_cast<dv4u>(word1); }
  dv4u free_footprint() const { return free_payload() + OBJECT_HEADER_SIZE; }
  // Where the footer at the end of this free block leads (null when 0).
  char* footer_target() const;
  // Where the footer just in front of this block leads (the previous block's).
  char* preceding_footer_target() const;

  // List links of the small forms (null for the large forms).
  _Obj_header* prev() const { return is_large_form() ? nullptr : at(resolve_self_relative(&prev_link)); }
  _Obj_header* next() const { return is_large_form() ? nullptr : at(resolve_self_relative(&next_link)); }
  void set_prev(const _Obj_header* block) { store_self_relative(&prev_link, block); }
  void set_next(const _Obj_header* block) { store_self_relative(&next_link, block); }
  const dv2s* prev_link_field() const { return &prev_link; }
  const dv2s* next_link_field() const { return &next_link; }

  // Writes an allocated header (links null); the large form stores the count
  // as a u32. The payload is left alone.
  void make_allocated(dv2u type_tag, dv4u count, bool vector_header, bool extra_bytes,
                      bool large_form);
  // Gives an allocated block another tag and count, keeping its form, flags
  // and links (a small block's count must fit its 12 bits).
  void retype(dv2u type_tag, dv4u count);
  // Writes a free header of footprint bytes (small form up to
  // LARGEST_SMALL_PAYLOAD, links null) and its footer; with fill, the whole
  // footprint is first filled with FREED_FILL_BYTE.
  void make_free(dv4u footprint, bool fill);

 private:
  dv4u large_value() const {
    dv4u value;
    std::memcpy(&value, address() + LARGE_FORM_VALUE_OFFSET, sizeof value);
    return value;
  }
  void set_large_value(dv4u value) { std::memcpy(address() + LARGE_FORM_VALUE_OFFSET, &value, sizeof value); }
  // Raises heap corruption for a block size no 32-bit database can hold.
  [[noreturn]] static void refuse_block_size();
};

static_assert(sizeof(_Obj_header) == OBJECT_HEADER_SIZE);

}  // namespace dv_qem
