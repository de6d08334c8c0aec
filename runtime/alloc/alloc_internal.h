// What the allocator's own files share: one allocation request, the checks
// the allocator reports as heap corruption ("pers_alloc", n), and a scan over
// the bits two vectors have in common.
#pragma once

#include "db_allocator.h"
#include "dv_bitvector.h"
#include "heap_corruption.h"

namespace dv_qem {

struct _DB_allocator::request {
  dv4u size = 0;                    // block size: the object's size rounded as in the page heap
  const dv_typespec* ts = nullptr;  // type of the object (or of each element)
  dv4u count = 0;                   // elements, 0 for one object
  bool vector_header = false;       // the object opens with a 4-byte vector header
  dv4u group = 0;                   // page group to allocate in
  _Page_header* hint = nullptr;     // page or region of the placement hint, or null
};

// Checks of the allocator, the number in "(pers_alloc,%d)".
enum class _Alloc_check : int {
  list_count = 1,              // a group's page list is not as long as its page count
  list_too_long = 2,           // a group's page list runs on past the database's pages
  page_outside_image = 3,      // a page link leads off the image or off a page start
  page_group_mismatch = 4,     // a page header names another group than the list it is on
  class_membership = 5,        // a page is not in exactly the size class of its largest free payload
  class_count = 6,             // a size-class vector's count differs from its bits
  free_region_invalid = 7,     // a free-region bit names no free region of the map
  map_entries_mismatch = 8,    // the large-object map holds entries for no region
  descriptor_invalid = 9,      // a descriptor's group number or flags are wrong
  tag_not_assigned = 20,       // a block carries a tag above the highest assigned
  slot_without_name = 21,      // an assigned tag's slot has no name
  invalid_page_group = 22,     // a page header names a group other than 0 or 1
  base_invalid = 23,           // a page's recorded database start can not be one
  user_type_on_system_page = 24,  // a system page holds an object that needs relocation
  header_invalid = 25,         // a field of the database header leads nowhere it may
  root_value_invalid = 26,     // a typed root's value is no object (element) of its type
  region_beyond_image = 27,    // a multi-page region reaches past the image's end
  region_tail_invalid = 28,    // a region's object does not end where its fill begins
  base_unknown = 29,           // a page's recorded base is no start the header keeps
  system_type_on_user_page = 30,  // a user page holds an object of the runtime's own types
  region_pages_unmapped = 31,  // a region's pages disagree with the large-object map
};

[[noreturn]] inline void _Alloc_corruption(_Alloc_check check) {
  _Heap_corruption("pers_alloc", static_cast<int>(check));
}

// The first bit at or above from that is set in both a and b; false when
// there is none.
inline bool _Find_set_in_both(const _Bit_vector& a, const _Bit_vector& b, dv4u from, dv4u& n) {
  dv4u words = a.n_words() < b.n_words() ? a.n_words() : b.n_words();
  for (dv4u i = from / _Bit_vector::bits_per_word; i < words; ++i) {
    dv4u word = a.words()[i] & b.words()[i];
    if (i == from / _Bit_vector::bits_per_word) word &= ~dv4u{0} << (from % _Bit_vector::bits_per_word);
    if (word != 0) {
      n = i * _Bit_vector::bits_per_word + static_cast<dv4u>(__builtin_ctz(word));
      return true;
    }
  }
  return false;
}

}  // namespace dv_qem
