// _dv_outofline_forwarding: the collection protocol of an out-of-line facade,
// every slot forwarded to the facade's representation. Both facades
// (dv_outofline_collection over dv_collection, dv_outofline_dictionary over
// dv_dictionary) derive from it; each keeps its own representation pointer,
// copies, _pick and _only.
//
// Facade provides rep(): its representation, err_coll_internal when there is
// none (the facade befriends this class). The class adds no virtual function
// and no data, so a facade's virtual table and stored layout are those of a
// facade written out by hand.
#pragma once

#include "dv_collection.h"

namespace dv_qem {

template <class Facade, class Base>
class _dv_outofline_forwarding : public Base {
 public:
  using Base::Base;

  void _insert(const void* e) override { target()._insert(e); }
  int _remove(const void* e) override { return target()._remove(e); }
  void _insert_first(const void* e) override { target()._insert_first(e); }
  void _insert_last(const void* e) override { target()._insert_last(e); }
  int _remove_first(const void*& out) override { return target()._remove_first(out); }
  int _remove_last(const void*& out) override { return target()._remove_last(out); }
  int _retrieve_first(const void*& out) const override { return target()._retrieve_first(out); }
  int _retrieve_last(const void*& out) const override { return target()._retrieve_last(out); }
  void* _retrieve(unsigned position) const override { return target()._retrieve(position); }
  void* _retrieve(const dv_cursor& c) const override { return target()._retrieve(c); }
  void _insert_after(const void* e, unsigned position) override { target()._insert_after(e, position); }
  void _insert_after(const void* e, const dv_cursor& c) override { target()._insert_after(e, c); }
  void _insert_before(const void* e, unsigned position) override { target()._insert_before(e, position); }
  void _insert_before(const void* e, const dv_cursor& c) override { target()._insert_before(e, c); }
  void _remove_at(unsigned position) override { target()._remove_at(position); }
  void _remove_at(const dv_cursor& c) override { target()._remove_at(c); }
  void* _replace_at(const void* e, unsigned position) override { return target()._replace_at(e, position); }
  void* _replace_at(const void* e, const dv_cursor& c) override { return target()._replace_at(e, c); }
  int _ordered_equal(const dv_collection& o) const override { return target()._ordered_equal(o); }
  int _contains(const void* e) const override { return target()._contains(e); }
  int _count(const void* e) const override { return target()._count(e); }
  dv_collection& _assign(const void* e) override { return target()._assign(e); }
  dv_collection& _assign(const dv_collection& o) override { return target()._assign(o); }
  dv_collection& _assign_or(const void* e) override { return target()._assign_or(e); }
  dv_collection& _assign_or(const dv_collection& o) override { return target()._assign_or(o); }
  dv_collection& _assign_and(const void* e) override { return target()._assign_and(e); }
  dv_collection& _assign_and(const dv_collection& o) override { return target()._assign_and(o); }
  dv_collection& _assign_sub(const void* e) override { return target()._assign_sub(e); }
  dv_collection& _assign_sub(const dv_collection& o) override { return target()._assign_sub(o); }
  dv_collection& _or(const void* e) const override { return target()._or(e); }
  dv_collection& _or(const dv_collection& o) const override { return target()._or(o); }
  dv_collection& _and(const void* e) const override { return target()._and(e); }
  dv_collection& _and(const dv_collection& o) const override { return target()._and(o); }
  dv_collection& _sub(const void* e) const override { return target()._sub(e); }
  dv_collection& _sub(const dv_collection& o) const override { return target()._sub(o); }
  int _eq(const void* e) const override { return target()._eq(e); }
  int _eq(const dv_collection& o) const override { return target()._eq(o); }
  int _ne(const void* e) const override { return target()._ne(e); }
  int _ne(const dv_collection& o) const override { return target()._ne(o); }
  int _lt(const void* e) const override { return target()._lt(e); }
  int _lt(const dv_collection& o) const override { return target()._lt(o); }
  int _le(const void* e) const override { return target()._le(e); }
  int _le(const dv_collection& o) const override { return target()._le(o); }
  int _gt(const void* e) const override { return target()._gt(e); }
  int _gt(const dv_collection& o) const override { return target()._gt(o); }
  int _ge(const void* e) const override { return target()._ge(e); }
  int _ge(const dv_collection& o) const override { return target()._ge(o); }
  int _first(dv_cursor& c, void*& out) const override { return target()._first(c, out); }
  int _last(dv_cursor& c, void*& out) const override { return target()._last(c, out); }
  int _next(dv_cursor& c, void*& out) const override { return target()._next(c, out); }
  int _previous(dv_cursor& c, void*& out) const override { return target()._previous(c, out); }
  dv_collection* _get_innermost_collection() override { return target()._get_innermost_collection(); }
  int _remove_all(const void* e) override { return target()._remove_all(e); }
  void _unbind_cursor(dv_cursor& c) const override { target()._unbind_cursor(c); }
  unsigned _cardinality() const override { return target()._cardinality(); }
  int _empty() const override { return target()._empty(); }
  unsigned _update_cardinality() override { return target()._update_cardinality(); }
  unsigned _cardinality_estimate() const override { return target()._cardinality_estimate(); }
  int _cardinality_is_maintained() const override { return target()._cardinality_is_maintained(); }
  void _re_initialize(unsigned expected) override { target()._re_initialize(expected); }
  int has_indexes() const override { return target().has_indexes(); }
  _Indexes*& indexes() override { return target().indexes(); }
  void _add_index(const dv_index_path& path, int options, const void* key_type, dv_cluster* clustering) override {
    target()._add_index(path, options, key_type, clustering);
  }
  void _clear() override { target()._clear(); }
  unsigned _get_behavior() const override { return target()._get_behavior(); }
  void _destroy() override { target()._destroy(); }
  int _fast_count() const override { return target()._fast_count(); }
  char* _rep_name() const override { return target()._rep_name(); }
  int _rep_enum() const override { return target()._rep_enum(); }
  // A facade has nothing of its own to check.
  void _check_rep_invariants() const override {}
  int _is_user_coll() const override { return target()._is_user_coll(); }
  void _set_untransformed(int on) override { target()._set_untransformed(on); }
  void evolve_rep() override { target().evolve_rep(); }

 protected:
  _dv_outofline_forwarding() = default;
  _dv_outofline_forwarding(const _dv_outofline_forwarding&) = default;

 private:
  decltype(auto) target() const { return static_cast<const Facade*>(this)->rep(); }
};

}  // namespace dv_qem
