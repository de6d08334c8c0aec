// dv_outofline_dictionary: the 12-byte dictionary facade a persistent object
// embeds. It owns one dictionary representation and forwards every
// operation to it; destroying the facade destroys the representation. A
// copy, or the target of an assignment, gets a representation of its own
// holding the same entries.
#pragma once

#include "dv_dictionary.h"
#include "dv_typespec.h"

namespace dv_qem {

class dv_outofline_dictionary : public dv_dictionary {
 public:
  dv_outofline_dictionary() = default;
  // Adopts rep (owned from now on).
  explicit dv_outofline_dictionary(dv_dictionary* rep) : rep_(rep) {}
  explicit dv_outofline_dictionary(dv_probe_t) : dv_dictionary(dv_probe) {}
  // The copy's representation is made next to the copy and holds the other's
  // entries; copying a facade without a representation copies none.
  dv_outofline_dictionary(const dv_outofline_dictionary& other);
  // Drops this facade's representation and takes a copy of the other's.
  dv_outofline_dictionary& operator=(const dv_outofline_dictionary& other);
  // Destroys the representation (when there is one).
  ~dv_outofline_dictionary() override;

  dv_dictionary* get_outofline() const { return rep_; }
  void set_outofline(dv_dictionary* rep) { rep_ = rep; }

  // Slot 107: preparing for a bulk load; a facade has nothing to prepare.
  virtual void allocate_coll(unsigned, unsigned) {}
  void _init_load(unsigned a, unsigned b) { allocate_coll(a, b); }

  static dv_typespec* get_dv_typespec();

  // A new representation next to where holding source's entries (same key
  // type, key size, order and duplicates rule).
  static dv_dictionary* copy_representation(const dv_dictionary& source, const void* where);

  // ---- collection slots, forwarded ---------------------------------------------
  // Null when the representation is empty, else its pick.
  void* _pick() const override;
  // Null when empty; err_coll_not_singleton "<err-0024-0270>..." with more
  // than one element; else the representation's only.
  void* _only() const override;
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
  void _destroy() override { rep()._destroy(); }
  int _fast_count() const override { return rep()._fast_count(); }
  char* _rep_name() const override { return rep()._rep_name(); }
  int _rep_enum() const override { return rep()._rep_enum(); }
  // The facade's own check, as every out-of-line facade's: nothing to check.
  void _check_rep_invariants() const override {}
  int _is_user_coll() const override { return rep()._is_user_coll(); }
  void _set_untransformed(int on) override { rep()._set_untransformed(on); }
  void evolve_rep() override { rep().evolve_rep(); }

  // ---- dictionary slots, forwarded (slot 102, _key_size, is dv_dictionary's) ------
  int _is_a_hashtable() const override { return rep()._is_a_hashtable(); }
  dv_dictionary_cursor& __iteration_start(int low_restriction, const void* low, int high_restriction,
                                          const void* high, int placement) const override {
    return rep().__iteration_start(low_restriction, low, high_restriction, high, placement);
  }
  dv_dictionary_cursor& __iteration_start(int restriction, const void* key, int placement) const override {
    return rep().__iteration_start(restriction, key, placement);
  }
  dv_dictionary_cursor& __iteration_start(int placement) const override { return rep().__iteration_start(placement); }
  void __iteration_end(dv_dictionary_cursor& c) const override { rep().__iteration_end(c); }
  int __first(dv_dictionary_cursor& c, void*& out) const override { return rep().__first(c, out); }
  int __last(dv_dictionary_cursor& c, void*& out) const override { return rep().__last(c, out); }
  int __next(dv_dictionary_cursor& c, void*& out) const override { return rep().__next(c, out); }
  int __previous(dv_dictionary_cursor& c, void*& out) const override { return rep().__previous(c, out); }
  int __is_null(const dv_dictionary_cursor& c) const override { return rep().__is_null(c); }
  int __more(const dv_dictionary_cursor& c) const override { return rep().__more(c); }
  void* __retrieve(const dv_dictionary_cursor& c) const override { return rep().__retrieve(c); }
  void* __retrieve_key(const dv_dictionary_cursor& c) const override { return rep().__retrieve_key(c); }
  void* __pick(int low_restriction, const void* low, int high_restriction, const void* high,
               unsigned& found) const override {
    return rep().__pick(low_restriction, low, high_restriction, high, found);
  }
  void* __pick(int restriction, const void* key, unsigned& found) const override {
    return rep().__pick(restriction, key, found);
  }
  void* __pick(unsigned& found) const override { return rep().__pick(found); }
  void* __only(int& empty) const override { return rep().__only(empty); }
  int __contains(const void* element, const void* key) const override { return rep().__contains(element, key); }
  void __insert(const void* element, const void* key, dv_collection* coll, const void* key2, int& found) override {
    rep().__insert(element, key, coll, key2, found);
  }
  void __insert(const void* element, const void* key, dv_collection* coll, const void* key2,
                unsigned flag) override {
    rep().__insert(element, key, coll, key2, flag);
  }
  void __remove(const void* element, const void* key, int& found, dv_collection* coll) override {
    rep().__remove(element, key, found, coll);
  }
  void __remove(const void* element, const void* key, dv_collection* coll) override {
    rep().__remove(element, key, coll);
  }
  int __count(const void* key, const void* element) const override { return rep().__count(key, element); }
  int __count(dv_dictionary_cursor& c) const override { return rep().__count(c); }
  int __duplicates() const override { return rep().__duplicates(); }
  const char* _key_type() const override { return rep()._key_type(); }
  void __reset(dv_dictionary_cursor& c, const void* a, const void* b, _Direction d) override {
    rep().__reset(c, a, b, d);
  }
  dv_collection* _cursors() const override { return rep()._cursors(); }
  void _set_allow_dup(unsigned on) override { rep()._set_allow_dup(on); }
  void find_functions(_Rank_fcn& rank, _Hash_fcn& hash) const override { rep().find_functions(rank, hash); }

 protected:
  // The representation; err_coll_internal when there is none.
  dv_dictionary& rep() const;

 private:
  friend struct _Dictionary_facade_layout;

  dv_dictionary* rep_ = nullptr;  // owned representation
  dv4u reserved_ = 0;             // read by no operation; copied with the facade
};

}  // namespace dv_qem
