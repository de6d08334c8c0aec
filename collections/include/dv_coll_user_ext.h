// dv_coll_user_ext: the base from which an application derives a collection
// representation of its own ("user_rep", number 0). Until the application
// overrides them, its element operations refuse with err_coll_not_supported
// "<err-0024-0022>Unsupported entrypoint for user defined collection rep"
// (the ends of an unordered collection with their own texts);
// dv_coll_user_ext_ix adds an index list. Slots 76 and 77 follow
// dv_collection's 76. Its cursor is dv_coll_user_ext_cursor.
#pragma once

#include "dv_collection.h"

namespace dv_qem {

// Raises err_coll_not_supported with the user representation's text.
[[noreturn]] void _user_rep_not_supported();

class dv_coll_user_ext : public dv_collection {
 public:
  dv_coll_user_ext() = default;
  dv_coll_user_ext(const dv_coll_user_ext&) = default;
  dv_coll_user_ext& operator=(const dv_coll_user_ext& other) {
    _assign(other);
    return *this;
  }
  ~dv_coll_user_ext() override = default;

  void* _pick() const override { _user_rep_not_supported(); }
  void* _only() const override { _user_rep_not_supported(); }
  void _insert(const void*) override { _user_rep_not_supported(); }
  int _remove(const void*) override { _user_rep_not_supported(); }
  void _insert_first(const void*) override { _user_rep_not_supported(); }
  void _insert_last(const void*) override { _user_rep_not_supported(); }
  int _remove_first(const void*& out) override;
  int _remove_last(const void*& out) override;
  int _retrieve_first(const void*& out) const override;
  int _retrieve_last(const void*& out) const override;
  void* _retrieve(unsigned) const override { _user_rep_not_supported(); }
  void* _retrieve(const dv_cursor&) const override { _user_rep_not_supported(); }
  void _insert_after(const void*, unsigned) override { _user_rep_not_supported(); }
  void _insert_after(const void*, const dv_cursor&) override { _user_rep_not_supported(); }
  void _insert_before(const void*, unsigned) override { _user_rep_not_supported(); }
  void _insert_before(const void*, const dv_cursor&) override { _user_rep_not_supported(); }
  void _remove_at(unsigned) override { _user_rep_not_supported(); }
  void _remove_at(const dv_cursor&) override { _user_rep_not_supported(); }
  void* _replace_at(const void*, unsigned) override { _user_rep_not_supported(); }
  void* _replace_at(const void*, const dv_cursor&) override { _user_rep_not_supported(); }
  int _contains(const void*) const override { _user_rep_not_supported(); }
  int _count(const void*) const override { _user_rep_not_supported(); }
  int _first(dv_cursor&, void*&) const override { _user_rep_not_supported(); }
  int _last(dv_cursor&, void*&) const override { _user_rep_not_supported(); }
  int _next(dv_cursor&, void*&) const override { _user_rep_not_supported(); }
  int _previous(dv_cursor&, void*&) const override { _user_rep_not_supported(); }
  unsigned _cardinality() const override { _user_rep_not_supported(); }
  // Through _cardinality, so a subclass that counts answers these too.
  int _empty() const override { return _cardinality() == 0; }
  unsigned _update_cardinality() override { return _cardinality(); }
  unsigned _cardinality_estimate() const override { return _cardinality(); }
  int _cardinality_is_maintained() const override { return 1; }
  int has_indexes() const override { return 0; }
  _Indexes*& indexes() override { _user_rep_not_supported(); }
  void _clear() override { _user_rep_not_supported(); }
  unsigned _get_behavior() const override { _user_rep_not_supported(); }
  int _fast_count() const override { return 0; }
  char* _rep_name() const override { return const_cast<char*>("user_rep"); }
  int _rep_enum() const override { return 0; }
  void _check_rep_invariants() const override {}
  void evolve_rep() override {}
  // 76, 77: nothing.
  virtual void register_cursor(dv_cursor&) {}
  virtual void unregister_cursor(dv_cursor&) {}
};

// A user representation with an index list (owned; null without one).
class dv_coll_user_ext_ix : public dv_coll_user_ext {
 public:
  dv_coll_user_ext_ix() = default;
  // The copy has its own index list (a new, empty one when the other has
  // one).
  dv_coll_user_ext_ix(const dv_coll_user_ext_ix& other);
  // dv_collection's assignment; the index list stays this one's.
  dv_coll_user_ext_ix& operator=(const dv_coll_user_ext_ix& other) {
    _assign(other);
    return *this;
  }
  // Frees the index list.
  ~dv_coll_user_ext_ix() override;

  int has_indexes() const override { return indexes_ != nullptr; }
  _Indexes*& indexes() override { return indexes_; }
  unsigned _get_behavior() const override { return 0; }
  // 20 until a subclass counts its elements.
  unsigned _cardinality() const override { return 20; }

 private:
  _Indexes* indexes_ = nullptr;
};

static_assert(sizeof(dv_coll_user_ext) == 4);
static_assert(sizeof(dv_coll_user_ext_ix) == 8);

}  // namespace dv_qem
