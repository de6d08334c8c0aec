// The many-valued relationship member's own slots: each forwards to the value
// collection without upkeep, or answers for an empty member when there is
// none; only the operations that change it make the value collection.
#include <typeinfo>

#include "coll_algebra.h"
#include "coll_messages.h"
#include "dv_cursor.h"
#include "dv_rel.h"

namespace dv_qem {

dv_rel_many::~dv_rel_many() { reclaim(); }

void dv_rel_many::reclaim() {
  dv_collection* v = value();
  if (v == nullptr) return;
  value_ = nullptr;
  delete v;
}

dv_rel_many& dv_rel_many::operator=(const dv_rel_many& other) {
  _assign(other);
  copy_spare(other);
  return *this;
}

void dv_rel_many::make_value(int expected, int has_behavior, unsigned behavior) {
  if (has_behavior == 0) behavior = get_behavior();
  value_ = create_relationship_collection(expected, has_behavior, behavior);
}

dv_collection& dv_rel_many::made_value() {
  if (value() == nullptr) make_value(0, 0, 0);
  return *value();
}

void dv_rel_many::refuse_if_read_only() const {
  if (dynamic_cast<const _dv_rel_many_readonly*>(this) != nullptr) _Reloc_missing_virtual_function();
}

void dv_rel_many::insert_simple(const void* e) {
  refuse_if_read_only();
  if (e == nullptr) return;
  made_value()._insert(e);
}

int dv_rel_many::remove_simple(const void* e) {
  refuse_if_read_only();
  return value() != nullptr && e != nullptr ? value()->_remove(e) : 0;
}

int dv_rel_many::remove_simple_all(const void* e) {
  refuse_if_read_only();
  if (value() == nullptr || e == nullptr) return 0;
  return _Rel_remove_every_occurrence(*value(), e);
}

int _Rel_remove_every_occurrence(dv_collection& c, const void* e) {
  // A hash bag answers 0 for a removal that leaves an occurrence behind, so
  // the walk goes by membership and stops when a removal takes nothing.
  int removed = 0;
  while (c._contains(e)) {
    const unsigned before = c.cardinality();
    c._remove(e);
    if (c.cardinality() == before) break;
    removed = 1;
  }
  return removed;
}

void* dv_rel_many::_pick() const { return value() ? value()->_pick() : nullptr; }
void* dv_rel_many::_only() const { return value() ? value()->_only() : nullptr; }

void dv_rel_many::_insert(const void* e) {
  if (e != nullptr) made_value()._insert(e);
}

int dv_rel_many::_remove(const void* e) { return value() && e ? value()->_remove(e) : 0; }

void dv_rel_many::_insert_first(const void* e) {
  if (e != nullptr) made_value()._insert_first(e);
}

void dv_rel_many::_insert_last(const void* e) {
  if (e != nullptr) made_value()._insert_last(e);
}

int dv_rel_many::_remove_first(const void*& out) { return made_value()._remove_first(out); }
int dv_rel_many::_remove_last(const void*& out) { return made_value()._remove_last(out); }

int dv_rel_many::_retrieve_first(const void*& out) const {
  if (value() != nullptr) return value()->_retrieve_first(out);
  out = nullptr;
  return 0;
}

int dv_rel_many::_retrieve_last(const void*& out) const {
  if (value() != nullptr) return value()->_retrieve_last(out);
  out = nullptr;
  return 0;
}

void* dv_rel_many::_retrieve(unsigned position) const { return value() ? value()->_retrieve(position) : nullptr; }
void* dv_rel_many::_retrieve(const dv_cursor& c) const { return value() ? value()->_retrieve(c) : nullptr; }

void dv_rel_many::_insert_after(const void*, unsigned) {
  dv_coll_raise<coll_msg::insert_after_unordered>(rep_name());
}

void dv_rel_many::_insert_after(const void* e, const dv_cursor& c) {
  if (value() == nullptr) dv_coll_raise<coll_msg::insert_after_null_cursor>();
  if (e != nullptr) value()->_insert_after(e, c);
}

void dv_rel_many::_insert_before(const void*, unsigned) {
  dv_coll_raise<coll_msg::insert_before_not_supported_by>(rep_name());
}

void dv_rel_many::_insert_before(const void* e, const dv_cursor& c) {
  if (value() == nullptr) dv_coll_raise<coll_msg::insert_before_null_cursor>();
  if (e != nullptr) value()->_insert_before(e, c);
}

void dv_rel_many::_remove_at(unsigned position) { made_value()._remove_at(position); }

void dv_rel_many::_remove_at(const dv_cursor& c) {
  if (value() == nullptr) dv_coll_raise<coll_msg::remove_at_null_cursor>();
  value()->_remove_at(c);
}

void* dv_rel_many::_replace_at(const void*, unsigned) { dv_coll_raise<coll_msg::replace_at_unordered>(rep_name()); }

void* dv_rel_many::_replace_at(const void* e, const dv_cursor& c) {
  if (value() == nullptr) dv_coll_raise<coll_msg::replace_at_null_cursor>();
  return value()->_replace_at(e, c);
}

int dv_rel_many::_contains(const void* e) const { return value() ? value()->_contains(e) : 0; }
int dv_rel_many::_count(const void* e) const { return value() ? value()->_count(e) : 0; }

namespace {

// The other collection's elements, with their multiplicity, in a transient
// collection of its behaviour: walked while the upkeep changes the original.
class snapshot {
 public:
  explicit snapshot(const dv_collection& other)
      : copy_(other.get_behavior() & (dv_allow_duplicates | dv_maintain_order), other.cardinality()) {
    _Coll_for_each(other, 0, [this](void* e) { copy_.get()._insert(e); });
  }
  const dv_collection& get() const { return copy_.get(); }

