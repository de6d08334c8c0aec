// Relationships: pairs of members in persistent objects that name each other.
// When one side changes, the library changes the other side (its inverse) to
// match. A single-valued side holds one object pointer; a many-valued side is
// itself a dv_collection whose elements live in a separate value collection,
// made on first need next to the member.
//
// The kind classes here do the upkeep; they learn where the members lie from
// a typed class per member (dv_rel_typed.h). Upkeep always follows the value
// collection's own answer: a change the value collection refuses (or
// ignores) leaves both sides as they were.
#pragma once

#include <cstring>

#include "dv_collection.h"
#include "dv_soft_pointer.h"
#include "dv_typespec.h"

namespace dv_qem {

class dv_rel_many;
void _VRN_set_rel_minimal_dispatch_tables();

// The index hooks of single-valued members: called with (the object whose
// member changes, the member's index code, the member's offset) before and
// after the change when the index code is not -1. No index is kept on
// relationship members in this library: both do nothing and never fail.
void _dv_rel_index_hook_before(void* object, int index_code, int member_offset) noexcept;
void _dv_rel_index_hook_after(void* object, int index_code, int member_offset) noexcept;

// The single-valued side: a soft pointer to the related object, null when
// unset (4 stored bytes).
class dv_rel_single {
 public:
  dv_rel_single() = default;
  dv_rel_single(const dv_rel_single&) = default;
  dv_rel_single& operator=(const dv_rel_single&) = default;
  ~dv_rel_single() = default;

  // Stores the pointer; no upkeep.
  void set_value(void* p) { target_ = p; }
  void* value() const { return target_.resolve(); }

 protected:
  // The object that holds this member at member_offset.
  void* container(int member_offset) const {
    return const_cast<char*>(reinterpret_cast<const char*>(this)) - member_offset;
  }

 private:
  dv_soft_pointer_base<32> target_;
};

static_assert(sizeof(dv_rel_single) == 4);

// One-to-one: the inverse is a dv_rel_1_1 as well.
class dv_rel_1_1 : public dv_rel_single {
 public:
  dv_rel_1_1() = default;
  // A copy starts unlinked: a second member naming the partner would
  // unlink the original pair when it is cleared.
  dv_rel_1_1(const dv_rel_1_1&) : dv_rel_single() {}
  dv_rel_1_1& operator=(const dv_rel_1_1&) = default;  // the pointer, no upkeep
  ~dv_rel_1_1() = default;

  void* getvalue() const { return value(); }

 protected:
  // Links this member's owner with v (null: unlinks). The old partner of
  // each side is left unlinked. The form with index codes calls the index
  // hooks around each store: (old target, inverse code, inverse offset),
  // (v's former partner, index code, member offset), (v, inverse code,
  // inverse offset), (owner, index code, member offset).
  void setvalue(void* v, int member_offset, int inverse_offset);
  void setvalue(void* v, int member_offset, int inverse_offset, int index_code, int inverse_index_code);
  // If this member names T, T's inverse member becomes null (with the hooks
  // on (T, inverse code, inverse offset) in the second form).
  void unset_inverse(int inverse_offset);
  void unset_inverse(int inverse_offset, int inverse_index_code);
  // Stores p without upkeep (with the hooks on (owner, index code, member
  // offset) in the second form).
  void set_simple(void* p) { set_value(p); }
  void set_simple(void* p, int member_offset, int index_code);
  // unset_inverse, then stores p.
  void set_inverse(void* p, int inverse_offset);
  void set_inverse(void* p, int member_offset, int inverse_offset, int index_code, int inverse_index_code);
};

// One-to-many: this side names one object; the inverse is a dv_rel_m_1.
class dv_rel_1_m : public dv_rel_single {
 public:
  dv_rel_1_m() = default;
  // A copy starts unlinked (see dv_rel_1_1).
  dv_rel_1_m(const dv_rel_1_m&) : dv_rel_single() {}
  dv_rel_1_m& operator=(const dv_rel_1_m&) = default;  // the pointer, no upkeep
  ~dv_rel_1_m() = default;

