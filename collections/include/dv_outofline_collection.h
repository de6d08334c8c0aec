// dv_outofline_collection: the facade that applications embed in their
// persistent objects. It owns one representation, reached by pointer, and
// forwards every operation of the protocol to it; destroying the facade
// destroys the representation. Copies get their own representation.
#pragma once

#include "dv_collection.h"
#include "dv_typespec.h"

namespace dv_qem {

class dv_outofline_collection : public dv_collection {
 public:
  dv_outofline_collection() = default;
  explicit dv_outofline_collection(dv_collection* rep) : rep_(rep) {}
  explicit dv_outofline_collection(dv_probe_t) {}
  // A facade owns its representation, so a copy owns a new one: a transient
  // representation of the other's kind holding the other's elements (in
  // order); copying a facade without a representation copies none.
  dv_outofline_collection(const dv_outofline_collection& other);
  // Replaces this facade's elements by the other's (through _assign); the
  // representation itself stays. Without a representation of its own the
  // facade gets a transient one of the other's kind.
  dv_outofline_collection& operator=(const dv_outofline_collection& other);

  dv_collection* get_outofline() const { return rep_; }
  void set_outofline(dv_collection* rep) { rep_ = rep; }

  // Makes a representation of the kind ("dv_List", "dv_Array", "dv_Bag",
  // anything else a set) and a facade around it in the same placement.
  // Never null; the allocation's failure raises err_coll_internal.
  static dv_outofline_collection* generate_facade(const char* kind, dv_database* db, unsigned expected,
                                                  unsigned behavior, unsigned initial_count = 0,
                                                  const void* fill = nullptr);
  static dv_outofline_collection* generate_facade(const char* kind, const void* hint, unsigned expected,
                                                  unsigned behavior, unsigned initial_count = 0,
                                                  const void* fill = nullptr);

  static dv_typespec* get_dv_typespec();

