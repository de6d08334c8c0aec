// The self-check, the dump and the walk over the allocated blocks of a page heap.
#include <cstdint>
#include <cstdio>

#include "dv_platform.h"
#include "heap_corruption.h"
#include "page_header.h"
#include "address_word.h"
#include "dv_assertions.h"

namespace dv_qem {

namespace {

// Block sizes for one walk of a heap: a page holds objects of a few types,
// so each tag's type size is asked of the tag source once (it throws for a
// tag it does not know, as _Obj_header::block_size does) and kept for the
// last few tags.
class block_sizes {
 public:
  explicit block_sizes(_Type_tag_source& tags) : tags_(tags) {}
  dv4u of(const _Obj_header* block) {
    return _Obj_header::block_size_for(type_size(block->tag()), block->count(), block->has_vector_header(),
                                       block->has_extra_bytes());
  }

 private:
  dv4u type_size(dv2u tag) {
    for (dv4u i = 0; i < known_; ++i)
      if (kept_[i].tag == tag) return kept_[i].size;
    const dv4u size = tags_.typespec_of(tag)->get_size();
    kept_[next_] = {tag, size};
    next_ = (next_ + 1) % kKept;
    if (known_ < kKept) ++known_;
    return size;
  }

  static constexpr dv4u kKept = 8;
  struct kept {
    dv2u tag;
    dv4u size;
  };
  _Type_tag_source& tags_;
  kept kept_[kKept] = {};
  dv4u known_ = 0;
  dv4u next_ = 0;
};

// The 8-byte slots of a single page's heap that the listed blocks cover. The
// blocks tile the heap (no overlap, no gap, none off the lists) exactly when
// every slot is covered once: the same finding as a walk from the first
// block by the blocks' sizes, without a third pass over the blocks.
class slot_cover {
 public:
  explicit slot_cover(const _Heap_extent& e)
      : first_(e.first), slots_(static_cast<dv4u>(e.end - e.first) / BLOCK_ALIGNMENT) {}

  // The block at p with footprint bytes covers its slots; a slot covered
  // already, or one past the heap, spoils the tiling.
  void cover(const char* p, dv4u footprint) {
    const dv4u first = static_cast<dv4u>(p - first_) / BLOCK_ALIGNMENT;
    const dv4u n = footprint / BLOCK_ALIGNMENT;
    if (n == 0 || first + n > slots_) {
      spoiled_ = true;
      return;
    }
    for (dv4u slot = first, end = first + n; slot < end;) {
      const dv4u bit = slot % 32, take = end - slot < 32 - bit ? end - slot : 32 - bit;
      const std::uint32_t mask = (take == 32 ? ~std::uint32_t{0} : ((std::uint32_t{1} << take) - 1)) << bit;
      std::uint32_t& word = words_[slot / 32];
      if (word & mask) spoiled_ = true;
      word |= mask;
      slot += take;
    }
  }
  bool tiles() const {
    if (spoiled_) return false;
    for (dv4u w = 0; w < slots_ / 32; ++w)
      if (words_[w] != ~std::uint32_t{0}) return false;
    const dv4u rest = slots_ % 32;
    return rest == 0 || words_[slots_ / 32] == (std::uint32_t{1} << rest) - 1;
  }

