// Snapshot arrays of update-insensitive and sorted cursors: taken at bind
// time, sorted on request, walked by index. A snapshot is one block next to
// the cursor: a count word, then one entry per element (a plain pointer, or a
// soft pointer when the collection is persistent).
#include "coll_startup.h"
#include "dv_coll_err.h"
#include "dv_coll_key_functions.h"
#include "dv_cursor.h"
#include "dv_cursor_sort.h"
#include "dv_function_cache.h"
#include "dv_new.h"
#include "dv_reference.h"
#include "dv_soft_pointer.h"
#include "dv_sort.h"
#include "durnavel.h"

namespace dv_qem {

namespace {

using entry = dv4u;  // a plain pointer or a soft pointer: one address word

// count entries behind their count word, next to the object at hint.
entry* new_snapshot(const void* hint, unsigned count) {
  unsigned words = count + 1;
  auto* block = static_cast<entry*>(::operator new(words * sizeof(entry), dv_cluster::with(hint),
                                                   dv_typespec::get_unsigned_int(), words));
  block[0] = count;
  return block + 1;
}

void free_snapshot(entry* entries) {
  if (entries != nullptr) ::operator delete(entries - 1);
}

void* address_of(entry e) { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(e)); }

// Orders snapshot entries by a rank function of their elements, or by
// address without one.
class snapshot_order : public QS_compare {
 public:
  explicit snapshot_order(_Rank_fcn rank) : rank_(rank) {}
  int compare(const void* a, const void* b) override {
    if (rank_ == nullptr) return _compare_soft_ptr_addresses(a, b);
    return rank_(address_of(*static_cast<const entry*>(a)), address_of(*static_cast<const entry*>(b)));
  }

 private:
  _Rank_fcn rank_;
};

using soft_entry = dv_soft_pointer_base<32>;
static_assert(sizeof(soft_entry) == sizeof(entry));

}  // namespace

void _swap_ptr_entries(unsigned i, unsigned j, void* array, unsigned, void*) {
  void** entries = static_cast<void**>(array);
  void* t = entries[i];
  entries[i] = entries[j];
  entries[j] = t;
}

void _swap_soft_ptr_entries(unsigned i, unsigned j, void* array, unsigned, void*) {
  soft_entry* entries = static_cast<soft_entry*>(array);
  void* t = entries[i].resolve();
  entries[i] = entries[j].resolve();
  entries[j] = t;
}

int _compare_soft_ptr_addresses(const void* a, const void* b) {
  const void* left = static_cast<const soft_entry*>(a)->resolve();
  const void* right = static_cast<const soft_entry*>(b)->resolve();
  return left < right ? -1 : (left > right ? 1 : 0);
}

void dv_cursor::array_bind() {
  set(array_cursor_bit, 1);
  // A walk or sort that throws leaves no snapshot behind: a cursor whose
  // constructor fails is never destroyed.
  try {
    array_create(*contents());
    if (sorted_cursor()) array_sort();
  } catch (...) {
    array_unbind();
    throw;
  }
  set_more(count_ != 0);
}

void dv_cursor::array_create(const dv_collection& c) {
  index_ = 0;
  count_ = 0;
  unsigned capacity = c.cardinality();
  if (capacity == 0) return;
  const bool persistent = durnavel::is_persistent(&c) != 0;
  set(exceeds_addr_space_bit, persistent);
  entry* entries = new_snapshot(this, capacity);
  set_array(entries);
  // Every element the walk yields is stored, nulls included; the count is
  // what was stored.
  dv_cursor walk(c, 0);
  dv_address_space_marker marker;
  unsigned stored = 0;
  for (bool more = walk.more(); more && stored < capacity;) {
    void* e = persistent ? walk.retrieve(marker) : walk.retrieve();
    entries[stored++] = static_cast<entry>(reinterpret_cast<std::uintptr_t>(e));
    if (persistent)
      walk.next(marker);
    else
      walk.next();
    more = walk.more();
  }
  entries[-1] = stored;
  count_ = stored;
}

void dv_cursor::array_sort() {
  _Rank_fcn rank = nullptr;
  if (sort_by_user_rfn()) {
    rank = reinterpret_cast<_Rank_fcn>(state_b());
  } else if (sort_by_type()) {
    _Hash_fcn hash = nullptr;
    _Coll_function_cache().find_functions(type_of_sort(), rank, hash, 1);
  }
  if (count_ < 2) return;
  snapshot_order order(rank);
  _Quick_sort(get_array(), count_, sizeof(entry), order,
              exceeds_addr_space() ? _swap_soft_ptr_entries : _swap_ptr_entries);
}

void dv_cursor::array_copy(const dv_cursor& other) {
  set_array(nullptr);
  if (other.get_array() == nullptr) return;
  const entry* from = static_cast<const entry*>(other.get_array());
  entry* entries = new_snapshot(this, from[-1]);
  for (unsigned i = 0; i < from[-1]; ++i) entries[i] = from[i];
  set_array(entries);
  set(array_cursor_bit, 1);
}

void dv_cursor::array_unbind() {
  free_snapshot(static_cast<entry*>(get_array()));
  set_array(nullptr);
  count_ = index_ = 0;
}

void dv_cursor::array_reset() {
  array_unbind();
  dv4u kept = flags_ & (update_insensitive_cursor_bit | sorted_cursor_bits | initialized_bit);
  void* sort_key = state_b();
  clear();
  flags_ = kept;
  set_state_b(sort_key);
}

void* dv_cursor::array_get_value(unsigned i) const { return address_of(static_cast<const entry*>(get_array())[i]); }

int dv_cursor::array_first(void*& out) {
  index_ = 0;
  if (count_ == 0) return 0;
  out = array_get_value(index_);
  return 1;
}

int dv_cursor::array_next(void*& out) {
  if (index_ >= count_) return 0;
  if (++index_ == count_) return 0;
  out = array_get_value(index_);
  return 1;
}

int dv_cursor::array_last(void*& out) {
  if (count_ == 0) return 0;
  index_ = count_ - 1;
  out = array_get_value(index_);
  return 1;
}

int dv_cursor::array_previous(void*& out) {
  if (index_ == 0) return 0;
  --index_;
  out = array_get_value(index_);
  return 1;
}

void* dv_cursor::array_retrieve() const { return index_ >= count_ ? nullptr : array_get_value(index_); }

}  // namespace dv_qem
