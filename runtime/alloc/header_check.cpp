// The stored database header, checked when a database is opened and before
// anything trusts it: every link in it leads to an allocated object of the
// kind the field names, in a system page of this image, and every count and
// size fits what it describes. Only the header's own objects are read; a
// field that fails refuses the open as heap corruption (the database object
// reports it as "not a valid database").
#include <cstdint>
#include <cstring>

#include "alloc_internal.h"
#include "db_header.h"
#include "db_roots.h"
#include "large_object_map.h"
#include "page_group.h"
#include "self_relative.h"

namespace dv_qem {

namespace {

[[noreturn]] void bad_header() { _Alloc_corruption(_Alloc_check::header_invalid); }

// The built-in tag of a runtime type name.
dv2u builtin_tag(const char* name) {
  for (dv2u tag = 1; tag < max_builtin_tag; ++tag)
    if (std::strcmp(dv_typespec::builtin_tag_name(tag), name) == 0) return tag;
  DV_ASSERT(false);
  return 0;
}

class header_checker {
 public:
  explicit header_checker(_DB_allocator& a) : a_(a), h_(*a.header()) {}

  void check() {
    if (!_DB_starts_sound(h_)) bad_header();
    check_type_slots();
    check_large_object_map();
    check_roots();
    for (dv4u g = 0; g < 2; ++g) check_group(g);
    check_schema_paths();
  }

 private:
  // The allocated block of tag whose object (behind a 4-byte vector header
  // when it has one) lies at object: wholly inside a system heap of the image.
  const _Obj_header& object_of(const void* object, const char* type, bool vector_header) {
    const dv2u tag = builtin_tag(type);
    const char* block = static_cast<const char*>(object) - OBJECT_HEADER_SIZE - (vector_header ? 4 : 0);
    if (object == nullptr || !a_.holds(block) || reinterpret_cast<std::uintptr_t>(block) % BLOCK_ALIGNMENT != 0)
      bad_header();
    char* page = a_.page_address(a_.page_number(block));
    char* heap_start = page + (page == a_.start() ? DB_HEADER_SIZE : 0);
    if (block < heap_start + PAGE_HEADER_SIZE) bad_header();
    const _Page_header* heap = _Page_header::at(heap_start);
    if (heap->page_group() != system_page_group) bad_header();
    const _Obj_header& b = *_Obj_header::at(block);
    if (b.is_free() || b.tag() != tag || b.has_vector_header() != vector_header) bad_header();
    const dv4u size = _Obj_header::block_size_for(dv_typespec::builtin_tag_size(tag), b.count(), vector_header,
                                                   b.has_extra_bytes());
    const std::uint64_t end = reinterpret_cast<std::uintptr_t>(block) + OBJECT_HEADER_SIZE + size;
    if (b.is_large_form()) {
      if (block != heap_start + PAGE_HEADER_SIZE || heap->allocated_head_block() != &b) bad_header();
    } else if (end > reinterpret_cast<std::uintptr_t>(page) + DV_PAGE_SIZE) {
      bad_header();
    }
    if (end > reinterpret_cast<std::uintptr_t>(a_.start()) + a_.size()) bad_header();
    return b;
  }

  // A persistent NUL-terminated string (a char array ending in its NUL).
  void check_string(const void* text) {
    const _Obj_header& b = object_of(text, "char", false);
    const dv4u length = b.count() != 0 ? b.count() : 1;
    if (std::memchr(text, 0, length) == nullptr) bad_header();
  }

  void check_slot(const _Pers_type_info& slot, dv4u tag) {
    if (slot.tag != tag || slot.pad != 0) bad_header();
    check_string(resolve_self_relative(&slot.name));
  }

  void check_type_slots() {
    const dv4u highest = h_.highest_tag;
    if (highest < highest_builtin_tag || highest > 0xFFFF) bad_header();
    for (dv4u tag = max_builtin_tag; tag <= highest && tag <= last_header_tag; ++tag)
      check_slot(h_.type_slots[tag - max_builtin_tag], tag);
    if (highest <= last_header_tag) return;
    const dv4s* link = &h_.type_info_oflo;
    for (dv4u first = last_header_tag + 1; first <= highest; first += DB_OFLO_TYPE_SLOTS) {
      auto* block = reinterpret_cast<const _Pers_type_info_oflo*>(resolve_self_relative(link));
      object_of(block, "_Pers_type_info_oflo", false);
      for (dv4u i = 0; i < DB_OFLO_TYPE_SLOTS && first + i <= highest; ++i) check_slot(block->slots[i], first + i);
      link = &block->next;
    }
  }

