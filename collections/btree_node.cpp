// The node layer of the B-tree: the records' typespecs, variable-length
// character keys, making nodes, comparing and searching keys within a node,
// putting keys and elements into a node and taking them out, the two splits
// and freeing a node with everything it owns.
#include <algorithm>
#include <cstring>
#include <new>

#include "btree_internal.h"
#include "durnavel.h"
#include "dv_array.h"
#include "dv_function_cache.h"
#include "dv_new.h"
#include "dv_persistent_copy.h"
#include "dv_typespec.h"

DV_DEFINE_TYPESPEC(dv_qem::_Coll_btree_node, "_Coll_btree_node", DV_POINTERS(0, 4, 8, 12, 16), DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(dv_qem::_Coll_btree_node_index_entry, "_Coll_btree_node_index_entry", DV_POINTERS(4),
                   DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(dv_qem::_Coll_btree_overflow, "_Coll_btree_overflow", DV_POINTERS(0), DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(dv_qem::_Coll_var_char_key, "_Coll_var_char_key", DV_POINTERS(0), DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(dv_qem::_Coll_var_char_overflow, "_Coll_var_char_overflow", DV_POINTERS(4), DV_NO_VTABLES);

namespace dv_qem {

dv_typespec* _Coll_btree_node::get_dv_typespec() { return &dv_ts<_Coll_btree_node>::the_instance; }
dv_typespec* _Coll_btree_node_index_entry::get_dv_typespec() {
  return &dv_ts<_Coll_btree_node_index_entry>::the_instance;
}
dv_typespec* _Coll_btree_overflow::get_dv_typespec() { return &dv_ts<_Coll_btree_overflow>::the_instance; }
dv_typespec* _Coll_var_char_key::get_dv_typespec() { return &dv_ts<_Coll_var_char_key>::the_instance; }
dv_typespec* _Coll_var_char_overflow::get_dv_typespec() { return &dv_ts<_Coll_var_char_overflow>::the_instance; }

// ---- variable-length character keys ---------------------------------------------------------

void _Coll_var_char_make(_Coll_var_char_key& rec, const char* s, const void* hint) {
  std::memset(static_cast<void*>(&rec), 0, sizeof rec);
  if (s == nullptr) {
    rec.inline_text[_Coll_var_char_key::null_marker_at] = _Coll_var_char_key::null_marker;
    return;
  }
  const unsigned n = static_cast<unsigned>(std::strlen(s)) + 1;
  if (n <= _Coll_var_char_key::inline_bytes) {
    std::memcpy(rec.inline_text, s, n);
    return;
  }
  std::memcpy(rec.inline_text, s, _Coll_var_char_key::inline_bytes - 1);
  auto* text = static_cast<char*>(::operator new(n, hint, dv_typespec::get_char(), n));
  std::memcpy(text, s, n);
  auto* overflow = static_cast<_Coll_var_char_overflow*>(
      ::operator new(sizeof(_Coll_var_char_overflow), hint, _Coll_var_char_overflow::get_dv_typespec()));
  overflow->references = 1;
  overflow->text = text;
  rec.overflow = overflow;
}

const char* _Coll_var_char_text(const _Coll_var_char_key& rec) {
  if (const _Coll_var_char_overflow* overflow = rec.overflow.resolve()) return overflow->text.resolve();
  if (rec.inline_text[0] == '\0' &&
      rec.inline_text[_Coll_var_char_key::null_marker_at] == _Coll_var_char_key::null_marker)
    return nullptr;
  return rec.inline_text;
}

void _Coll_var_char_add_ref(_Coll_var_char_key& rec) {
  if (_Coll_var_char_overflow* overflow = rec.overflow.resolve()) ++overflow->references;
}

void _Coll_var_char_release(_Coll_var_char_key& rec) {
  if (_Coll_var_char_overflow* overflow = rec.overflow.resolve()) {
    if (overflow->references == 0) _Coll_btree_fail("Variable-length key copy released more often than held");
    if (--overflow->references == 0) {
      ::operator delete(overflow->text.resolve());
      ::operator delete(overflow);
    }
  }
  std::memset(static_cast<void*>(&rec), 0, sizeof rec);
}

// ---- the search context and the search form of keys ----------------------------------------

namespace {

_Rank_fcn rank_of(const char* type_name) {
  if (_Mapping_fcn_cache == nullptr) dv_collection::initialize();
  _Rank_fcn rank = nullptr;
  _Hash_fcn hash = nullptr;
  _Mapping_fcn_cache->find_functions(type_name, rank, hash, 1);
  return rank;
}

int sign(int r) { return r < 0 ? -1 : (r > 0 ? 1 : 0); }

// At most n characters, unsigned, up to the first 0 of either.
int compare_char_arrays(const char* a, const char* b, unsigned n) {
  for (unsigned i = 0; i < n; ++i) {
    auto ca = static_cast<unsigned char>(a[i]);
    auto cb = static_cast<unsigned char>(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
  return 0;
}

}  // namespace

_Coll_btree_stackvars::_Coll_btree_stackvars(const dv_btree& t, _Coll_btree_path* p)
    : tree(&t), path(p), key_size(t.stored_key_size()) {
  if (t.is_var_char_key()) {
    how = _Coll_btree_compare::var_char;
    rank = rank_of("char*");
  } else if (t.is_char_array()) {
    how = _Coll_btree_compare::char_array;
  } else {
    how = t.is_point_to_key() ? _Coll_btree_compare::point_to_key : _Coll_btree_compare::rank;
    rank = rank_of(t._compare_type());
  }
}

_Coll_btree_prepared_key::_Coll_btree_prepared_key(const dv_btree& tree, const void* key) : key_(key) {
  if (!tree.is_var_char_key()) return;
  const char* s = key != nullptr ? *static_cast<const char* const*>(key) : nullptr;
  std::memset(static_cast<void*>(&record_), 0, sizeof record_);
  long_text_ = _Coll_var_char_overflow{};
  if (s == nullptr) {
    record_.inline_text[_Coll_var_char_key::null_marker_at] = _Coll_var_char_key::null_marker;
  } else if (std::strlen(s) + 1 <= _Coll_var_char_key::inline_bytes) {
    std::strcpy(record_.inline_text, s);
  } else {
    std::memcpy(record_.inline_text, s, _Coll_var_char_key::inline_bytes - 1);
    long_text_.text = const_cast<char*>(s);
    record_.overflow = &long_text_;
  }
  key_ = &record_;
}

const void* dv_btree::search_form(const void* slot) const {
  if (is_point_to_key()) return static_cast<const dv_soft_pointer32<void>*>(slot)->resolve();
  return slot;
}

int dv_btree::compare(const _Coll_btree_stackvars& sv, const void* search_key, const void* slot) const {
  switch (sv.how) {
    case _Coll_btree_compare::rank:
      return sign(sv.rank(search_key, slot));
    case _Coll_btree_compare::point_to_key:
      return sign(sv.rank(search_key, static_cast<const dv_soft_pointer32<void>*>(slot)->resolve()));
    case _Coll_btree_compare::var_char: {
      const char* a = _Coll_var_char_text(*static_cast<const _Coll_var_char_key*>(search_key));
      const char* b = _Coll_var_char_text(*static_cast<const _Coll_var_char_key*>(slot));
      return sign(sv.rank(&a, &b));
    }
    case _Coll_btree_compare::char_array:
      return compare_char_arrays(static_cast<const char*>(search_key), static_cast<const char*>(slot),
                                 sv.key_size);
  }
  return 0;
}

unsigned dv_btree::search_node(const _Coll_btree_stackvars& sv, const _Coll_btree_node* node, const void* key,
                               int& found) const {
  found = 0;
  const int n = static_cast<int>(node->count);
  if (n == 0) return 0;
  int lo = 0;
  int hi = n - 1;
  while (lo < hi) {
    const int mid = (lo + hi) / 2;
    const int r = compare(sv, key, key_at(node, static_cast<unsigned>(mid)));
    if (r < 0) {
      hi = mid - 1;
    } else if (r > 0) {
      lo = mid + 1;
    } else {
      found = 1;
      return static_cast<unsigned>(mid);
    }
  }
  const int at = std::max(lo, hi);
  const int r = compare(sv, key, key_at(node, static_cast<unsigned>(at)));
  if (r == 0) found = 1;
  return static_cast<unsigned>(r <= 0 ? at : at + 1);
}

// ---- nodes --------------------------------------------------------------------------------------

_Coll_btree_node* dv_btree::make_node(unsigned node_flags, unsigned expected) {
  if (max_keys_ == 0) {
    const unsigned capacity = node_bytes / (key_size_ + entry_bytes);
    if (capacity < 2) _Coll_btree_fail("Key size too large.  Key must be <= 2000 bytes");
    max_keys_ = capacity;
    // A tree expected to outgrow one node keeps its nodes in a cluster of
    // their own (here: its database).
    if (capacity < expected && durnavel::is_persistent(this)) flags_ |= has_cluster_bit;
  }
  const unsigned entries = max_keys_ + 1;
  void* index_block = ::operator new(sizeof(dv4u) + entries * sizeof(_Coll_btree_node_index_entry),
                                     dv_cluster::with(this), _Coll_btree_node_index_entry::get_dv_typespec(),
                                     entries);
  auto* index = static_cast<_Coll_btree_node_index*>(index_block);
  index->count = entries;

  // The key array is typed by what its slots hold, so that relocation fixes
  // the pointers among them.
  void* keys = nullptr;
  if (is_var_char_key()) {
    keys = ::operator new(max_keys_ * sizeof(_Coll_var_char_key), dv_cluster::with(this),
                          _Coll_var_char_key::get_dv_typespec(), max_keys_);
  } else if (is_point_to_key() || is_char_nocopy_key() || is_pvoid_key()) {
    const unsigned words = max_keys_ * key_size_ / 4;
    keys = ::operator new(words * 4, dv_cluster::with(this), dv_typespec::get_pointer(), words);
  } else {
    const unsigned bytes = max_keys_ * key_size_;
    keys = ::operator new(bytes, dv_cluster::with(this), dv_typespec::get_char(), bytes);
  }
  auto* node = static_cast<_Coll_btree_node*>(
      ::operator new(sizeof(_Coll_btree_node), dv_cluster::with(this), _Coll_btree_node::get_dv_typespec()));
  node->index = index;
  node->keys = static_cast<char*>(keys);
  node->flags = node_flags | (is_var_char_key() ? dv4u{_Coll_btree_node::var_char_bit} : 0u);
  return node;
}

void dv_btree::free_node(_Coll_btree_node* node) {
  for (unsigned i = 0; i < node->count; ++i) release_slot(key_at(node, i));
  if (node->is_leaf())
    for (unsigned i = 0; i < node->count; ++i) destroy_entry(node->entry(i));
  ::operator delete(node->extra.resolve());
  ::operator delete(node->keys.resolve());
  ::operator delete(node->index.resolve());
  ::operator delete(node);
}

// ---- key slots ------------------------------------------------------------------------------------

void dv_btree::assignKey(void* to, void* from) {
  if (is_point_to_key()) {
    *static_cast<dv_soft_pointer32<void>*>(to) = from;
    return;
  }
  persistent_memcpy(to, from, key_size_);
}

void dv_btree::store_key(void* slot, const void* search_key) {
  if (is_var_char_key()) {
    _Coll_var_char_make(*static_cast<_Coll_var_char_key*>(slot),
                        _Coll_var_char_text(*static_cast<const _Coll_var_char_key*>(search_key)), this);
  } else if (is_char_array()) {
    const auto* text = static_cast<const char*>(search_key);
    const std::size_t n = strnlen(text, key_size_);
    persistent_memcpy(slot, text, n);
    persistent_memset(static_cast<char*>(slot) + n, 0, key_size_ - n);
  } else if ((flags_ & user_assign_bit) != 0 && !is_point_to_key()) {
    _Assign_fcn assign = nullptr;
    find_assign_function(assign, 1);
    assign(slot, search_key);
  } else {
    assignKey(slot, const_cast<void*>(search_key));
  }
}

void dv_btree::copy_slot(void* to, const void* from) {
  persistent_memcpy(to, from, key_size_);
  if (is_var_char_key()) _Coll_var_char_add_ref(*static_cast<_Coll_var_char_key*>(to));
}

void dv_btree::release_slot(void* slot) {
  if (is_var_char_key())
    _Coll_var_char_release(*static_cast<_Coll_var_char_key*>(slot));
  else
    persistent_memset(slot, 0, key_size_);
}

// ---- entries --------------------------------------------------------------------------------------

unsigned dv_btree::entry_count(const _Coll_btree_node_index_entry& e) {
  if ((e.flags & _Coll_btree_node_index_entry::overflow_bit) == 0) return e.target.resolve() != nullptr ? 1 : 0;
  auto* overflow = static_cast<_Coll_btree_overflow*>(e.target.resolve());
  return overflow->list.resolve()->_cardinality();
}

void* dv_btree::entry_first(const _Coll_btree_node_index_entry& e) {
  if ((e.flags & _Coll_btree_node_index_entry::overflow_bit) == 0) return e.target.resolve();
  auto* overflow = static_cast<_Coll_btree_overflow*>(e.target.resolve());
  const void* first = nullptr;
  overflow->list.resolve()->_retrieve_first(first);
  return const_cast<void*>(first);
}

void dv_btree::add_element(_Coll_btree_node_index_entry& e, const void* element) {
  if ((e.flags & _Coll_btree_node_index_entry::overflow_bit) != 0) {
    static_cast<_Coll_btree_overflow*>(e.target.resolve())->list.resolve()->_insert(element);
    return;
  }
  void* present = e.target.resolve();
  if (present == nullptr) {
    e.target = const_cast<void*>(element);
    return;
  }
  auto* overflow = static_cast<_Coll_btree_overflow*>(
      ::operator new(sizeof(_Coll_btree_overflow), dv_cluster::with(this), _Coll_btree_overflow::get_dv_typespec()));
  dv_packed_list* list = nullptr;
  try {
    list = ::new (::operator new(sizeof(dv_packed_list), dv_cluster::with(overflow),
                                 dv_packed_list::get_dv_typespec())) dv_packed_list(0);
  } catch (...) {
    ::operator delete(overflow);
    throw;
  }
  overflow->list = list;
  list->_insert(present);
  list->_insert(element);
  e.flags = _Coll_btree_node_index_entry::overflow_bit;
  e.target = overflow;
}

void dv_btree::destroy_entry(_Coll_btree_node_index_entry& e) {
  if ((e.flags & _Coll_btree_node_index_entry::overflow_bit) != 0) {
    auto* overflow = static_cast<_Coll_btree_overflow*>(e.target.resolve());
    delete overflow->list.resolve();
    ::operator delete(overflow);
  }
  e.flags = 0;
  e.target = nullptr;
}

// ---- inserting into a node ----------------------------------------------------------------------

void dv_btree::insert_at(_Coll_btree_node* node, unsigned p, const void* search_key, const void* owned_slot,
                         const void* target) {
  const unsigned n = node->count;
  persistent_memmove(key_at(node, p + 1), key_at(node, p), (n - p) * key_size_);
  char* slot = key_at(node, p);
  if (owned_slot != nullptr)
    persistent_memcpy(slot, owned_slot, key_size_);
  else
    store_key(slot, search_key);
  _Coll_btree_node_index_entry* e = node->entries();
  if (node->is_leaf()) {
    persistent_memmove(static_cast<void*>(e + p + 1), e + p, (n - p) * sizeof *e);
    e[p].flags = 0;
    e[p].target = const_cast<void*>(target);
  } else {
    persistent_memmove(static_cast<void*>(e + p + 2), e + p + 1, (n - p) * sizeof *e);
    e[p + 1].flags = 0;
    e[p + 1].target = const_cast<void*>(target);
    static_cast<_Coll_btree_node*>(const_cast<void*>(target))->parent = node;
  }
  node->count = n + 1;
}

int dv_btree::node_insert(const _Coll_btree_stackvars& sv, _Coll_btree_node* node, const void* search_key,
                          const void* owned_slot, const void* target) {
  int found = 0;
  const unsigned p = search_node(sv, node, search_key, found);
  if (found) {
    if (!node->is_leaf()) _Coll_btree_fail("Attempt to insert an equal key value into an interior node");
    if (!allow_dups()) dv_coll_raise<coll_msg::node_insert_duplicate_key>();
    add_element(node->entry(p), target);
    return 1;
  }
  if (node->count == max_keys_) return 0;
  insert_at(node, p, search_key, owned_slot, target);
  return 1;
}

bool _Coll_btree_key_lies_in(const void* key, const void* element) {
  if (key == element) return true;
  if (key < element) return false;
  unsigned count = 0, offset = 0;
  const dv_typespec* ts = dv_typespec::typespec_at(const_cast<void*>(key), count, offset);
  if (ts == nullptr || ts->get_size() == 0) return false;
  // The array element of the object covering the key.
  const char* start = static_cast<const char*>(key) - offset % ts->get_size();
  return element >= static_cast<const void*>(start);
}

// ---- removing from a node -------------------------------------------------------------------------

void dv_btree::remove_at(_Coll_btree_node* node, unsigned key_index, unsigned entry_index, int destroy) {
  const unsigned n = node->count;
  release_slot(key_at(node, key_index));
  persistent_memmove(key_at(node, key_index), key_at(node, key_index + 1), (n - key_index - 1) * key_size_);
  persistent_memset(key_at(node, n - 1), 0, key_size_);
  _Coll_btree_node_index_entry* e = node->entries();
  if (destroy) destroy_entry(e[entry_index]);
  const unsigned used = node->is_leaf() ? n : n + 1;  // entries in use
  persistent_memmove(static_cast<void*>(e + entry_index), e + entry_index + 1, (used - entry_index - 1) * sizeof *e);
  e[used - 1].flags = 0;
  e[used - 1].target = nullptr;
  node->count = n - 1;
}

int dv_btree::node_remove(const _Coll_btree_stackvars& sv, _Coll_btree_node* leaf, const void* key,
                          const void* element, void*& stale) {
  stale = nullptr;
  if (leaf->count == 0) _Coll_btree_fail("Attempt to remove a key from a empty leaf");
  int found = 0;
  const unsigned p = search_node(sv, leaf, key, found);
  if (!found) return 0;
  _Coll_btree_node_index_entry& e = leaf->entry(p);
  auto* slot = reinterpret_cast<dv_soft_pointer32<void>*>(key_at(leaf, p));
  if ((e.flags & _Coll_btree_node_index_entry::overflow_bit) == 0) {
    if (e.target.resolve() != element) return 0;
    if (is_point_to_key()) stale = slot->resolve();
    remove_at(leaf, p, p, 1);
    return 1;
  }
  auto* overflow = static_cast<_Coll_btree_overflow*>(e.target.resolve());
  dv_packed_list* list = overflow->list.resolve();
  if (!list->_remove(element)) return 0;
  // A pointed-to key that lies in the element leaving (and in no other
  // occurrence of it) moves to the same place in a remaining element.
  void* held = is_point_to_key() ? slot->resolve() : nullptr;
  const bool move_key = held != nullptr && _Coll_btree_key_lies_in(held, element) && !list->_contains(element);
  void* remaining = nullptr;
  if (list->_cardinality() == 1) {
    remaining = entry_first(e);
    destroy_entry(e);
    e.target = remaining;
  } else {
    const void* last = nullptr;
    list->_retrieve_last(last);
    remaining = const_cast<void*>(last);
  }
  if (move_key) {
    void* moved = static_cast<char*>(remaining) + (static_cast<char*>(held) - static_cast<const char*>(element));
    *slot = moved;
    stale = held;
    if (sv.path != nullptr) sv.path->replacement = moved;
  }
  return 1;
}

// ---- splits -------------------------------------------------------------------------------------------

namespace {

// Moves n keys and n entries of one node to another; the places left are cleared.
void move_keys(const dv_btree& t, _Coll_btree_node* to, unsigned ti, _Coll_btree_node* from, unsigned fi,
               unsigned n) {
  persistent_memcpy(t.key_at(to, ti), t.key_at(from, fi), n * t.stored_key_size());
  persistent_memset(t.key_at(from, fi), 0, n * t.stored_key_size());
}

void move_entries(_Coll_btree_node* to, unsigned ti, _Coll_btree_node* from, unsigned fi, unsigned n,
                  int children) {
  _Coll_btree_node_index_entry* src = from->entries() + fi;
  _Coll_btree_node_index_entry* dst = to->entries() + ti;
  persistent_memcpy(static_cast<void*>(dst), src, n * sizeof *src);
  persistent_memset(static_cast<void*>(src), 0, n * sizeof *src);
  if (children)
    for (unsigned i = 0; i < n; ++i) static_cast<_Coll_btree_node*>(dst[i].target.resolve())->parent = to;
}

}  // namespace

_Coll_btree_node* dv_btree::splitLeaf(const _Coll_btree_stackvars& sv, _Coll_btree_node* leaf, const void* key,
                                      const void* element, unsigned p) {
  if (!leaf->is_leaf()) _Coll_btree_fail("splitLeaf() called for an interior node");
  if (leaf->count != max_keys_) _Coll_btree_fail("splitLeaf() called for a partially filled node");
  _Coll_btree_node* right = getNewNode(_Coll_btree_node::leaf_bit, leaf);
  auto* next = static_cast<_Coll_btree_node*>(leaf->entry(max_keys_).target.resolve());
  right->entry(max_keys_).target = next;
  leaf->entry(max_keys_).target = right;
  if (next != nullptr) next->previous = right;
  right->previous = leaf;
  right->parent = leaf->parent;

  const unsigned n = leaf->count;
  unsigned m = (n + 2) / 2;
  const bool here = p < m;
  if (here) --m;
  move_keys(*this, right, 0, leaf, m, n - m);
  move_entries(right, 0, leaf, m, n - m, 0);
  right->count = n - m;
  leaf->count = m;
  if (!node_insert(sv, here ? leaf : right, key, nullptr, element))
    _Coll_btree_fail("Dividing key insert failed in splitLeaf()");
  leaf->flags &= ~dv4u{_Coll_btree_node::root_bit};
  return right;
}

_Coll_btree_node* dv_btree::splitInterior(const _Coll_btree_stackvars& sv, _Coll_btree_node* node, void* key_slot,
                                          _Coll_btree_node* child, unsigned p, void* up_slot) {
  if (node->is_leaf()) _Coll_btree_fail("splitInterior() called for a leaf node");
  if (node->count != max_keys_) _Coll_btree_fail("splitInterior() called on a partially filled node");
  _Coll_btree_node* right = getNewNode(0, node);
  right->parent = node->parent;
  const unsigned n = node->count;
  const unsigned m = (n + 1) / 2;
  if (p == m) {
    // The key being inserted is the one that goes up.
    persistent_memcpy(up_slot, key_slot, key_size_);
    move_keys(*this, right, 0, node, m, n - m);
    move_entries(right, 1, node, m + 1, n - m, 1);
    right->entry(0).target = child;
    child->parent = right;
    right->count = n - m;
    node->count = m;
  } else if (p < m) {
    move_keys(*this, right, 0, node, m, n - m);
    move_entries(right, 0, node, m, n - m + 1, 1);
    right->count = n - m;
    persistent_memcpy(up_slot, key_at(node, m - 1), key_size_);
    persistent_memset(key_at(node, m - 1), 0, key_size_);
    node->count = m - 1;
    if (!node_insert(sv, node, search_form(key_slot), key_slot, child)) _Coll_btree_fail("Dividing key insert failed");
  } else {
    move_keys(*this, right, 0, node, m + 1, n - m - 1);
    move_entries(right, 0, node, m + 1, n - m, 1);
    right->count = n - m - 1;
    persistent_memcpy(up_slot, key_at(node, m), key_size_);
    persistent_memset(key_at(node, m), 0, key_size_);
    node->count = m;
    if (!node_insert(sv, right, search_form(key_slot), key_slot, child)) _Coll_btree_fail("Dividing key insert failed");
  }
  node->flags &= ~dv4u{_Coll_btree_node::root_bit};
  return right;
}

const char* dv_btree::first_key_under(const _Coll_btree_node* node) const {
  while (!node->is_leaf()) {
    if (node->count == 0) _Coll_btree_fail("Interior node in search path has no keys");
    node = node->child(0);
    if (node == nullptr) _Coll_btree_fail("Interior node index pointer is NULL");
  }
  if (node->count == 0) _Coll_btree_fail("Leaf node in search path has no keys");
  return key_at(node, 0);
}

int dv_btree::removeFromParentUsingHistory(_Coll_btree_path& path, unsigned level, _Coll_btree_node* node) {
  if (level == 0 || level > path.depth) return 0;
  _Coll_btree_node* parent = path.nodes[level - 1];
  const unsigned p = path.positions[level - 1];
  if (node->parent.resolve() != parent || p > parent->count || parent->child(p) != node) return 0;
  remove_at(parent, p == 0 ? 0 : p - 1, p, 0);
  return 1;
}

}  // namespace dv_qem
