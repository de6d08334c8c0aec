// The chained list with four head slots and blocks of eight: its typespec
// and its blocks', its stored layout, and the storage operations that fix N,
// M, block allocation, block deletion and the local searches.
#include <cstddef>
#include <new>

#include "dv_coll_rep_registry.h"
#include "dv_typespec.h"
#include "list_storage.h"

DV_DEFINE_TYPESPEC(dv_qem::dv_chained_list_4_8, "dv_qem::dv_chained_list_4_8", DV_POINTERS(16, 20, 24, 28, 32),
                   DV_VTABLES(0));
DV_DEFINE_TYPESPEC(dv_qem::dv_chained_list_block_pt<8>, "dv_qem::dv_chained_list_block_pt<8>",
                   DV_POINTERS(4, 8, 12, 16, 20, 24, 28, 32, 36), DV_NO_VTABLES);

namespace dv_qem {

// The stored offsets of the head and of a block (offsetof on classes with a
// virtual-table pointer or a base: GCC lays them out as plain structures, the
// virtual-table pointer first and a base's fields before the derived class's).
struct _Chained_list_layout {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
  static_assert(sizeof(dv_chained_list) == 20);
  static_assert(sizeof(dv_chained_list_4_8) == 36);
  static_assert(offsetof(dv_chained_list_4_8, flags_) == 4);
  static_assert(offsetof(dv_chained_list_4_8, local_card_) == 8);
  static_assert(offsetof(dv_chained_list_4_8, reserved_) == 10);
  static_assert(offsetof(dv_chained_list_4_8, cardinality_) == 12);
  static_assert(offsetof(dv_chained_list_4_8, indexes_) == 16);
  static_assert(offsetof(dv_chained_list_4_8, slots_) == sizeof(dv_chained_list));
#pragma GCC diagnostic pop
};

namespace {
using block = dv_chained_list_4_8::block;
constexpr unsigned no_slot = 0xFFFFFFFFu;

unsigned first_of(const dv_coll_ptr* slots, unsigned n, const void* e) {
  for (unsigned i = 0; i < n; ++i)
    if (slots[i] == e) return i;
  return no_slot;
}

unsigned occurrences(const dv_coll_ptr* slots, unsigned n, const void* e) {
  unsigned found = 0;
  for (unsigned i = 0; i < n; ++i) found += slots[i] == e;
  return found;
}
}  // namespace

template <>
dv_typespec* dv_chained_list_block_pt<8>::get_dv_typespec() {
  return &dv_ts<dv_chained_list_block_pt<8>>::the_instance;
}

dv_typespec* dv_chained_list_4_8::get_dv_typespec() { return &dv_ts<dv_chained_list_4_8>::the_instance; }

dv_chained_list_4_8::~dv_chained_list_4_8() { destroy(); }

dv_chained_list_block* dv_chained_list_4_8::allocate_new_block(dv_chained_list_block*, dv_chained_list_block* after,
                                                               _Chained_list_cursor* c) {
  void* storage = _Coll_placement::near(after).allocate(sizeof(block), block::get_dv_typespec());
  auto* nb = ::new (storage) block(after, 0);
  after->set_next_block(*this, nb, c);
  return nb;
}

dv_chained_list_block* dv_chained_list_4_8::allocate_new_block(_Chained_list_cursor* c) {
  void* storage = _Coll_placement::near(this).allocate(sizeof(block), block::get_dv_typespec());
  auto* nb = ::new (storage) block(this, 1);
  set_next_block(nb, c);
  return nb;
}

unsigned dv_chained_list_4_8::contains_local(const dv_chained_list_block* b, const void* e) const {
  return first_of(&b->ptr(0), b->local_card(), e);
}

unsigned dv_chained_list_4_8::contains_local(const void* e) const { return first_of(slots_, local_card(), e); }

unsigned dv_chained_list_4_8::count_local(const dv_chained_list_block* b, const void* e) const {
  return occurrences(&b->ptr(0), b->local_card(), e);
}

unsigned dv_chained_list_4_8::count_local(const void* e) const { return occurrences(slots_, local_card(), e); }

void dv_chained_list_4_8::delete_block(dv_chained_list_block* b) {
  b->_splice_self_out_of_list(*this);
  auto* concrete = static_cast<block*>(b);
  concrete->~block();
  ::operator delete(concrete);
}

}  // namespace dv_qem