  void* getvalue() const { return value(); }

 protected:
  // Makes v this member's target: the owner enters v's inverse member
  // first, then leaves the old target's, so a refusal changes nothing.
  // Assigning the current target changes nothing. The form with an index
  // code calls the index hooks on (owner, index code, member offset) around
  // the store.
  void setvalue(void* v, int member_offset, int inverse_offset);
  void setvalue(void* v, int member_offset, int inverse_offset, int index_code);
  // Every occurrence of the owner leaves the target's inverse member.
  void unset_inverse(int member_offset, int inverse_offset);
  // unset_inverse, then stores the given object without upkeep.
  void set_inverse(void* owner, int member_offset, int inverse_offset);
  void set_simple(void* p) { set_value(p); }
};

// The many-valued side: a collection of object pointers kept in a value
// collection (12 stored bytes: vtable pointer, soft pointer to the value
// collection, a spare word kept in place). Its own slots forward to the value
// collection without upkeep; operations that only read never create it.
// Slots 76-80 follow dv_collection's 76.
class dv_rel_many : public dv_collection {
 public:
  explicit dv_rel_many(dv_probe_t) {}
  // A copy starts without a value collection: two members never share one,
  // and the elements' inverses still name the original's owner only. The
  // spare word is copied.
  dv_rel_many(const dv_rel_many& other) : dv_collection() { copy_spare(other); }
  // Assigns the elements (through the upkeep of the member's kind), then
  // copies the spare word.
  dv_rel_many& operator=(const dv_rel_many& other);
  dv_rel_many& operator=(const dv_collection& other) {
    _assign(other);
    return *this;
  }
  dv_rel_many& operator=(const void* e) {
    _assign(e);
    return *this;
  }
  // Destroys the value collection; no upkeep (the typed classes clear first).
  ~dv_rel_many() override;

  // The member itself (it converts to dv_collection& as its base).
  dv_rel_many& getvalue() { return *this; }
  const dv_rel_many& getvalue() const { return *this; }

  // The upkeep of the other side: no upkeep here. insert_simple makes the
  // value collection when missing; a null element does nothing. A read-only
  // view refuses all three.
  void insert_simple(const void* e);
  int remove_simple(const void* e);
  int remove_simple_all(const void* e);

  // ---- slots --------------------------------------------------------------
  void* _pick() const override;
  void* _only() const override;
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
  // Assignment and set algebra walk a snapshot of the other collection:
  // the upkeep may take elements out of it while they are added here.
  dv_collection& _assign(const void* e) override;
  dv_collection& _assign(const dv_collection& other) override;
  dv_collection& _assign_or(const dv_collection& other) override;
  dv_collection& _assign_and(const dv_collection& other) override;
  dv_collection& _assign_sub(const dv_collection& other) override;
  int _eq(const void* e) const override;
  int _eq(const dv_collection& other) const override;
  int _ne(const void* e) const override;
  int _ne(const dv_collection& other) const override;
  int _lt(const void* e) const override;
  int _lt(const dv_collection& other) const override;
  int _le(const void* e) const override;
  int _le(const dv_collection& other) const override;
  int _gt(const void* e) const override;
  int _gt(const dv_collection& other) const override;
  int _ge(const void* e) const override;
  int _ge(const dv_collection& other) const override;
  int _first(dv_cursor& c, void*& out) const override;
  int _last(dv_cursor& c, void*& out) const override;
  int _next(dv_cursor& c, void*& out) const override;
  int _previous(dv_cursor& c, void*& out) const override;
  dv_collection* _get_innermost_collection() override;
  int _remove_all(const void* e) override;
  unsigned _cardinality() const override;
  int _empty() const override;
  int has_indexes() const override;
  _Indexes*& indexes() override;
  // Removes every element through slot 3, so each removal does the upkeep
  // of the member's kind; the value collection stays, empty. Every element's
  // inverse is asked first (_dv_rel_check_unlink_many), so a refusal leaves
  // the member whole.
  void _clear() override;
  unsigned _get_behavior() const override = 0;
  int _fast_count() const override;
  char* _rep_name() const override;
  int _rep_enum() const override;
  void _check_rep_invariants() const override {}
  void evolve_rep() override {}
  // 76: member offset, inverse offset, the inverse member's index code.
  virtual void get_members(int& member_offset, int& inverse_offset, int& inverse_index_code) const = 0;
  // 77: member offset, inverse offset.
  virtual void get_members(int& member_offset, int& inverse_offset) const = 0;
  // 78: makes the value collection (never null).
  virtual dv_collection* create_relationship_collection(int expected, int has_behavior, unsigned behavior) = 0;
  // 79, 80: the value collection's query entry points; 0 and null without one.
  virtual void* _this_pick_query(int, const void*, unsigned&) const;
  virtual dv_collection* _this_query(int, const void*) const;