 private:
  static constexpr dv4u kWords = (HEAP_PAGE_SIZE / BLOCK_ALIGNMENT + 31) / 32;
  const char* first_;
  dv4u slots_;
  std::uint32_t words_[kWords] = {};
  bool spoiled_ = false;
};

}  // namespace

void _Page_header::check_region_map(const _Heap_extent& e, const _Large_object_lookup& map) const {
  char* page = page_start();
  if (!e.region) {
    if (map.object_covering(page) != nullptr) _Heap_corruption(_Pg_check::map_single_page_present);
    return;
  }
  // A region's object always sits behind its first block header, whether the
  // region holds it now or held it before it was freed.
  const void* object = e.first + OBJECT_HEADER_SIZE;
  for (; page < e.end; page += HEAP_PAGE_SIZE)
    if (map.object_covering(page) != object) _Heap_corruption(_Pg_check::map_region_page_missing);
  if (map.object_covering(e.end) == object) _Heap_corruption(_Pg_check::map_region_extends_further);
}

void _Page_header::self_check(_Type_tag_source& tags, const _Large_object_lookup* map) const {
  if (page_group() > 1 || reserved != 0) _Heap_corruption(_Pg_check::header_field_invalid);
  _Heads h = heads();
  _Heap_extent e = extent(h, tags);
  // The map vouches for a region's size before anything behind its first page is read.
  if (map != nullptr) check_region_map(e, *map);

  block_sizes sizes(tags);
  slot_cover cover(e);
  dv4u allocated_bytes = 0;
  dv4u object_end = 0;  // offset from the page start just behind a region's object
  _Block_list_walk allocated(&allocated_head, e, false);
  while (_Obj_header* block = allocated.next()) {
    if (block->tag() == 0) _Heap_corruption(_Pg_check::tag_zero);
    // Only arrays are allocated with a vector header.
    if (block->has_vector_header() && block->count() == 0)
      _Heap_corruption(_Pg_check::vector_header_without_count);
    if (!block->is_large_form() && block->count() > LARGEST_SMALL_ARRAY_COUNT)
      _Heap_corruption(_Pg_check::small_count_too_large);
    dv4u footprint = sizes.of(block) + OBJECT_HEADER_SIZE;
    if (!e.holds(block->address(), footprint)) _Heap_corruption(_Pg_check::block_beyond_heap);
    if (block->prev_is_free() && _Free_block_before(e, block) == nullptr)
      _Heap_corruption(_Pg_check::preceding_not_free);
    if (!e.region) cover.cover(block->address(), footprint);
    allocated_bytes += footprint;
    object_end = static_cast<dv4u>(block->address() + footprint - page_start());
  }

  dv4u free_payloads = 0;
  dv4u free_footprints = 0;
  dv4u largest = 0;
  _Block_list_walk free_list(&free_head, e, true);
  while (_Obj_header* block = free_list.next()) {
    if (block->prev_is_free()) _Heap_corruption(_Pg_check::free_block_prev_free);
    if (block->footer_target() != block->address()) _Heap_corruption(_Pg_check::footer_mismatch);
    char* behind = block->address() + block->free_footprint();
    if (behind < e.end) {
      _Obj_header* next = _Obj_header::at(behind);
      if (next->is_free()) _Heap_corruption(_Pg_check::free_block_prev_free);
      if (!next->prev_is_free()) _Heap_corruption(_Pg_check::missing_prev_free_bit);
    }
    if (!e.region) cover.cover(block->address(), block->free_footprint());
    free_payloads += block->free_payload();
    free_footprints += block->free_footprint();
    if (block->free_payload() > largest) largest = block->free_payload();
  }
  if (!e.region && !cover.tiles()) _Heap_corruption(_Pg_check::blocks_do_not_tile);

  if (largest_free() != (e.region ? 0 : largest)) _Heap_corruption(_Pg_check::largest_free_wrong);
  if (largest_free() > free_bytes()) _Heap_corruption(_Pg_check::largest_above_free_bytes);

  dv4u calculated_free_bytes = free_payloads;
  dv4u n_free_bytes = free_bytes();
  // A region holding its object counts the whole pages behind the object as free.
  if (e.region && h.allocated != nullptr) {
    dv4u object_pages = (object_end + HEAP_PAGE_SIZE - 1) / HEAP_PAGE_SIZE * HEAP_PAGE_SIZE;
    calculated_free_bytes += static_cast<dv4u>(e.end - page_start()) - object_pages;
  }
  if (calculated_free_bytes != n_free_bytes)
    DV_ASSERTION_FAILED(calculated_free_bytes_eq_n_free_bytes);
  if (e.region) return;  // one block, sized by its own header
  dv4u total_accounted_bytes = allocated_bytes + free_footprints;
  if (is_page_zero()) {
    if (total_accounted_bytes != HEAP_PAGE_SIZE - PAGE_HEADER_SIZE - DB_HEADER_SIZE)
      DV_ASSERTION_FAILED(first_page_bytes_accounted);
  } else if (total_accounted_bytes != HEAP_PAGE_SIZE - PAGE_HEADER_SIZE) {
    DV_ASSERTION_FAILED(page_bytes_accounted);
  }
}

void _Page_header::dump(_Type_tag_source& tags) const {
  _Heap_extent e = extent(tags);
  _Block_list_walk allocated(&allocated_head, e, false);
  while (_Obj_header* block = allocated.next())
    _VRN_printf("ADDR: %#x\tTYPE: %s\tTAG: %d\tCOUNT: %d\tBLOCK SIZE: %d\n",
                word_of(block->object()), tags.typespec_of(block->tag())->get_name(),
                static_cast<int>(block->tag()), static_cast<int>(block->count()),
                static_cast<int>(block->block_size(tags)));
  _Block_list_walk free_list(&free_head, e, true);
  while (_Obj_header* block = free_list.next())
    _VRN_printf("ADDR: %#x\tFREE BLOCK - SIZE:  %d\n", word_of(block->object()),
                static_cast<int>(block->free_payload()));
}

}  // namespace dv_qem
