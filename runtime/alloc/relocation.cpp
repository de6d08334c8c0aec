// Relocating the objects of a page or region read into memory, and the
// validation walk that reports illegal pointers without writing anything.
#include <cstdint>
#include <cstring>
#include <typeinfo>

#include "alloc_internal.h"
#include "address_word.h"
#include "db_space.h"
#include "relocation_window.h"

namespace dv_qem {

namespace {

// Calls visit for each element of the object of block: the object itself, or
// each of its count elements (behind the vector header when it has one).
template <class Visit>
void for_each_element(_Obj_header* block, const dv_typespec* ts, Visit visit) {
  char* element = block->object() + (block->has_vector_header() ? sizeof(dv4u) : 0);
  dv4u n = block->count() != 0 ? block->count() : 1;
  for (dv4u i = 0; i < n; ++i, element += ts->get_size()) visit(element);
}

// Whether relocating an object of ts by a delta of 0 can change it: only
// virtual-table pointers to restore, hooks to run, or pointers to report
// while illegal-pointer checking is on.
bool changes_at_zero_delta(const dv_typespec* ts) {
  if (_DB_checking_illegal_pointers()) return true;
  if (ts == dv_typespec::get_pointer()) return false;
  const auto* described = dynamic_cast<const dv_basic_typespec*>(ts);
  return described == nullptr || described->relocates_at_zero_delta();
}

// For each tag of a page, once: its typespec, whether its objects need
// relocating by delta, and where its pointers lie. A page holds objects of
// a few types, mixed; the last few tags are kept.
class relocation_plans {
 public:
  struct plan {
    dv2u tag;
    dv_typespec* ts;
    bool relocate;
    bool moves;                // the type needs relocation at all
    bool pointer;              // each element is one pointer (the built-in pointer type)
    const dv4s* offsets;       // a user class's offset list (dv_basic_typespec::offsets()), else null
    // A user class's own descriptor without hooks: its relocation is the
    // offset list's alone, done without the virtual call and hook checks.
    bool by_offsets;
  };
  relocation_plans(_Type_tag_source& tags, int delta) : tags_(tags), delta_(delta) {}
  const plan& of(dv2u tag) {
    // Tag 0 names no type.
    if (tag == 0) _Heap_corruption(_Pg_check::tag_zero);
    for (dv4u i = 0; i < known_; ++i)
      if (plans_[i].tag == tag) return plans_[i];
    auto* ts = const_cast<dv_typespec*>(tags_.typespec_of(tag));
    // Moving an object whose pointers lie at unknown places would leave them
    // wrong; such an object is refused, never carried on.
    if (delta_ != 0 && ts->has_unknown_layout())
      throw dv_err_relocation(
          "An object of class %s was stored at another address, and where its pointers lie is not known: it "
          "cannot be relocated",
          ts->get_name());
    const bool moves = ts->needs_relocation();
    const bool pointer = ts == dv_typespec::get_pointer();
    const auto* described = pointer ? nullptr : dynamic_cast<const dv_basic_typespec*>(ts);
    plan& p = plans_[next_];
    const dv4s* offsets = described != nullptr ? described->offsets() : nullptr;
    p = {tag, ts, moves && (delta_ != 0 || changes_at_zero_delta(ts)), moves, pointer, offsets,
         offsets != nullptr && typeid(*ts) == typeid(dv_basic_typespec) && !ts->has_fetch_hooks()};
    next_ = (next_ + 1) % kKept;
    if (known_ < kKept) ++known_;
    return p;
  }