 protected:
  dv_rel_many() = default;
  void set_value(dv_collection* c) { value_ = c; }
  dv_collection* value() const { return static_cast<dv_collection*>(value_.resolve()); }
  // Makes the value collection (behaviour: the member's own unless given).
  void make_value(int expected, int has_behavior, unsigned behavior);
  // The value collection, made first when missing.
  dv_collection& made_value();
  void* container(int member_offset) const {
    return const_cast<char*>(reinterpret_cast<const char*>(this)) - member_offset;
  }
  // Destroys the value collection and forgets it; no upkeep.
  void reclaim();
  // Refuses (dv_err_not_supported) when this member is a read-only view.
  void refuse_if_read_only() const;

 private:
  friend struct _Rel_m_1_upkeep;
  friend struct _Rel_m_m_upkeep;

  // Copies the spare word byte by byte (it may never have been set).
  void copy_spare(const dv_rel_many& other) { std::memcpy(&spare_, &other.spare_, sizeof spare_); }

  dv_soft_pointer_base<32> value_;
  // The spare word: constructors leave it as they find it, copies copy it,
  // nothing else reads or writes it; it keeps its place in stored images.
  dv4u spare_;
};

static_assert(sizeof(dv_rel_many) == 12);

// The upkeep of the two many-valued kinds, run after the value collection
// accepted a change: entered (e, member offset, inverse offset) for an
// element that came in, left (...) for one that went out.
struct _Rel_m_1_upkeep;
struct _Rel_m_m_upkeep;

// The explicit forms shared by the many-valued kinds, each: the value
// collection's change first, then the kind's upkeep (Upkeep) for the
// elements that entered or left.
template <class Upkeep>
class _dv_rel_many_upkept : public dv_rel_many {
 public:
  explicit _dv_rel_many_upkept(dv_probe_t p) : dv_rel_many(p) {}

  // The slots that change the member, with the offsets of slot 77; the index
  // forms of insert after, insert before and remove at refuse (the member is
  // unordered).
  void _insert(const void* e) override;
  int _remove(const void* e) override;
  void _insert_first(const void* e) override;
  void _insert_last(const void* e) override;
  void _insert_after(const void* e, unsigned position) override;
  void _insert_after(const void* e, const dv_cursor& c) override;
  void _insert_before(const void* e, unsigned position) override;
  void _insert_before(const void* e, const dv_cursor& c) override;
  void _remove_at(unsigned position) override;
  void _remove_at(const dv_cursor& c) override;

 protected:
  _dv_rel_many_upkept() = default;
  _dv_rel_many_upkept(const _dv_rel_many_upkept& other) = default;
  // The value collection made at once, next to the member.
  _dv_rel_many_upkept(unsigned behavior, int expected);