  // ---- the protocol, forwarded ------------------------------------------------
  void* _pick() const override;  // the representation's pick()
  void* _only() const override;  // the representation's only()
  void _insert(const void* e) override { rep()._insert(e); }
  int _remove(const void* e) override { return rep()._remove(e); }
  void _insert_first(const void* e) override { rep()._insert_first(e); }
  void _insert_last(const void* e) override { rep()._insert_last(e); }
  int _remove_first(const void*& out) override { return rep()._remove_first(out); }
  int _remove_last(const void*& out) override { return rep()._remove_last(out); }
  int _retrieve_first(const void*& out) const override { return rep()._retrieve_first(out); }
  int _retrieve_last(const void*& out) const override { return rep()._retrieve_last(out); }
  void* _retrieve(unsigned position) const override { return rep()._retrieve(position); }
  void* _retrieve(const dv_cursor& c) const override { return rep()._retrieve(c); }
  void _insert_after(const void* e, unsigned position) override { rep()._insert_after(e, position); }
  void _insert_after(const void* e, const dv_cursor& c) override { rep()._insert_after(e, c); }
  void _insert_before(const void* e, unsigned position) override { rep()._insert_before(e, position); }
  void _insert_before(const void* e, const dv_cursor& c) override { rep()._insert_before(e, c); }
  void _remove_at(unsigned position) override { rep()._remove_at(position); }
  void _remove_at(const dv_cursor& c) override { rep()._remove_at(c); }
  void* _replace_at(const void* e, unsigned position) override { return rep()._replace_at(e, position); }
  void* _replace_at(const void* e, const dv_cursor& c) override { return rep()._replace_at(e, c); }
  int _ordered_equal(const dv_collection& o) const override { return rep()._ordered_equal(o); }
  int _contains(const void* e) const override { return rep()._contains(e); }
  int _count(const void* e) const override { return rep()._count(e); }
  dv_collection& _assign(const void* e) override { return rep()._assign(e); }
  dv_collection& _assign(const dv_collection& o) override { return rep()._assign(o); }
  dv_collection& _assign_or(const void* e) override { return rep()._assign_or(e); }
  dv_collection& _assign_or(const dv_collection& o) override { return rep()._assign_or(o); }
  dv_collection& _assign_and(const void* e) override { return rep()._assign_and(e); }
  dv_collection& _assign_and(const dv_collection& o) override { return rep()._assign_and(o); }
  dv_collection& _assign_sub(const void* e) override { return rep()._assign_sub(e); }
  dv_collection& _assign_sub(const dv_collection& o) override { return rep()._assign_sub(o); }
  dv_collection& _or(const void* e) const override { return rep()._or(e); }
  dv_collection& _or(const dv_collection& o) const override { return rep()._or(o); }
  dv_collection& _and(const void* e) const override { return rep()._and(e); }
  dv_collection& _and(const dv_collection& o) const override { return rep()._and(o); }
  dv_collection& _sub(const void* e) const override { return rep()._sub(e); }
  dv_collection& _sub(const dv_collection& o) const override { return rep()._sub(o); }
  int _eq(const void* e) const override { return rep()._eq(e); }
  int _eq(const dv_collection& o) const override { return rep()._eq(o); }
  int _ne(const void* e) const override { return rep()._ne(e); }
  int _ne(const dv_collection& o) const override { return rep()._ne(o); }
  int _lt(const void* e) const override { return rep()._lt(e); }
  int _lt(const dv_collection& o) const override { return rep()._lt(o); }
  int _le(const void* e) const override { return rep()._le(e); }
  int _le(const dv_collection& o) const override { return rep()._le(o); }
  int _gt(const void* e) const override { return rep()._gt(e); }
  int _gt(const dv_collection& o) const override { return rep()._gt(o); }
  int _ge(const void* e) const override { return rep()._ge(e); }
  int _ge(const dv_collection& o) const override { return rep()._ge(o); }
  int _first(dv_cursor& c, void*& out) const override { return rep()._first(c, out); }
  int _last(dv_cursor& c, void*& out) const override { return rep()._last(c, out); }
  int _next(dv_cursor& c, void*& out) const override { return rep()._next(c, out); }
  int _previous(dv_cursor& c, void*& out) const override { return rep()._previous(c, out); }
  dv_collection* _get_innermost_collection() override { return rep()._get_innermost_collection(); }
  int _remove_all(const void* e) override { return rep()._remove_all(e); }
  void _unbind_cursor(dv_cursor& c) const override { rep()._unbind_cursor(c); }
  unsigned _cardinality() const override { return rep()._cardinality(); }
  int _empty() const override { return rep()._empty(); }
  unsigned _update_cardinality() override { return rep()._update_cardinality(); }
  unsigned _cardinality_estimate() const override { return rep()._cardinality_estimate(); }
  int _cardinality_is_maintained() const override { return rep()._cardinality_is_maintained(); }
  void _re_initialize(unsigned expected) override { rep()._re_initialize(expected); }
  int has_indexes() const override { return rep().has_indexes(); }
  _Indexes*& indexes() override { return rep().indexes(); }
  void _add_index(const dv_index_path& path, int options, const void* key_type, dv_cluster* clustering) override {
    rep()._add_index(path, options, key_type, clustering);
  }
  void _clear() override { rep()._clear(); }
  unsigned _get_behavior() const override { return rep()._get_behavior(); }
  // Destroys the representation (when there is one).
  ~dv_outofline_collection() override;
  void _destroy() override { rep()._destroy(); }
  int _fast_count() const override { return rep()._fast_count(); }
  char* _rep_name() const override { return rep()._rep_name(); }
  int _rep_enum() const override { return rep()._rep_enum(); }
  void _check_rep_invariants() const override {}
  int _is_user_coll() const override { return rep()._is_user_coll(); }
  void _set_untransformed(int on) override { rep()._set_untransformed(on); }
  void evolve_rep() override { rep().evolve_rep(); }

 private:
  friend struct _Coll_layout;

  // The representation; err_coll_internal when there is none.
  dv_collection& rep() const;

  dv_collection* rep_ = nullptr;  // owned representation
  dv4u reserved_ = 0;             // read by no operation; copied with the facade
};

}  // namespace dv_qem
