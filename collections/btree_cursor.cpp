// The B-tree's dictionary cursor: its construction, restriction and copies,
// the dictionary slots that start, step and read it, and the cursor
// holder's words for it.
#include <cstring>
#include <new>

#include "btree_internal.h"
#include "dv_array.h"
#include "dv_new.h"
#include "dv_typespec.h"

DV_DEFINE_TYPESPEC(dv_qem::_dv_btree_cursor, "dv_qem::_dv_btree_cursor", DV_POINTERS(8, 16, 28, 32, 36, 44),
                   DV_VTABLES(0));

namespace dv_qem {

dv_typespec* _dv_btree_cursor::get_dv_typespec() { return &dv_ts<_dv_btree_cursor>::the_instance; }

// ---- construction --------------------------------------------------------------------------------

void _dv_btree_cursor::init(const dv_btree& tree) {
  flags_ = 0;
  tree_ = const_cast<dv_btree*>(&tree);
  // A bound given to restrict() later is a string too (the caller's char**).
  set_var_char_key(tree.is_var_char_key());
  restriction_ = low_restriction_ = high_restriction_ = no_restriction;
  node_ = nullptr;
  index_ = 0;
  overflow_ = nullptr;
  null_ = 1;
}

_dv_btree_cursor::_dv_btree_cursor(const dv_btree& tree, unsigned, _set_position position) {
  init(tree);
  void* first = nullptr;
  if (position == position_at_first) tree.__first(*this, first);
}

_dv_btree_cursor::_dv_btree_cursor(int restriction, const void* key, const dv_btree& tree, unsigned,
                                   _set_position position) {
  init(tree);
  restrict(restriction, key);
  void* first = nullptr;
  if (position == position_at_first) tree.__first(*this, first);
}

_dv_btree_cursor::_dv_btree_cursor(int low_restriction, const void* low, int high_restriction, const void* high,
                                   const dv_btree& tree, unsigned, _set_position position) {
  init(tree);
  restrict(low_restriction, low, high_restriction, high);
  void* first = nullptr;
  if (position == position_at_first) tree.__first(*this, first);
}

_dv_btree_cursor::_dv_btree_cursor(const _dv_btree_cursor& other) : dv_dictionary_cursor(other) { copy_from(other); }

_dv_btree_cursor& _dv_btree_cursor::operator=(const _dv_btree_cursor& other) {
  if (this == &other) return *this;
  drop_overflow();
  unrestrict();
  copy_from(other);
  return *this;
}

_dv_btree_cursor::~_dv_btree_cursor() {
  drop_overflow();
  unrestrict();
}

void _dv_btree_cursor::copy_from(const _dv_btree_cursor& other) {
  flags_ = other.flags_;
  tree_ = other.tree_;
  restriction_ = other.restriction_;
  low_restriction_ = other.low_restriction_;
  high_restriction_ = other.high_restriction_;
  bound_ = other.bound_;
  low_ = other.low_;
  high_ = other.high_;
  if (is_var_char_key()) {
    // The copy holds bound records of its own (one more holder of each full copy).
    auto copy = [this](const dv_soft_pointer32<void>& from) -> void* {
      if (from.resolve() == nullptr) return nullptr;
      auto* rec = static_cast<_Coll_var_char_key*>(
          ::operator new(sizeof(_Coll_var_char_key), this, _Coll_var_char_key::get_dv_typespec()));
      std::memcpy(static_cast<void*>(rec), from.resolve(), sizeof *rec);
      _Coll_var_char_add_ref(*rec);
      return rec;
    };
    bound_ = copy(other.bound_);
    low_ = copy(other.low_);
    high_ = copy(other.high_);
  }
  node_ = other.node_;
  index_ = other.index_;
  null_ = other.null_;
  overflow_ = nullptr;
  if (dv_cursor* theirs = other.get_overflow())
    overflow_ = ::new (::operator new(sizeof(dv_cursor), this, dv_cursor::get_dv_typespec())) dv_cursor(*theirs);
}

// ---- restriction -----------------------------------------------------------------------------------

void* _dv_btree_cursor::bound_copy(const void* key) {
  if (!is_var_char_key()) return const_cast<void*>(key);
  auto* rec = static_cast<_Coll_var_char_key*>(
      ::operator new(sizeof(_Coll_var_char_key), this, _Coll_var_char_key::get_dv_typespec()));
  _Coll_var_char_make(*rec, key != nullptr ? *static_cast<const char* const*>(key) : nullptr, this);
  return rec;
}

void _dv_btree_cursor::free_bound(dv_soft_pointer32<void>& bound) {
  if (is_var_char_key() && bound.resolve() != nullptr) {
    _Coll_var_char_release(*static_cast<_Coll_var_char_key*>(bound.resolve()));
    ::operator delete(bound.resolve());
  }
  bound = nullptr;
}

void _dv_btree_cursor::restrict(int restriction, const void* key) {
  unrestrict();
  restriction_ = restriction;
  bound_ = bound_copy(key);
  set(restricted_bit, 1);
}

void _dv_btree_cursor::restrict(int low_restriction, const void* low, int high_restriction, const void* high) {
  unrestrict();
  low_restriction_ = low_restriction;
  high_restriction_ = high_restriction;
  low_ = bound_copy(low);
  high_ = bound_copy(high);
  set(restricted_bit | two_sided_bit, 1);
}

void _dv_btree_cursor::unrestrict() {
  free_bound(bound_);
  free_bound(low_);
  free_bound(high_);
  restriction_ = low_restriction_ = high_restriction_ = no_restriction;
  set(restricted_bit | two_sided_bit, 0);
}

// ---- position ----------------------------------------------------------------------------------------

void _dv_btree_cursor::getCurrentPos(unsigned& null, _Coll_btree_node*& node, unsigned& index) const {
  null = null_;
  node = node_.resolve();
  index = index_;
}

void _dv_btree_cursor::setCurrentPos(unsigned null, _Coll_btree_node* node, unsigned index) {
  null_ = null;
  node_ = node;
  index_ = index;
}

void _dv_btree_cursor::drop_overflow() {
  delete get_overflow();
  overflow_ = nullptr;
}

void _dv_btree_cursor::remember(_dv_cursor_holder& holder) { holder.remember_dvbtree(*this); }
void _dv_btree_cursor::restore(const _dv_cursor_holder& holder) { holder.restore_dvbtree(*this); }

void _dv_cursor_holder::remember_dvbtree(_dv_btree_cursor& c) { remember_osbtree(c); }

void _dv_cursor_holder::restore_dvbtree(_dv_btree_cursor& c) const {
  // The position first, then a cursor over the list of the restored key
  // (when it has several elements), which takes its saved position.
  c.drop_overflow();
  restore_osbtree(c);
  c.open_overflow();
  restore_osbtree(c);
}

void _dv_btree_cursor::open_overflow() {
  drop_overflow();
  _Coll_btree_node* node = node_.resolve();
  if (null_ != 0 || node == nullptr) return;
  const _Coll_btree_node_index_entry& e = node->entry(index_);
  if ((e.flags & _Coll_btree_node_index_entry::overflow_bit) == 0) return;
  dv_packed_list* list = static_cast<_Coll_btree_overflow*>(e.target.resolve())->list.resolve();
  overflow_ = ::new (::operator new(sizeof(dv_cursor), this, dv_cursor::get_dv_typespec())) dv_cursor(*list);
}

// ---- the dictionary slots of the cursor ------------------------------------------------------------

namespace {

_dv_btree_cursor& as_btree_cursor(const dv_dictionary_cursor& c) {
  return const_cast<_dv_btree_cursor&>(static_cast<const _dv_btree_cursor&>(c));
}

void* cursor_storage(const dv_btree& tree, int placement) {
  if (placement != 0)
    return ::operator new(sizeof(_dv_btree_cursor), dv_cluster::with(&tree), _dv_btree_cursor::get_dv_typespec());
  return ::operator new(sizeof(_dv_btree_cursor), dv_database::get_transient_database(),
                        _dv_btree_cursor::get_dv_typespec());
}

template <class... A>
dv_dictionary_cursor& make_cursor(const dv_btree& tree, int placement, A&&... args) {
  void* storage = cursor_storage(tree, placement);
  try {
    return *::new (storage) _dv_btree_cursor(static_cast<A&&>(args)...);
  } catch (...) {
    ::operator delete(storage);
    throw;
  }
}

}  // namespace

dv_dictionary_cursor& dv_btree::__iteration_start(int low_restriction, const void* low, int high_restriction,
                                                  const void* high, int placement) const {
  return make_cursor(*this, placement, low_restriction, low, high_restriction, high, *this,
                     static_cast<unsigned>(placement), dv_dictionary_cursor::position_at_first);
}

dv_dictionary_cursor& dv_btree::__iteration_start(int restriction, const void* key, int placement) const {
  return make_cursor(*this, placement, restriction, key, *this, static_cast<unsigned>(placement),
                     dv_dictionary_cursor::position_at_first);
}

dv_dictionary_cursor& dv_btree::__iteration_start(int placement) const {
  return make_cursor(*this, placement, *this, static_cast<unsigned>(placement),
                     dv_dictionary_cursor::position_at_first);
}

void dv_btree::__iteration_end(dv_dictionary_cursor& c) const { delete &c; }

int dv_btree::position_element(_dv_btree_cursor& c, _Coll_btree_node* node, unsigned index, int last, void*& out,
                               int from_step) const {
  c.drop_overflow();
  out = nullptr;
  if (node == nullptr) {
    c.setCurrentPos(1, nullptr, 0);
    return 0;
  }
  const _Coll_btree_node_index_entry& e = node->entry(index);
  c.setCurrentPos(0, node, index);
  if ((e.flags & _Coll_btree_node_index_entry::overflow_bit) != 0) {
    c.open_overflow();
    out = last ? c.get_overflow()->last() : c.get_overflow()->first();
  } else {
    out = e.target.resolve();
  }
  if (out == nullptr) _Coll_btree_fail(from_step ? "NULL element slot" : "Element slot is NULL");
  return 1;
}

int dv_btree::cursor_start(_dv_btree_cursor& c, void*& out, int last) const {
  _Coll_btree_stackvars sv(*this);
  _Coll_btree_node* node = nullptr;
  unsigned index = 0;
  int ok = 0;
  if (!c.is_restricted()) {
    ok = last ? findLast(sv, 200, nullptr, index, node) : findFirst(sv, 200, nullptr, index, node);
  } else if (!c.is_two_sided()) {
    ok = last ? findLast(sv, c.restriction(), c.bound(), index, node)
              : findFirst(sv, c.restriction(), c.bound(), index, node);
  } else if (last) {
    ok = findLast(sv, c.upper_restriction(), c.upper_bound(), index, node) &&
         satisfies(-compare(sv, c.lower_bound(), key_at(node, index)), c.lower_restriction());
  } else {
    ok = findFirst(sv, c.lower_restriction(), c.lower_bound(), index, node) &&
         satisfies(-compare(sv, c.upper_bound(), key_at(node, index)), c.upper_restriction());
  }
  return position_element(c, ok ? node : nullptr, index, last, out, 0);
}

int dv_btree::cursor_step(_dv_btree_cursor& c, void*& out, int forward) const {
  out = nullptr;
  unsigned null = 1;
  _Coll_btree_node* node = nullptr;
  unsigned index = 0;
  c.getCurrentPos(null, node, index);
  if (null != 0 || node == nullptr) return 0;
  if (dv_cursor* walk = c.get_overflow()) {
    void* e = forward ? walk->next() : walk->previous();
    if (walk->more()) {
      out = e;
      return 1;
    }
  }
  _Coll_btree_stackvars sv(*this);
  const int direction = forward ? 1 : -1;
  for (;;) {
    if (forward)
      findNextKey(node, index, 0);
    else
      findPrevKey(node, index, 0);
    if (node == nullptr || !c.is_restricted() || c.is_iterate_off_range()) break;
    const char* slot = key_at(node, index);
    if (c.is_two_sided()) {
      if (!satisfies(-compare(sv, c.lower_bound(), slot), c.lower_restriction()) ||
          !satisfies(-compare(sv, c.upper_bound(), slot), c.upper_restriction()))
        node = nullptr;
      break;
    }
    const int r = c.restriction();
    const int cmp = -compare(sv, c.bound(), slot);
    if (satisfies(cmp, r)) break;
    if (r == 100) continue;              // keys equal to the bound are passed over
    if (r == 0 && cmp != direction) continue;  // keys before the bound, on the near side
    node = nullptr;
    break;
  }
  return position_element(c, node, index, !forward, out, 1);
}

int dv_btree::__first(dv_dictionary_cursor& c, void*& out) const { return cursor_start(as_btree_cursor(c), out, 0); }
int dv_btree::__last(dv_dictionary_cursor& c, void*& out) const { return cursor_start(as_btree_cursor(c), out, 1); }
int dv_btree::__next(dv_dictionary_cursor& c, void*& out) const { return cursor_step(as_btree_cursor(c), out, 1); }
int dv_btree::__previous(dv_dictionary_cursor& c, void*& out) const {
  return cursor_step(as_btree_cursor(c), out, 0);
}

int dv_btree::__is_null(const dv_dictionary_cursor& c) const {
  unsigned null = 1;
  _Coll_btree_node* node = nullptr;
  unsigned index = 0;
  as_btree_cursor(c).getCurrentPos(null, node, index);
  return null != 0;
}

int dv_btree::__more(const dv_dictionary_cursor& c) const { return !__is_null(c); }

void* dv_btree::__retrieve(const dv_dictionary_cursor& c) const {
  _dv_btree_cursor& bc = as_btree_cursor(c);
  unsigned null = 1;
  _Coll_btree_node* node = nullptr;
  unsigned index = 0;
  bc.getCurrentPos(null, node, index);
  if (null != 0 || node == nullptr) return nullptr;
  if (dv_cursor* walk = bc.get_overflow()) return walk->retrieve();
  return node->entry(index).target.resolve();
}

void* dv_btree::__retrieve_key(const dv_dictionary_cursor& c) const {
  unsigned null = 1;
  _Coll_btree_node* node = nullptr;
  unsigned index = 0;
  as_btree_cursor(c).getCurrentPos(null, node, index);
  if (null != 0 || node == nullptr) return nullptr;
  char* slot = key_at(node, index);
  if (is_var_char_key())
    return const_cast<char*>(_Coll_var_char_text(*reinterpret_cast<const _Coll_var_char_key*>(slot)));
  if (is_point_to_key() || is_pvoid_key()) return reinterpret_cast<dv_soft_pointer32<void>*>(slot)->resolve();
  return slot;
}

int dv_btree::__count(dv_dictionary_cursor& c) const {
  unsigned null = 1;
  _Coll_btree_node* node = nullptr;
  unsigned index = 0;
  as_btree_cursor(c).getCurrentPos(null, node, index);
  if (null != 0 || node == nullptr) return 0;
  return static_cast<int>(entry_count(node->entry(index)));
}

}  // namespace dv_qem