  void __insert(const void* e, int mo, int io);
  void __insert_first(const void* e, int mo, int io);
  void __insert_last(const void* e, int mo, int io);
  void __insert_after(const void* e, unsigned position, int mo, int io);
  void __insert_after(const void* e, const dv_cursor& c, int mo, int io);
  void __insert_before(const void* e, unsigned position, int mo, int io);
  void __insert_before(const void* e, const dv_cursor& c, int mo, int io);
  int __remove(const void* e, int mo, int io);
  void __remove_at(unsigned position, int mo, int io);
  void __remove_at(const dv_cursor& c, int mo, int io);
  int __remove_first(const void*& out, int mo, int io);
  int __remove_last(const void*& out, int mo, int io);
  void* __replace_at(const void* e, unsigned position, int mo, int io);
  void* __replace_at(const void* e, const dv_cursor& c, int mo, int io);
  int __retrieve_first(const void*& out) const { return dv_rel_many::_retrieve_first(out); }
  int __retrieve_last(const void*& out) const { return dv_rel_many::_retrieve_last(out); }

 private:
  // f(member offset, inverse offset), the offsets read once from slot 77.
  template <class F>
  auto with_offsets(F f) {
    int mo, io;
    get_members(mo, io);
    return f(mo, io);
  }
  // Runs change on the value collection and, when its cardinality rose,
  // the insertion upkeep for e.
  template <class Change>
  void inserting(const void* e, int mo, int io, Change change);
};

extern template class _dv_rel_many_upkept<_Rel_m_1_upkeep>;
extern template class _dv_rel_many_upkept<_Rel_m_m_upkeep>;

// Many-to-one: this side holds many objects, each naming this owner through
// its dv_rel_1_m inverse.
//
// The inverse forms run the upkeep of one element that entered or left the
// member (after the value collection took the change): _insert_inverse and
// _remove_inverse with the offsets and inverse index code of slot 76 (index
// hooks on (e, inverse code, inverse offset) around the store to e's
// inverse), __insert_inverse and __remove_inverse with explicit offsets,
// without hooks or with the inverse code. Every form follows the two-offset
// one: e leaves every occurrence in its former owner's member, and keeps its
// link while it still occurs here.
class dv_rel_m_1 : public _dv_rel_many_upkept<_Rel_m_1_upkeep> {
 public:
  explicit dv_rel_m_1(dv_probe_t p) : _dv_rel_many_upkept<_Rel_m_1_upkeep>(p) {}
  dv_rel_m_1(const dv_rel_m_1& other) = default;
  dv_rel_m_1& operator=(const dv_rel_m_1& other) {
    dv_rel_many::operator=(other);
    return *this;
  }
  // Defined with the kinds' slots (rel_upkeep.cpp), where the virtual table
  // is emitted.
  ~dv_rel_m_1() override;

 protected:
  dv_rel_m_1() = default;
  // The value collection made at once, next to the member.
  dv_rel_m_1(unsigned behavior, int expected) : _dv_rel_many_upkept<_Rel_m_1_upkeep>(behavior, expected) {}

  void _insert_inverse(void* e);
  void _remove_inverse(void* e);
  void __insert_inverse(void* e, int member_offset, int inverse_offset);
  void __insert_inverse(void* e, int member_offset, int inverse_offset, int inverse_index_code);
  void __remove_inverse(void* e, int member_offset, int inverse_offset);
  void __remove_inverse(void* e, int member_offset, int inverse_offset, int inverse_index_code);
};

// Many-to-many: the inverse is a dv_rel_m_m as well. The inverse forms run
// the upkeep of one element that entered or left (offsets of slot 77, or
// explicit), as for dv_rel_m_1; no index codes.
class dv_rel_m_m : public _dv_rel_many_upkept<_Rel_m_m_upkeep> {
 public:
  explicit dv_rel_m_m(dv_probe_t p) : _dv_rel_many_upkept<_Rel_m_m_upkeep>(p) {}
  dv_rel_m_m(const dv_rel_m_m& other) = default;
  dv_rel_m_m& operator=(const dv_rel_m_m& other) {
    dv_rel_many::operator=(other);
    return *this;
  }
  ~dv_rel_m_m() override;  // see ~dv_rel_m_1

 protected:
  dv_rel_m_m() = default;
  dv_rel_m_m(unsigned behavior, int expected) : _dv_rel_many_upkept<_Rel_m_m_upkeep>(behavior, expected) {}

