// The many-valued relationship kinds: every change goes to the value
// collection first and the inverse side follows only what it accepted, so a
// refused or ignored change leaves both sides as they were.
#include "coll_messages.h"
#include "dv_cursor.h"
#include "dv_rel.h"
#include "durnavel.h"

namespace dv_qem {

namespace {

dv_rel_single& single_at(const void* object, int offset) {
  return *reinterpret_cast<dv_rel_single*>(const_cast<char*>(static_cast<const char*>(object)) + offset);
}

dv_rel_many& many_at(const void* object, int offset) {
  return *reinterpret_cast<dv_rel_many*>(const_cast<char*>(static_cast<const char*>(object)) + offset);
}

bool allows_duplicates(const dv_collection& c) { return (c.get_behavior() & dv_allow_duplicates) != 0; }

}  // namespace

void _Rel_may_write(const void* object) {
  if (object != nullptr && durnavel::is_persistent(object)) durnavel::touch(object, 1);
}

// Many-to-one: each element's dv_rel_1_m inverse names the one owner that
// holds it.
struct _Rel_m_1_upkeep {
  // Raises the runtime's refusal when entered (or left) would write an
  // object this process may not write now; called before the member changes.
  static void may_enter(dv_rel_many& member, const void* e, int mo, int io) {
    void* owner = member.container(mo);
    const dv_rel_single& inverse = single_at(e, io);
    void* former = inverse.value();
    if (former == owner) return;
    _Rel_may_write(&inverse);
    if (former != nullptr) _Rel_may_write(&many_at(former, mo));
  }
  static void may_leave(dv_rel_many& member, const void* e, int mo, int io) {
    const dv_rel_single& inverse = single_at(e, io);
    if (inverse.value() == member.container(mo)) _Rel_may_write(&inverse);
  }
  // e entered this owner's member: it leaves its former owner (never this
  // one: a member that ignores an element it holds would lose it) and names
  // this owner.
  // With an inverse index code other than -1 the index hooks run on (e,
  // code, inverse offset) around the store to e's inverse.
  static void entered(dv_rel_many& member, void* e, int mo, int io, int icode = -1) {
    void* owner = member.container(mo);
    dv_rel_single& inverse = single_at(e, io);
    void* former = inverse.value();
    if (former == owner) return;
    if (former != nullptr) many_at(former, mo).remove_simple_all(e);
    store(inverse, owner, e, io, icode);
  }
  // One occurrence of e left: while e still occurs it stays this owner's;
  // an inverse naming another owner is that owner's business.
  static void left(dv_rel_many& member, void* e, int mo, int io, int icode = -1) {
    if (member.value() != nullptr && member.value()->_contains(e)) return;
    dv_rel_single& inverse = single_at(e, io);
    if (inverse.value() == member.container(mo)) store(inverse, nullptr, e, io, icode);
  }
  static void store(dv_rel_single& inverse, void* owner, void* e, int io, int icode) {
    if (icode != -1) _dv_rel_index_hook_before(e, icode, io);
    inverse.set_value(owner);
    if (icode != -1) _dv_rel_index_hook_after(e, icode, io);
  }
};

// Many-to-many: each element's dv_rel_m_m inverse holds this owner.
struct _Rel_m_m_upkeep {
  static void may_enter(dv_rel_many&, const void* e, int, int io) { _Rel_may_write(&many_at(e, io)); }
  static void may_leave(dv_rel_many&, const void* e, int, int io) { _Rel_may_write(&many_at(e, io)); }
  static void entered(dv_rel_many& member, void* e, int mo, int io) {
    many_at(e, io).insert_simple(member.container(mo));
  }
  // Without duplicates here, the owner leaves e's inverse altogether; with
  // them, one occurrence leaves, unless the inverse keeps one occurrence only
  // and e still occurs here.
  static void left(dv_rel_many& member, void* e, int mo, int io) {
    void* owner = member.container(mo);
    dv_rel_many& inverse = many_at(e, io);
    if (!allows_duplicates(member)) {
      inverse.remove_simple_all(owner);
      return;
    }
    if (!allows_duplicates(inverse) && member.value() != nullptr && member.value()->_contains(e)) return;
    inverse.remove_simple(owner);
  }
};

template <class Upkeep>
template <class Change>
void _dv_rel_many_upkept<Upkeep>::inserting(const void* e, int mo, int io, Change change) {
  if (e == nullptr) return;
  Upkeep::may_enter(*this, e, mo, io);
  dv_collection& v = made_value();
  const unsigned before = v.cardinality();
  change(v);
  if (v.cardinality() > before) Upkeep::entered(*this, const_cast<void*>(e), mo, io);
}

template <class Upkeep>
void _dv_rel_many_upkept<Upkeep>::__insert(const void* e, int mo, int io) {
  inserting(e, mo, io, [e](dv_collection& v) { v._insert(e); });
}

template <class Upkeep>
void _dv_rel_many_upkept<Upkeep>::__insert_first(const void* e, int mo, int io) {
  inserting(e, mo, io, [e](dv_collection& v) { v._insert_first(e); });
}

template <class Upkeep>
void _dv_rel_many_upkept<Upkeep>::__insert_last(const void* e, int mo, int io) {
  inserting(e, mo, io, [e](dv_collection& v) { v._insert_last(e); });
}

template <class Upkeep>
void _dv_rel_many_upkept<Upkeep>::__insert_after(const void* e, unsigned position, int mo, int io) {
  inserting(e, mo, io, [e, position](dv_collection& v) { v._insert_after(e, position); });
}

template <class Upkeep>
void _dv_rel_many_upkept<Upkeep>::__insert_after(const void* e, const dv_cursor& c, int mo, int io) {
  if (value() == nullptr) dv_coll_raise<coll_msg::insert_after_null_cursor>();
  inserting(e, mo, io, [e, &c](dv_collection& v) { v._insert_after(e, c); });
}

template <class Upkeep>
void _dv_rel_many_upkept<Upkeep>::__insert_before(const void* e, unsigned position, int mo, int io) {
  inserting(e, mo, io, [e, position](dv_collection& v) { v._insert_before(e, position); });
}

template <class Upkeep>
void _dv_rel_many_upkept<Upkeep>::__insert_before(const void* e, const dv_cursor& c, int mo, int io) {
  if (value() == nullptr) dv_coll_raise<coll_msg::insert_before_null_cursor>();
  inserting(e, mo, io, [e, &c](dv_collection& v) { v._insert_before(e, c); });
}

template <class Upkeep>
int _dv_rel_many_upkept<Upkeep>::__remove(const void* e, int mo, int io) {
  if (e == nullptr || value() == nullptr) return 0;
  if (value()->_contains(e)) Upkeep::may_leave(*this, e, mo, io);
  // A hash bag answers 0 while occurrences remain: what left is read from
  // the cardinality.
  const unsigned before = value()->cardinality();
  const int removed = value()->_remove(e);
  if (value()->cardinality() < before) Upkeep::left(*this, const_cast<void*>(e), mo, io);
  return removed;
}

template <class Upkeep>
void _dv_rel_many_upkept<Upkeep>::__remove_at(unsigned position, int mo, int io) {
  dv_collection& v = made_value();
  void* e = v._retrieve(position);
  if (e != nullptr) Upkeep::may_leave(*this, e, mo, io);
  v._remove_at(position);
  if (e != nullptr) Upkeep::left(*this, e, mo, io);
}

template <class Upkeep>
void _dv_rel_many_upkept<Upkeep>::__remove_at(const dv_cursor& c, int mo, int io) {
  if (value() == nullptr) dv_coll_raise<coll_msg::remove_at_null_cursor>();
  void* e = value()->_retrieve(c);
  if (e != nullptr) Upkeep::may_leave(*this, e, mo, io);
  value()->_remove_at(c);
  if (e != nullptr) Upkeep::left(*this, e, mo, io);
}

template <class Upkeep>
int _dv_rel_many_upkept<Upkeep>::__remove_first(const void*& out, int mo, int io) {
  if (value() == nullptr || value()->cardinality() == 0) return 0;
  const void* leaving = nullptr;
  if (value()->_retrieve_first(leaving) != 0 && leaving != nullptr) Upkeep::may_leave(*this, leaving, mo, io);
  if (value()->_remove_first(out) == 0 || out == nullptr) return 0;
  Upkeep::left(*this, const_cast<void*>(out), mo, io);
  return 1;
}

template <class Upkeep>
int _dv_rel_many_upkept<Upkeep>::__remove_last(const void*& out, int mo, int io) {
  if (value() == nullptr || value()->cardinality() == 0) return 0;
  const void* leaving = nullptr;
  if (value()->_retrieve_last(leaving) != 0 && leaving != nullptr) Upkeep::may_leave(*this, leaving, mo, io);
  if (value()->_remove_last(out) == 0 || out == nullptr) return 0;
  Upkeep::left(*this, const_cast<void*>(out), mo, io);
  return 1;
}

template <class Upkeep>
void* _dv_rel_many_upkept<Upkeep>::__replace_at(const void* e, unsigned position, int mo, int io) {
  if (e == nullptr) return nullptr;
  if (void* old = made_value()._retrieve(position); old != nullptr && old != e) {
    Upkeep::may_leave(*this, old, mo, io);
    Upkeep::may_enter(*this, e, mo, io);
  }
  void* old = made_value()._replace_at(e, position);
  if (old == e) return old;
  if (old != nullptr) Upkeep::left(*this, old, mo, io);
  Upkeep::entered(*this, const_cast<void*>(e), mo, io);
  return old;
}

template <class Upkeep>
void* _dv_rel_many_upkept<Upkeep>::__replace_at(const void* e, const dv_cursor& c, int mo, int io) {
  if (value() == nullptr) dv_coll_raise<coll_msg::replace_at_null_cursor>();
  if (e == nullptr) return nullptr;
  if (void* old = value()->_retrieve(c); old != nullptr && old != e) {
    Upkeep::may_leave(*this, old, mo, io);
    Upkeep::may_enter(*this, e, mo, io);
  }
  void* old = value()->_replace_at(e, c);
  if (old == e) return old;
  if (old != nullptr) Upkeep::left(*this, old, mo, io);
  Upkeep::entered(*this, const_cast<void*>(e), mo, io);
  return old;
}

// ---- the slots: offsets from slot 77; the index forms refuse ------------------

template <class Upkeep>
void _dv_rel_many_upkept<Upkeep>::_insert(const void* e) {
  with_offsets([&](int mo, int io) { return __insert(e, mo, io); });
}

template <class Upkeep>
int _dv_rel_many_upkept<Upkeep>::_remove(const void* e) {
  return with_offsets([&](int mo, int io) { return __remove(e, mo, io); });
}

template <class Upkeep>
void _dv_rel_many_upkept<Upkeep>::_insert_first(const void* e) {
  with_offsets([&](int mo, int io) { return __insert_first(e, mo, io); });
}

template <class Upkeep>
void _dv_rel_many_upkept<Upkeep>::_insert_last(const void* e) {
  with_offsets([&](int mo, int io) { return __insert_last(e, mo, io); });
}

template <class Upkeep>
void _dv_rel_many_upkept<Upkeep>::_insert_after(const void*, unsigned) {
  dv_coll_raise<coll_msg::insert_after_unordered>(rep_name());
}

template <class Upkeep>
void _dv_rel_many_upkept<Upkeep>::_insert_after(const void* e, const dv_cursor& c) {
  with_offsets([&](int mo, int io) { return __insert_after(e, c, mo, io); });
}

template <class Upkeep>
void _dv_rel_many_upkept<Upkeep>::_insert_before(const void*, unsigned) {
  dv_coll_raise<coll_msg::insert_before_not_supported_by>(rep_name());
}

template <class Upkeep>
void _dv_rel_many_upkept<Upkeep>::_insert_before(const void* e, const dv_cursor& c) {
  with_offsets([&](int mo, int io) { return __insert_before(e, c, mo, io); });
}

template <class Upkeep>
void _dv_rel_many_upkept<Upkeep>::_remove_at(unsigned) {
  dv_coll_raise<coll_msg::remove_at_unordered>(rep_name());
}

template <class Upkeep>
void _dv_rel_many_upkept<Upkeep>::_remove_at(const dv_cursor& c) {
  with_offsets([&](int mo, int io) { return __remove_at(c, mo, io); });
}

template <class Upkeep>
_dv_rel_many_upkept<Upkeep>::_dv_rel_many_upkept(unsigned behavior, int expected) {
  set_value(&dv_collection::create(static_cast<const void*>(this), behavior, static_cast<unsigned>(expected)));
}

template class _dv_rel_many_upkept<_Rel_m_1_upkeep>;
template class _dv_rel_many_upkept<_Rel_m_m_upkeep>;

dv_rel_m_1::~dv_rel_m_1() = default;
dv_rel_m_m::~dv_rel_m_m() = default;

// ---- the inverse forms ---------------------------------------------------------

void _dv_rel_index_hook_before(void*, int, int) noexcept {}
void _dv_rel_index_hook_after(void*, int, int) noexcept {}

void dv_rel_m_1::_insert_inverse(void* e) {
  int mo, io, icode;
  get_members(mo, io, icode);
  __insert_inverse(e, mo, io, icode);
}

void dv_rel_m_1::_remove_inverse(void* e) {
  int mo, io, icode;
  get_members(mo, io, icode);
  __remove_inverse(e, mo, io, icode);
}

void dv_rel_m_1::__insert_inverse(void* e, int mo, int io) { __insert_inverse(e, mo, io, -1); }

void dv_rel_m_1::__insert_inverse(void* e, int mo, int io, int icode) {
  if (e == nullptr) return;
  _Rel_m_1_upkeep::may_enter(*this, e, mo, io);
  _Rel_m_1_upkeep::entered(*this, e, mo, io, icode);
}

void dv_rel_m_1::__remove_inverse(void* e, int mo, int io) { __remove_inverse(e, mo, io, -1); }

void dv_rel_m_1::__remove_inverse(void* e, int mo, int io, int icode) {
  if (e == nullptr) return;
  _Rel_m_1_upkeep::may_leave(*this, e, mo, io);
  _Rel_m_1_upkeep::left(*this, e, mo, io, icode);
}

void dv_rel_m_m::_insert_inverse(void* e) {
  int mo, io;
  get_members(mo, io);
  __insert_inverse(e, mo, io);
}

void dv_rel_m_m::_remove_inverse(void* e) {
  int mo, io;
  get_members(mo, io);
  __remove_inverse(e, mo, io);
}

void dv_rel_m_m::__insert_inverse(void* e, int mo, int io) {
  if (e == nullptr) return;
  _Rel_m_m_upkeep::may_enter(*this, e, mo, io);
  _Rel_m_m_upkeep::entered(*this, e, mo, io);
}

void dv_rel_m_m::__remove_inverse(void* e, int mo, int io) {
  if (e == nullptr) return;
  _Rel_m_m_upkeep::may_leave(*this, e, mo, io);
  _Rel_m_m_upkeep::left(*this, e, mo, io);
}

}  // namespace dv_qem
