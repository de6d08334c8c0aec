// The index-only representation: element operations through the index list,
// walks through the iteration index's dictionary, positional operations
// refused.
#include <cstddef>

#include "coll_messages.h"
#include "dv_coll_session.h"
#include "dv_cursor.h"
#include "dv_dictionary.h"
#include "dv_err.h"
#include "dv_indexes.h"
#include "dv_ixonly.h"

namespace dv_qem {

struct _Ixonly_layout {
  static_assert(sizeof(dv_ixonly) == 36);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
  static_assert(offsetof(dv_ixonly, indexes_) == 4);
  static_assert(offsetof(dv_ixonly, count_) == 8);
  static_assert(offsetof(dv_ixonly, destroyed_) == 12);
  static_assert(offsetof(dv_ixonly, maintained_) == 16);
  static_assert(offsetof(dv_ixonly, duplicates_) == 20);
  static_assert(offsetof(dv_ixonly, spare_) == 32);
#pragma GCC diagnostic pop
};

namespace {

// The largest key an index keeps (a B-tree key's limit).
constexpr std::size_t max_key_size = 2048;

// Holds the session lock with the session's collection state made.
struct session_scope {
  session_scope() { _VRN_get_subsystem_local_coll(_Session::get_current(0)); }
  _VRN_session_lock lock;
};

}  // namespace

dv_ixonly::dv_ixonly(int duplicates, int maintain_cardinality)
    : maintained_(maintain_cardinality != 0 ? 1 : 0), duplicates_(duplicates != 0 ? 1 : 0) {}

dv_ixonly::dv_ixonly(const dv_ixonly& other)
    : dv_collection(other),
      indexes_(other.indexes_ != nullptr ? new _Indexes : nullptr),
      count_(other.count_),
      destroyed_(other.destroyed_),
      maintained_(other.maintained_),
      duplicates_(other.duplicates_),
      reserved_{other.reserved_[0], other.reserved_[1]},
      spare_(other.spare_) {}

dv_ixonly::~dv_ixonly() { _destroy(); }

void* dv_ixonly::_pick() const {
  if (indexes_ == nullptr) return nullptr;
  _Index* index = _Indexes::iteration_index(indexes_);
  dv_dictionary* dictionary = index ? _index_dictionary(index) : nullptr;
  if (dictionary == nullptr) return nullptr;
  unsigned found = 0;
  void* value = dictionary->__pick(found);
  return found ? _index_value_to_element(value, _index_path_chain(index)) : nullptr;
}

void dv_ixonly::_insert(const void* e) {
  if (e == nullptr) dv_coll_raise<coll_msg::insert_null>();
  if (!has_indexes()) dv_coll_raise<coll_msg::index_only_needs_index>();
  if (duplicates_ == 0 && _contains(e)) return;
  if (_Indexes::iteration_index(indexes_) == nullptr) dv_coll_raise<coll_msg::index_only_needs_index>();
  maintain_index_insert(indexes_, e, 0);
  if (maintained_) ++count_;
}

int dv_ixonly::_remove(const void* e) {
  if (e == nullptr || !_contains(e)) return 0;
  maintain_index_remove_for_sure(indexes_, e);
  if (maintained_) --count_;
  return 1;
}

void dv_ixonly::_insert_first(const void*) { dv_coll_raise<coll_msg::needs_maintain_order>(); }
void dv_ixonly::_insert_last(const void*) { dv_coll_raise<coll_msg::insert_last_not_supported_by>(rep_name()); }
int dv_ixonly::_remove_first(const void*&) { dv_coll_raise<coll_msg::remove_first_unordered>(rep_name()); }
int dv_ixonly::_remove_last(const void*&) { dv_coll_raise<coll_msg::remove_last_unordered>(rep_name()); }
int dv_ixonly::_retrieve_first(const void*&) const { dv_coll_raise<coll_msg::retrieve_first_unordered>(rep_name()); }
int dv_ixonly::_retrieve_last(const void*&) const { dv_coll_raise<coll_msg::retrieve_last_unordered>(rep_name()); }
void* dv_ixonly::_retrieve(unsigned) const { dv_coll_raise<coll_msg::retrieve_position_unordered>(rep_name()); }

void* dv_ixonly::_retrieve(const dv_cursor& c) const {
  c.check_cast();
  if (!c.ixonly_cursor() || c.distal() == nullptr) return nullptr;
  void* value = c.distal()->retrieve();
  return value ? _index_value_to_element(value, _index_path_chain(static_cast<_Index*>(c.state_c()))) : nullptr;
}

void dv_ixonly::_insert_after(const void*, unsigned) { dv_coll_raise<coll_msg::insert_after_unordered>(rep_name()); }
void dv_ixonly::_insert_after(const void*, const dv_cursor&) {
  dv_coll_raise<coll_msg::insert_after_not_supported_by>(rep_name());
}
void dv_ixonly::_insert_before(const void*, unsigned) { dv_coll_raise<coll_msg::insert_before_unordered>(rep_name()); }
void dv_ixonly::_insert_before(const void*, const dv_cursor&) {
  dv_coll_raise<coll_msg::insert_before_not_supported_by>(rep_name());
}
void dv_ixonly::_remove_at(unsigned) { dv_coll_raise<coll_msg::remove_at_unordered>(rep_name()); }

void dv_ixonly::_remove_at(const dv_cursor& c) {
  c.check_cast();
  if (!c.more()) dv_coll_raise<coll_msg::remove_at_null_cursor>();
  if (c.at_deleted_element()) dv_coll_raise<coll_msg::remove_at_deletd_element>();
  _remove(_retrieve(c));
  const_cast<dv_cursor&>(c).set_at_deleted_element(1);
}

void* dv_ixonly::_replace_at(const void*, unsigned) { dv_coll_raise<coll_msg::replace_at_unordered>(rep_name()); }
void* dv_ixonly::_replace_at(const void*, const dv_cursor&) {
  dv_coll_raise<coll_msg::replace_at_unordered>(rep_name());
}

int dv_ixonly::_contains(const void* e) const {
  if (indexes_ == nullptr) return 0;
  session_scope scope;
  _Index* index = _Indexes::iteration_index(indexes_);
  dv_dictionary* dictionary = index ? _index_dictionary(index) : nullptr;
  if (dictionary == nullptr) dv_coll_raise<coll_msg::index_only_needs_index>();
  unsigned char key[max_key_size] = {};
  _index_key_of_element(index, e, key);
  return dictionary->__contains(e, key);
}

int dv_ixonly::_count(const void* e) const { return e != nullptr && _contains(e) ? 1 : 0; }

int dv_ixonly::step(dv_cursor& c, void*& out, step_kind kind) const {
  session_scope scope;
  c.check_cast();
  if (!c.ixonly_cursor()) {
    _Index* index = _Indexes::iteration_index(indexes_);
    dv_dictionary* dictionary = index ? _index_dictionary(index) : nullptr;
    if (dictionary == nullptr) {
      out = nullptr;
      return 0;
    }
    c.set_state_c(index);
    c.set_state_b(new dv_cursor(*dictionary));
    c.set_flag(dv_cursor::ixonly_cursor_bit, 1);
    // A new component cursor stands before its first value: a first step
    // either way takes the end it heads for.
    if (kind == step_kind::next) kind = step_kind::first;
    if (kind == step_kind::previous) kind = step_kind::last;
  }
  c.set_at_deleted_element(0);
  dv_cursor& component = *c.distal();
  void* value = nullptr;
  int found = 0;
  switch (kind) {
    case step_kind::first: found = component.first(value); break;
    case step_kind::last: found = component.last(value); break;
    case step_kind::next: found = component.next(value); break;
    case step_kind::previous: found = component.previous(value); break;
  }
  out = found ? _index_value_to_element(value, _index_path_chain(static_cast<_Index*>(c.state_c()))) : nullptr;
  return found;
}

int dv_ixonly::_first(dv_cursor& c, void*& out) const { return step(c, out, step_kind::first); }
int dv_ixonly::_last(dv_cursor& c, void*& out) const { return step(c, out, step_kind::last); }
int dv_ixonly::_next(dv_cursor& c, void*& out) const { return step(c, out, step_kind::next); }
int dv_ixonly::_previous(dv_cursor& c, void*& out) const { return step(c, out, step_kind::previous); }

unsigned dv_ixonly::_cardinality() const {
  if (maintained_) return count_;
  unsigned walked = 0;
  dv_cursor c(*this);
  for (void* e = nullptr; c.more(); c.next(e)) ++walked;
  return walked;
}

int dv_ixonly::_empty() const { return maintained_ ? count_ == 0 : _cardinality() == 0; }

unsigned dv_ixonly::_update_cardinality() {
  count_ = _cardinality();
  return count_;
}

unsigned dv_ixonly::_cardinality_estimate() const {
  if (maintained_) return count_;
  return count_ != 0 ? count_ : 20;
}

int dv_ixonly::has_indexes() const { return indexes_ != nullptr && _Indexes::count(indexes_) >= 1; }

void dv_ixonly::_clear() {
  session_scope scope;
  _Index* index = indexes_ ? _Indexes::iteration_index(indexes_) : nullptr;
  dv_dictionary* dictionary = index ? _index_dictionary(index) : nullptr;
  if (dictionary == nullptr) return;
  dv_dictionary_cursor& walk = dictionary->__iteration_start(0);
  void* value = nullptr;
  for (int more = dictionary->__first(walk, value); more; more = dictionary->__next(walk, value))
    maintain_index_remove_for_sure(indexes_, _index_value_to_element(value, _index_path_chain(index)));
  dictionary->__iteration_end(walk);
  count_ = 0;
}

void dv_ixonly::_destroy() {
  if (destroyed_) return;
  _clear();
  delete indexes_;
  indexes_ = nullptr;
  destroyed_ = 1;
}

int dv_ixonly::_fast_count() const { throw dv_err_not_supported("%s", "dv_ixonly::_fast_count"); }

void dv_ixonly::register_cursor(dv_cursor&) { dv_coll_raise<coll_msg::no_cursor_maintenance>(); }
void dv_ixonly::unregister_cursor(dv_cursor&) { dv_coll_raise<coll_msg::no_cursor_maintenance>(); }

}  // namespace dv_qem

DV_DEFINE_TYPESPEC(dv_qem::dv_ixonly, "dv_qem::dv_ixonly", DV_POINTERS(4, 32), DV_VTABLES(0));

dv_qem::dv_typespec* dv_qem::dv_ixonly::get_dv_typespec() { return &dv_ts<dv_ixonly>::the_instance; }