  void _insert_inverse(void* e);
  void _remove_inverse(void* e);
  void __insert_inverse(void* e, int member_offset, int inverse_offset);
  void __remove_inverse(void* e, int member_offset, int inverse_offset);
};

// A read-only view of a many-valued member: reads as dv_rel_many does;
// every write refuses with dv_err_not_supported
// "_Reloc_missing_virtual_function()" (the index forms of insert after,
// insert before and remove at with their unordered-collection texts).
class _dv_rel_many_readonly : public dv_rel_many {
 public:
  explicit _dv_rel_many_readonly(dv_probe_t p) : dv_rel_many(p) {}
  _dv_rel_many_readonly(const _dv_rel_many_readonly& other) = default;
  _dv_rel_many_readonly& operator=(const _dv_rel_many_readonly& other);
  _dv_rel_many_readonly& operator=(const dv_collection& other);
  _dv_rel_many_readonly& operator=(const void* e);
  ~_dv_rel_many_readonly() override = default;

  void _insert(const void* e) override;
  int _remove(const void* e) override;
  void _insert_first(const void* e) override;
  void _insert_last(const void* e) override;
  int _remove_first(const void*& out) override;
  int _remove_last(const void*& out) override;
  void _insert_after(const void* e, unsigned position) override;
  void _insert_after(const void* e, const dv_cursor& c) override;
  void _insert_before(const void* e, unsigned position) override;
  void _insert_before(const void* e, const dv_cursor& c) override;
  void _remove_at(unsigned position) override;
  void _remove_at(const dv_cursor& c) override;
  void* _replace_at(const void* e, const dv_cursor& c) override;
  dv_collection& _assign(const void* e) override;
  dv_collection& _assign(const dv_collection& other) override;
  dv_collection& _assign_or(const void* e) override;
  dv_collection& _assign_or(const dv_collection& other) override;
  dv_collection& _assign_and(const void* e) override;
  dv_collection& _assign_and(const dv_collection& other) override;
  dv_collection& _assign_sub(const void* e) override;
  dv_collection& _assign_sub(const dv_collection& other) override;
  int _remove_all(const void* e) override;
  void _clear() override;
  unsigned _get_behavior() const override;
  void get_members(int&, int&, int&) const override;
  void get_members(int&, int&) const override;
  dv_collection* create_relationship_collection(int, int, unsigned) override;

 protected:
  void make_value(int expected);

 private:
  _dv_rel_many_readonly() = default;
  friend class _dv_rel_many_readonly_generic;
  friend void _VRN_set_rel_minimal_dispatch_tables();
};

// The generic read-only view: no value collection is ever made for it.
class _dv_rel_many_readonly_generic : public _dv_rel_many_readonly {
 public:
  explicit _dv_rel_many_readonly_generic(dv_probe_t p) : _dv_rel_many_readonly(p) {}
  _dv_rel_many_readonly_generic(const _dv_rel_many_readonly_generic& other) = default;
  ~_dv_rel_many_readonly_generic() override = default;

  // 0, the output left as it is.
  int _retrieve_first(const void*& out) const override;
  int _retrieve_last(const void*& out) const override;
  unsigned _get_behavior() const override { return 0; }
  void _check_rep_invariants() const override {}
  // 81: 0.
  virtual int _generic_view_slot() const { return 0; }
};

// Raises the runtime's refusal (no update transaction, a database opened
// read-only) when this process may not write the persistent object now;
// nothing for a transient one. Upkeep asks it of every object it will write
// before anything changes.
void _Rel_may_write(const void* object);

// Raises the runtime's refusal when unlinking every element of the
// many-valued member at `member` would write an inverse member (at the
// element plus the inverse offset of slot 77) this process may not write now.
void _dv_rel_check_unlink_many(const void* member);

// Removes every occurrence of e from c, whatever c's own removal answers;
// 1 when any was removed.
int _Rel_remove_every_occurrence(dv_collection& c, const void* e);

// Once per process at the library's start-up: makes the read-only views'
// virtual tables live.
void _VRN_set_rel_minimal_dispatch_tables();

}  // namespace dv_qem
