// Reorganisation of the extendible hash after each key insert or removal:
// a table that is too full grows (one-entry directory, or in place) or
// splits (doubling the directory when needed); a table that is too empty
// joins its buddy; tombstones are cleared by rebuilding. Each step works on
// one table (or one buddy pair) and never on the whole hash.
#include "dv_coll_err.h"
#include "dv_err.h"
#include "dv_hash_size.h"
#include "dv_new.h"
#include "dv_rhash.h"

namespace dv_qem {

void _Rhash::HashTable_check_for_reorg(unsigned t, int inserting) {
  const _RH_HashTable* table = this->table(t);
  const unsigned nk = table->key_count, n = table->n_slots, r = table->removed, N = std_size_;
  if (r == _RH_HashTable::removed_limit) {
    // The count can go no higher: clear the tombstones before it would
    // stand below them.
    rebuild(t, n > N ? n : N);
    return;
  }
  if (n > N) {
    if (nk > max_keys(n))
      HashTable_grow(t);
    else if (nk < max_keys(N))
      rebuild(t, N);
    else if (r + nk > max_keys(n))
      rebuild(t, n);  // the standard size cannot hold these keys: clear the tombstones in place
    return;
  }
  if (inserting) {
    if (nk > max_keys(n)) {
      if (dir_size_ == 1)
        HashTable_grow(t);
      else
        split(t);
    } else if (r + nk > max_keys(n)) {
      HashTable_reorg(t);
    }
    return;
  }
  if (nk < min_keys(n) && dir_size_ > 2 && join(t)) return;
  if (r > too_many_deleted(n) || r + nk > max_keys(n)) HashTable_reorg(t);
}

void _Rhash::HashTable_grow(unsigned t) {
  DV_ASSERT(table(t) != nullptr);
  if (dir_size_ != 1) {
    grow_in_place(t);
    return;
  }
  if (std_size_ == calculate_n_slots()) {
    split(t);
    return;
  }
  std_size_ = static_cast<dv2u>(std_size_ * 3);
  set_n_slots(0);
  rebuild(0, std_size_);
}

void _Rhash::grow_in_place(unsigned t) {
  const unsigned l = find_left_boundry(t);
  _RH_HashTable* table = this->table(l);
  _RH_HashTable old = *table;
  const unsigned n = _Recommended_hash_size(std_size_ + old.n_slots);
  table->slots = allocate_slots(n, nullptr, old.slots);
  if (table->slots == nullptr) err_coll_internal.signal("no slot array of %u slots could be allocated", n);
  table->n_slots = n;
  table->key_count = 0;
  table->removed = 0;
  table->bitmap = nullptr;
  if (unsigned words = bitmap_size(n); words > 0) {
    table->bitmap = static_cast<dv4u*>(
        ::operator new(words * sizeof(dv4u), dv_cluster::with(table), dv_typespec::get_unsigned_int(), words));
    for (unsigned w = 0; w < words; ++w) table->bitmap[w] = 0;
  }
  rehash_slots(l, _Rhash_cursor::null_index, &old);
  // The slots moved: reset the old array so that freeing it releases nothing
  // they still use.
  clear_slots(old.slots, old.n_slots * slot_size_);
  delete_slots(old.slots);
  ::operator delete(old.bitmap);
}

void _Rhash::split(unsigned t) {
  _RH_HashTable* table = this->table(t);
  if (table->local_depth == depth_) {
    // Double the directory: new entries 2i and 2i+1 take old entry i.
    _RH_HashTable** old_dir = directory();
    const unsigned old_size = dir_size_;
    auto** dir = static_cast<_RH_HashTable**>(allocate_directory(old_size * 2));
    for (unsigned i = 0; i < old_size; ++i) dir[2 * i] = dir[2 * i + 1] = old_dir[i];
    directory_ = dir;
    dir_size_ = old_size * 2;
    ++depth_;
    if (count_table_ != no_count_table) count_table_ *= 2;
    t *= 2;
    ::operator delete(old_dir);
  }
  const unsigned l = find_left_boundry(t), r = find_right_boundry(t);
  HashTable_split(l, l + (r - l + 1) / 2);
}

void _Rhash::HashTable_split(unsigned l, unsigned m) {
  _RH_HashTable* old = table(l);
  DV_ASSERT(old == table(m));
  const unsigned r = find_right_boundry(l);
  const dv2u depth = static_cast<dv2u>(old->local_depth + 1);
  _RH_HashTable* left = create_HashTable(l, std_size_, 2, nullptr);
  left->local_depth = depth;
  assign_run(l, m - 1, left);
  _RH_HashTable* right = create_HashTable(m, std_size_, 2, nullptr);
  right->local_depth = depth;
  assign_run(m, r, right);
  rehash_slots(l, m, old);
  clear_slots(old->slots, old->n_slots * slot_size_);
  destroy_HashTable(old);
  // Keys whose hashes agree in the next bit all land in one half.
  if (left->key_count > max_keys(left->n_slots)) HashTable_grow(l);
  if (right->key_count > max_keys(right->n_slots)) HashTable_grow(m);
}

int _Rhash::join(unsigned t) {
  if (depth_ <= 1) return 0;
  _RH_HashTable* table = this->table(t);
  if (table == nullptr) return 0;
  if (table->local_depth == 0) {
    // One table serves the whole directory: shrink it to one entry.
    _RH_HashTable** old_dir = directory();
    auto** dir = static_cast<_RH_HashTable**>(allocate_directory(1));
    dir[0] = table;
    directory_ = dir;
    dir_size_ = 1;
    depth_ = 0;
    count_table_ = 0;
    ::operator delete(old_dir);
    return 1;
  }
  // Only buddies merge: the two aligned halves of the run one level up, each
  // served by one table of the same local depth.
  const unsigned l = find_left_boundry(t);
  const unsigned buddy = l ^ run_length(table->local_depth);
  const _RH_HashTable* other = this->table(buddy);
  if (other == nullptr || other == table || other->local_depth != table->local_depth) return 0;
  return HashTable_join(l < buddy ? l : buddy, l < buddy ? buddy : l);
}

int _Rhash::HashTable_join(unsigned a, unsigned b) {
  _RH_HashTable* first = table(a);
  _RH_HashTable* second = table(b);
  DV_ASSERT(first != nullptr && second != nullptr);
  if (first->key_count + second->key_count > max_keys(std_size_)) return 0;
  const unsigned end = find_right_boundry(b);
  _RH_HashTable* merged = create_HashTable(a, std_size_, 2, nullptr);
  merged->local_depth = static_cast<dv2u>(first->local_depth > 0 ? first->local_depth - 1 : 0);
  assign_run(a, end, merged);
  rehash_slots(a, _Rhash_cursor::null_index, first);
  rehash_slots(a, _Rhash_cursor::null_index, second);
  clear_slots(first->slots, first->n_slots * slot_size_);
  clear_slots(second->slots, second->n_slots * slot_size_);
  destroy_HashTable(first);
  destroy_HashTable(second);
  return 1;
}

void _Rhash::HashTable_reorg(unsigned t) { rebuild(t, std_size_); }

void _Rhash::rebuild(unsigned t, unsigned n) {
  const unsigned l = find_left_boundry(t), r = find_right_boundry(t);
  _RH_HashTable* old = table(l);
  // Never rebuild at a size that cannot hold the table's keys.
  while (old->key_count > max_keys(n)) n = _Recommended_hash_size(n + 1);
  _RH_HashTable* table = create_HashTable(l, n, 2, nullptr);
  table->local_depth = old->local_depth;
  assign_run(l, r, table);
  rehash_slots(l, _Rhash_cursor::null_index, old);
  clear_slots(old->slots, old->n_slots * slot_size_);
  destroy_HashTable(old);
}

}  // namespace dv_qem