  void check_large_object_map() {
    object_of(resolve_self_relative(&h_.large_object_map), "_DB_large_object_map", false);
    a_.large_objects().hash().self_check();
  }

  void check_roots() {
    auto* roots = reinterpret_cast<const _DB_root_dictionary*>(resolve_self_relative(&h_.roots));
    if (roots == nullptr) return check_no_roots();
    object_of(roots, "_Chash<dv_char_star_nocopy,_DB_root*>", false);
    roots->self_check();
    for (dv4s at = roots->first(); at >= 0; at = roots->next(at)) {
      const _DB_root* root = roots->value_at(at);
      object_of(root, "_DB_root", false);
      const char* name = root->get_name();
      check_string(name);
      if (std::strcmp(name, roots->key_at(at)) != 0) bad_header();
    }
  }

  // A database without a roots dictionary holds no root and no dictionary
  // of roots in its system pages (else the link to it was lost).
  void check_no_roots() {
    const dv2u root_tag = builtin_tag("_DB_root");
    const dv2u dictionary_tag = builtin_tag("_Chash<dv_char_star_nocopy,_DB_root*>");
    const _Page_group_desc& d = h_.groups[system_page_group];
    _Page_header* heap = _Page_header::at(resolve_self_relative(&d.first_page));
    for (dv4u n = 0; heap != nullptr; ++n, heap = heap->next_page()) {
      char* at = reinterpret_cast<char*>(heap);
      const bool page_zero_heap = at == a_.start() + DB_HEADER_SIZE;
      if (n >= d.n_pages || !a_.holds(at) ||
          (!page_zero_heap && reinterpret_cast<std::uintptr_t>(at) % DV_PAGE_SIZE != 0) ||
          heap->page_group() != system_page_group)
        bad_header();
      heap->for_each_allocated(a_.types(), [&](_Obj_header* block) {
        if (block->tag() == root_tag || block->tag() == dictionary_tag) bad_header();
      });
    }
  }

  void check_bit_vector(const void* vector) {
    const _Obj_header& b = object_of(vector, "unsigned int", false);
    const auto& v = *static_cast<const _Bit_vector*>(vector);
    if (b.count() < 3 || v.n_bits != (b.count() - 2) * _Bit_vector::bits_per_word || v.count > v.n_bits)
      bad_header();
  }

  void check_group(dv4u g) {
    const _Page_group_desc& d = h_.groups[g];
    if (d.group != g || d.reserved != 0 || d.flags != 0 || d.n_pages > a_.page_count()) bad_header();
    char* first = resolve_self_relative(&d.first_page);
    if ((first == nullptr) != (d.n_pages == 0) || (g == system_page_group && first == nullptr)) bad_header();
    if (first != nullptr) {
      const bool page_zero_heap = first == a_.start() + DB_HEADER_SIZE && g == system_page_group;
      if (!page_zero_heap && (!a_.holds(first) || first == a_.start() ||
                              reinterpret_cast<std::uintptr_t>(first) % DV_PAGE_SIZE != 0))
        bad_header();
    }
    for (unsigned c = 0; c < N_SIZE_CLASSES; ++c) {
      if (d.size_class_limit[c] != SIZE_CLASS_LIMITS[c]) bad_header();
      check_bit_vector(resolve_self_relative(&d.size_class_bv[c]));
    }
    if (const char* free_regions = resolve_self_relative(&d.free_page_bv)) check_bit_vector(free_regions);
  }

  void check_schema_paths() {
    const auto* entries = reinterpret_cast<const dv4s*>(resolve_self_relative(&h_.schema_paths));
    if (h_.n_schema_paths > h_.schema_path_capacity) bad_header();
    if (entries == nullptr) {
      if (h_.schema_path_capacity != 0) bad_header();
      return;
    }
    const _Obj_header& b = object_of(entries, "int", false);
    if (b.count() < h_.schema_path_capacity) bad_header();
    for (dv4u i = 0; i < h_.n_schema_paths; ++i) check_string(resolve_self_relative(&entries[i]));
  }

  _DB_allocator& a_;
  const _DB_header& h_;
};

}  // namespace

void _DB_allocator::check_stored_header() { header_checker(*this).check(); }

}  // namespace dv_qem