 private:
  _Coll_transient_result copy_;
};

}  // namespace

dv_collection& dv_rel_many::_assign(const void* e) { return dv_collection::_assign(e); }

dv_collection& dv_rel_many::_assign(const dv_collection& other) {
  if (_Coll_same(*this, other)) return *this;
  snapshot source(other);
  return dv_collection::_assign(source.get());
}

dv_collection& dv_rel_many::_assign_or(const dv_collection& other) {
  if (_Coll_same(*this, other)) return dv_collection::_assign_or(other);
  snapshot source(other);
  return dv_collection::_assign_or(source.get());
}

dv_collection& dv_rel_many::_assign_and(const dv_collection& other) {
  if (_Coll_same(*this, other)) return *this;
  snapshot source(other);
  return dv_collection::_assign_and(source.get());
}

dv_collection& dv_rel_many::_assign_sub(const dv_collection& other) {
  if (_Coll_same(*this, other)) return dv_collection::_assign_sub(other);
  snapshot source(other);
  return dv_collection::_assign_sub(source.get());
}

int dv_rel_many::_eq(const void* e) const { return value() ? value()->_eq(e) : 0; }
int dv_rel_many::_ne(const void* e) const { return value() ? value()->_ne(e) : 1; }
int dv_rel_many::_lt(const void* e) const { return value() ? value()->_lt(e) : 1; }
int dv_rel_many::_le(const void* e) const { return value() ? value()->_le(e) : 1; }
int dv_rel_many::_gt(const void* e) const { return value() ? value()->_gt(e) : 0; }
int dv_rel_many::_ge(const void* e) const { return value() ? value()->_ge(e) : 0; }
int dv_rel_many::_eq(const dv_collection& o) const { return value() ? value()->_eq(o) : o.empty(); }
int dv_rel_many::_ne(const dv_collection& o) const { return value() ? value()->_ne(o) : !o.empty(); }
int dv_rel_many::_lt(const dv_collection& o) const { return value() ? value()->_lt(o) : !o.empty(); }
int dv_rel_many::_le(const dv_collection& o) const { return value() ? value()->_le(o) : 1; }
int dv_rel_many::_gt(const dv_collection& o) const { return value() ? value()->_gt(o) : 0; }
int dv_rel_many::_ge(const dv_collection& o) const { return value() ? value()->_ge(o) : o.empty(); }

int dv_rel_many::_first(dv_cursor& c, void*& out) const {
  if (value() != nullptr) return value()->_first(c, out);
  out = nullptr;
  return 0;
}

int dv_rel_many::_last(dv_cursor& c, void*& out) const {
  if (value() != nullptr) return value()->_last(c, out);
  out = nullptr;
  return 0;
}

int dv_rel_many::_next(dv_cursor& c, void*& out) const {
  if (value() != nullptr) return value()->_next(c, out);
  out = nullptr;
  return 0;
}

int dv_rel_many::_previous(dv_cursor& c, void*& out) const {
  if (value() != nullptr) return value()->_previous(c, out);
  out = nullptr;
  return 0;
}

dv_collection* dv_rel_many::_get_innermost_collection() { return made_value()._get_innermost_collection(); }

int dv_rel_many::_remove_all(const void* e) { return value() && e ? value()->_remove_all(e) : 0; }

unsigned dv_rel_many::_cardinality() const { return value() ? value()->cardinality() : 0; }
int dv_rel_many::_empty() const { return value() ? value()->_empty() : 1; }
int dv_rel_many::has_indexes() const { return value() ? value()->has_indexes() : 0; }
_Indexes*& dv_rel_many::indexes() { return made_value().indexes(); }

void dv_rel_many::_clear() {
  if (value() == nullptr) return;
  _dv_rel_check_unlink_many(this);
  dv_cursor c(*value(), dv_cursor::sort_by_addrs);
  void* e = nullptr;
  for (int more = c.first(e); more; more = c.next(e)) _remove(e);
}

int dv_rel_many::_fast_count() const { return value() ? value()->_fast_count() : 1; }
char* dv_rel_many::_rep_name() const { return value() ? value()->_rep_name() : const_cast<char*>("none"); }
int dv_rel_many::_rep_enum() const { return value() ? value()->_rep_enum() : 0; }

void* dv_rel_many::_this_pick_query(int, const void*, unsigned&) const {
  return value() ? value()->_this_pick_query(nullptr) : nullptr;
}

dv_collection* dv_rel_many::_this_query(int, const void*) const {
  return value() ? &value()->_this_query(nullptr) : nullptr;
}

}  // namespace dv_qem