 private:
  static constexpr dv4u kKept = 4;
  _Type_tag_source& tags_;
  int delta_;
  plan plans_[kKept] = {};
  dv4u known_ = 0;
  dv4u next_ = 0;
};

}  // namespace

void _DB_allocator::relocate_page(char* page) {
  DV_ASSERT(holds(page) && reinterpret_cast<std::uintptr_t>(page) % DV_PAGE_SIZE == 0);
  _Page_header* heap = heap_of_page(page);
  check_read_page(heap);
  // System pages hold only self-relative links.
  if (heap->page_group() == system_page_group) return;
  relocate_heap(heap);
}

void _DB_allocator::relocate_large_object(char* object) {
  relocate_page(object - OBJECT_HEADER_SIZE - PAGE_HEADER_SIZE);
}

void _DB_allocator::relocate_heap(_Page_header* heap) {
  int delta = static_cast<int>(start() - heap->database_start());
  relocation_plans plans(*types_, delta);
  // Pointers into the image at the recorded base move; others are carried.
  _DB_relocation_window window(reinterpret_cast<std::uintptr_t>(heap->database_start()), size());
  heap->for_each_allocated(*types_, [&](_Obj_header* block) {
    // Even at delta 0 the virtual-table pointers of this run are stored.
    const relocation_plans::plan& p = plans.of(block->tag());
    if (!p.relocate) return;
    if (p.by_offsets)
      for_each_element(block, p.ts, [&](char* element) {
        dv_basic_typespec::relo_ptr_and_vtbl(element, delta, p.offsets, p.ts, 0);
      });
    else
      for_each_element(block, p.ts, [&](char* element) { p.ts->do_relocation(element, delta); });
  });
  heap->set_database_start(start());
}

void _DB_allocator::validate_heap(_Page_header* heap) {
  relocation_plans plans(*types_, 0);
  heap->for_each_allocated(*types_, [&](_Obj_header* block) {
    const relocation_plans::plan& p = plans.of(block->tag());
    if (p.offsets != nullptr) {
      for_each_element(block, p.ts, [&](char* element) {
        if (dv_basic_typespec::relo_ptr_and_vtbl(element, 0, p.offsets, p.ts, 1) != 0)
          refuse_wild_pointer(element, p.offsets, p.ts);
      });
    } else if (p.pointer) {
      for_each_element(block, p.ts, [&](char* element) {
        void* value;
        std::memcpy(&value, element, sizeof value);
        if (dv_basic_typespec::validate_ptr(p.ts, element, 0, value, 0, 1) == 0)
          refuse_wild_pointer(element, nullptr, p.ts);
      });
    }
  });
}

// The self-check found a value validate_ptr refuses in the object at
// element (of ts, whose pointers are at offsets, or a lone pointer when
// offsets is null): names the first such pointer (or, when none of them is
// one, the object's virtual-table address from its type) and its page.
void _DB_allocator::refuse_wild_pointer(const char* element, const dv4s* offsets,
                                        const dv_typespec* ts) const {
  const char* image_end = start() + size();
  const dv4s lone[] = {0, -1};
  int at = -1;
  std::uintptr_t value = 0;
  for (const dv4s* offset = offsets != nullptr ? offsets : lone; *offset != -1 && at < 0; ++offset) {
    const char* p;
    std::memcpy(&p, element + *offset, sizeof p);
    if (p >= image_end && _DB_space_holding(p) == &space_) {
      at = *offset;
      value = reinterpret_cast<std::uintptr_t>(p);
    }
  }
  // The page that holds the field (a region's object spans several).
  const dv4u page = page_number(element + (at < 0 ? 0 : at));
  const char* type = ts != nullptr && ts->get_name() != nullptr ? ts->get_name() : "<unknown>";
  if (at < 0)
    throw dv_err_illegal_pointer(
        "The self-check of database %s found an illegal virtual-table address in the %s at %#x on page %u.",
        space_.space_name(), type, word_of(element), page);
  throw dv_err_illegal_pointer(
      "The self-check of database %s found a wild pointer %#x at %#x (offset %d of a %s) on page %u: it leads past "
      "the end of the database image (%#x).",
      space_.space_name(), static_cast<unsigned>(value), word_of(element + at), at, type, page, word_of(image_end));
}

}  // namespace dv_qem
