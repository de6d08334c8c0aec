// dv_ixonly: the index-only representation ("dv_ixonly", number 3). It keeps
// no elements of its own, only in its indexes, so every element operation
// goes through its index list; it is unordered, and every positional
// operation refuses. No index can be attached in this edition, so insertion
// refuses and lookups and walks find nothing.
//
// A walk keeps its state in the cursor: the ixonly_cursor bit says it has
// started, state B holds the component cursor over the iteration index's
// dictionary (owned: the cursor's unbind, copy and reset free, duplicate and
// drop it) and state C the index walked.
#pragma once

#include "dv_collection.h"
#include "dv_soft_pointer.h"
#include "dv_typespec.h"

namespace dv_qem {

class dv_ixonly : public dv_collection {
 public:
  dv_ixonly(int duplicates = 0, int maintain_cardinality = 0);
  explicit dv_ixonly(dv_probe_t) {}
  // The copy has its own index list (a new, empty one when the other has
  // one); the other words are copied as they are.
  dv_ixonly(const dv_ixonly& other);
  dv_ixonly& operator=(const dv_ixonly& other) {
    _assign(other);
    return *this;
  }
  dv_ixonly& operator=(const dv_collection& other) {
    _assign(other);
    return *this;
  }
  dv_ixonly& operator=(const void* e) {
    _assign(e);
    return *this;
  }
  // _destroy, then the members.
  ~dv_ixonly() override;

  // Nonzero when the kept count is.
  operator int() const { return count_ != 0; }
  int destroyed() const { return destroyed_; }
  void mark_destroyed() { destroyed_ = 1; }
  void clear_destroyed() { destroyed_ = 0; }

  void* _pick() const override;
  void* _only() const override { return _pick(); }
  // err_coll_nulls (1910) for null; err_coll_index_only (1225) without an
  // index; nothing for a present element when duplicates are off.
  void _insert(const void* e) override;
  int _remove(const void* e) override;
  void _insert_first(const void* e) override;
  void _insert_last(const void* e) override;
  int _remove_first(const void*& out) override;
  int _remove_last(const void*& out) override;
  int _retrieve_first(const void*& out) const override;
  int _retrieve_last(const void*& out) const override;
  void* _retrieve(unsigned position) const override;
  void* _retrieve(const dv_cursor& c) const override;
  void _insert_after(const void* e, unsigned position) override;
  void _insert_after(const void* e, const dv_cursor& c) override;
  void _insert_before(const void* e, unsigned position) override;
  void _insert_before(const void* e, const dv_cursor& c) override;
  void _remove_at(unsigned position) override;
  void _remove_at(const dv_cursor& c) override;
  void* _replace_at(const void* e, unsigned position) override;
  void* _replace_at(const void* e, const dv_cursor& c) override;
  int _contains(const void* e) const override;
  int _count(const void* e) const override;
  int _first(dv_cursor& c, void*& out) const override;
  int _last(dv_cursor& c, void*& out) const override;
  int _next(dv_cursor& c, void*& out) const override;
  int _previous(dv_cursor& c, void*& out) const override;
  unsigned _cardinality() const override;
  // The kept count when maintained; else whether a walk finds nothing (so
  // it agrees with _cardinality).
  int _empty() const override;
  unsigned _update_cardinality() override;
  unsigned _cardinality_estimate() const override;
  int _cardinality_is_maintained() const override { return maintained_; }
  int has_indexes() const override;
  _Indexes*& indexes() override { return indexes_; }
  void _clear() override;
  unsigned _get_behavior() const override { return 0; }
  // Once: clears, then destroys the index list.
  void _destroy() override;
  int _fast_count() const override;
  char* _rep_name() const override { return const_cast<char*>("dv_ixonly"); }
  int _rep_enum() const override { return 3; }
  void _check_rep_invariants() const override {}
  void _set_untransformed(int) override {}
  // 76, 77: err_coll_not_supported (1230).
  virtual void register_cursor(dv_cursor& c);
  virtual void unregister_cursor(dv_cursor& c);
  // 78, 79: nothing.
  virtual void normalize_cursor(dv_cursor&) {}
  virtual void denormalize_cursor(dv_cursor&) {}

  static dv_typespec* get_dv_typespec();

 private:
  friend struct _Ixonly_layout;
  enum class step_kind { first, last, next, previous };
  int step(dv_cursor& c, void*& out, step_kind kind) const;

  _Indexes* indexes_ = nullptr;  // owned; null without indexes
  unsigned count_ = 0;           // kept only while maintained_
  dv4u destroyed_ = 0;
  dv4u maintained_ = 0;
  dv4u duplicates_ = 0;  // 0: an insert skips an element already present
  dv4u reserved_[2] = {0, 0};
  dv_soft_pointer_base<32> spare_;
};

}  // namespace dv_qem
