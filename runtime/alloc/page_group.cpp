// Page groups: descriptor set-up, size classes and their resizing, free
// regions, the page list.
#include "page_group.h"

#include <algorithm>
#include <cstring>

#include "db_allocator.h"
#include "dv_assertions.h"
#include "dv_err.h"
#include "persistent_bitvector.h"
#include "self_relative.h"

namespace dv_qem {

namespace {

// Clears the resizing flag however the resize ends.
class resizing_guard {
 public:
  explicit resizing_guard(_Page_group_desc& desc) : desc_(desc) { desc_.flags |= RESIZING_SIZE_CLASSES; }
  ~resizing_guard() { desc_.flags &= ~RESIZING_SIZE_CLASSES; }
  resizing_guard(const resizing_guard&) = delete;
  resizing_guard& operator=(const resizing_guard&) = delete;

 private:
  _Page_group_desc& desc_;
};

}  // namespace

_Page_group::_Page_group(_DB_allocator& allocator, dv4u number) : allocator_(allocator), number_(number) {}

_Page_group_desc& _Page_group::desc() const { return allocator_.header()->groups[number_]; }

_Page_header* _Page_group::first_page() const {
  return _Page_header::at(resolve_self_relative(&desc().first_page));
}

void _Page_group::set_up_descriptor() {
  _Page_group_desc& d = desc();
  std::memset(&d, 0, sizeof d);
  d.group = number_;
  if (number_ == system_page_group) {
    _Page_header* page_zero = allocator_.heap_of_page(allocator_.start());
    page_zero->set_up(system_page_group, allocator_.start(), DV_PAGE_SIZE - DB_HEADER_SIZE);
    store_self_relative(&d.first_page, page_zero);
    d.n_pages = 1;
  }
  // The system group's own vectors come from page 0 while its limits are 0.
  for (unsigned c = 0; c < N_SIZE_CLASSES; ++c)
    store_self_relative(&d.size_class_bv[c],
                        _Pers_bit_vector_create(allocator_, INITIAL_VECTOR_BITS, nullptr));
  for (unsigned c = 0; c < N_SIZE_CLASSES; ++c)
    d.size_class_limit[c] = static_cast<dv2u>(SIZE_CLASS_LIMITS[c]);
  if (number_ == system_page_group)
    class_vector(class_of(first_page()->largest_free()))->set(0);
}

unsigned _Page_group::class_of(dv4u largest_free) const {
  const dv2u* limits = desc().size_class_limit;
  for (unsigned c = 0; c < N_SIZE_CLASSES; ++c)
    if (limits[c] >= largest_free) return c;
  return N_SIZE_CLASSES - 1;
}

_Bit_vector* _Page_group::class_vector(unsigned c) const {
  return reinterpret_cast<_Bit_vector*>(resolve_self_relative(&desc().size_class_bv[c]));
}

bool _Page_group::is_pending(dv4u page_number) const {
  return std::find(pending_.begin(), pending_.end(), page_number) != pending_.end();
}

void _Page_group::move_class(dv4u page_number, dv4u before, dv4u after) {
  if (before == after || !classes_ready()) return;
  unsigned old_class = class_of(before);
  unsigned new_class = class_of(after);
  if (old_class == new_class || is_pending(page_number)) return;
  _Bit_vector* from = class_vector(old_class);
  _Bit_vector* to = class_vector(new_class);
  if (!from->test(page_number))
    DV_ASSERTION_FAILED(fpbv_old_bvnum_resolve_is_set_pgnum);
  if (to->test(page_number))
    DV_ASSERTION_FAILED(not_fpbv_new_bvnum_resolve_is_set_pgnum);
  from->clear(page_number);
  to->set(page_number);
}

dv4u _Page_group::pending_end() const {
  dv4u end = 0;
  for (dv4u page_number : pending_) end = std::max(end, page_number + 1);
  return end;
}

bool _Page_group::needs_resize(dv4u end_page) const {
  for (unsigned c = 0; c < N_SIZE_CLASSES; ++c)
    if (class_vector(c)->n_bits / 4 * 3 <= end_page) return true;
  return false;
}

void _Page_group::pages_added(dv4u end_page) {
  if (resizing()) return;  // the resize that is running marks them when it ends
  dv4u end = std::max(end_page, pending_end());
  while (needs_resize(end)) {
    resize_class_vectors(end);
    end = std::max(end, pending_end());
  }
  mark_pending();
}

void _Page_group::resize_class_vectors(dv4u end_page) {
  dv4u n_bits = end_page * 3 / 2 / _Bit_vector::bits_per_word * _Bit_vector::bits_per_word +
                _Bit_vector::bits_per_word;
  resizing_guard guard(desc());
  for (unsigned c = 0; c < N_SIZE_CLASSES; ++c)
    if (class_vector(c)->n_bits / 4 * 3 <= end_page)
      _Pers_bit_vector_resize(allocator_, &desc().size_class_bv[c], n_bits);
}

void _Page_group::mark_pending() {
  while (!pending_.empty()) {
    dv4u page_number = pending_.back();
    _Page_header* page = allocator_.heap_of_page(allocator_.page_address(page_number));
    class_vector(class_of(page->largest_free()))->set(page_number);
    pending_.pop_back();
  }
}

_Bit_vector* _Page_group::free_regions() const {
  return reinterpret_cast<_Bit_vector*>(resolve_self_relative(&desc().free_page_bv));
}

void _Page_group::fit_free_regions(dv4u page_number) {
  if (free_regions() == nullptr)
    store_self_relative(&desc().free_page_bv,
                        _Pers_bit_vector_create(allocator_, INITIAL_VECTOR_BITS, nullptr));
  dv4u capacity = free_regions()->n_bits;
  if (page_number < capacity) return;
  dv4u n_bits = page_number >= 2 * capacity ? 2 * page_number : 2 * capacity;
  _Pers_bit_vector_resize(allocator_, &desc().free_page_bv, n_bits);
}

void _Page_group::link_page(_Page_header* page) {
  page->set_next_page(first_page());
  store_self_relative(&desc().first_page, page);
  desc().n_pages += 1;
}

void _Page_group::forget_transient_state() {
  current = nullptr;
  pending_.clear();
}

}  // namespace dv_qem
