// Typed relationship members: one class per relationship member, telling its
// kind where the member and its inverse lie. A program names each member with
// a small description struct:
//
//   struct dept_products {                // Dept::products, inverse Item::dept
//     static int member_offset() { return dv_rel_offset(&Dept::products); }
//     static int inverse_offset() { return dv_rel_offset(&Item::dept); }
//     static constexpr unsigned value_behavior = 0;  // many-valued: a set
//   };
//   dv_rel_m_1_member<dept_products> products;
//
// The owner's typespec lists every soft pointer of its members (a
// single-valued member at its own offset, a many-valued one at its offset
// plus 4) and the virtual-table pointer of each many-valued member (at its
// offset), so that they are relocated:
//
//   struct Dept {
//     Dept() = default;
//     explicit Dept(dv_probe_t p) : products(p) {}  // for learning the vtables
//     virtual ~Dept() = default;                     // vtable pointer at 0
//     dv_rel_m_1_member<dept_products> products;     // at 4: vtable 4, pointer 8
//   };
//   DV_DEFINE_TYPESPEC(Dept, "Dept", DV_POINTERS(8), DV_VTABLES(0, 4));
//
// An owner of a many-valued member must itself have a virtual function (and
// the dv_probe_t constructor): the runtime learns the member's virtual table
// by constructing the owner with dv_probe, which only a polymorphic owner
// offers. Registering the typespec of an owner without one is refused,
// naming the class. (An owner may also derive from its one many-valued
// member, which then sits at offset 0 and shares the owner's vtable.)
//
// Every change through the general dv_collection interface keeps the
// inverse side in step; destroying a member unlinks it first, unless the
// runtime may not write its owner or a partner now, and dv_rel_delete
// refuses such a deletion before anything changes.
#pragma once

#include "durnavel.h"
#include "dv_err.h"
#include "dv_cursor.h"
#include "dv_rel.h"
#include "dv_typespec.h"

#include <type_traits>

namespace dv_qem {

// The byte offset of a member in its class (the class's storage is not read).
template <class Owner, class Member>
int dv_rel_offset(Member Owner::*member) {
  alignas(Owner) static unsigned char storage[sizeof(Owner)];
  auto* owner = reinterpret_cast<Owner*>(storage);
  return static_cast<int>(reinterpret_cast<unsigned char*>(&(owner->*member)) - storage);
}

// Whether the runtime lets this process write the persistent object now (a
// transient object always). A member whose owner may not be written is left
// as it is at destruction: its upkeep would write other objects.
inline bool _dv_rel_writable_now(const void* object) noexcept {
  if (object == nullptr || !durnavel::is_persistent(object)) return true;
  try {
    durnavel::touch(object, 1);
    return true;
  } catch (const dv_err&) {
    return false;
  }
}

// Raises the runtime's refusal when unlinking the member at `member` would
// write an object this process may not write now.
using _dv_rel_unlink_check = void (*)(const void* member);
// Remembers the unlink check of the typed many-valued member class whose
// virtual table is vtable.
void _dv_rel_register_many(const void* vtable, _dv_rel_unlink_check check);
// Raises the runtime's refusal when deleting owner would write an object this
// process may not write now: the owner, the elements' inverses of its
// many-valued members, and the target of every other pointer member (its
// one-valued members among them). ts describes the owner when it is not
// stored in a database.
void _dv_rel_check_delete(const void* owner, const dv_typespec* ts);

// Deletes an owner of relationship members: the runtime's refusal to write
// the owner or any partner its members would unlink (no update transaction,
// a database opened read-only) is raised before anything changes; otherwise
// its members unlink and it is freed. Owner needs its typespec.
template <class Owner>
void dv_rel_delete(Owner* owner) {
  if (owner == nullptr) return;
  _dv_rel_check_delete(owner, &dv_ts<Owner>::the_instance);
  // An owner that is itself a many-valued member (the member at offset 0,
  // sharing the owner's virtual table).
  if constexpr (std::is_base_of_v<dv_rel_many, Owner>) _dv_rel_check_unlink_many(static_cast<const dv_rel_many*>(owner));
  delete owner;
}

// A typed many-valued member over Kind (dv_rel_m_1 or dv_rel_m_m).
template <class Kind, class Spec>
class dv_rel_typed_many : public Kind {
 public:
  dv_rel_typed_many() { enrol(); }
  explicit dv_rel_typed_many(dv_probe_t p) : Kind(p) { enrol(); }
  // A copy starts empty (see dv_rel_many).
  dv_rel_typed_many(const dv_rel_typed_many& other) : Kind(other) { enrol(); }
  dv_rel_typed_many& operator=(const dv_rel_typed_many& other) {
    Kind::operator=(other);
    return *this;
  }
  dv_rel_typed_many& operator=(const dv_collection& other) {
    this->_assign(other);
    return *this;
  }
  // Empties the member with upkeep; then the kind destroys the value
  // collection.
  // A member whose owner or partners may not be written now is left as it is.
  ~dv_rel_typed_many() override {
    if (!_dv_rel_writable_now(this)) return;
    try {
      check_unlink(this);
    } catch (const dv_err&) {
      return;
    }
    this->clear();
  }

  // Raises the runtime's refusal when an element's inverse, which clearing
  // the member writes, may not be written now.
  static void check_unlink(const void* member) {
    _dv_rel_check_unlink_many(static_cast<const dv_rel_many*>(static_cast<const dv_rel_typed_many*>(member)));
  }

  void get_members(int& mo, int& io, int& code) const override {
    mo = Spec::member_offset();
    io = Spec::inverse_offset();
    code = -1;
  }
  void get_members(int& mo, int& io) const override {
    mo = Spec::member_offset();
    io = Spec::inverse_offset();
  }
  dv_collection* create_relationship_collection(int expected, int has_behavior, unsigned behavior) override {
    return &dv_collection::create(static_cast<const void*>(this), has_behavior ? behavior : Spec::value_behavior,
                                  static_cast<unsigned>(expected));
  }
  unsigned _get_behavior() const override {
    return this->value() ? this->value()->get_behavior() : Spec::value_behavior;
  }

  void _insert(const void* e) override { this->__insert(e, mo(), io()); }
  int _remove(const void* e) override { return this->__remove(e, mo(), io()); }
  void _insert_first(const void* e) override { this->__insert_first(e, mo(), io()); }
  void _insert_last(const void* e) override { this->__insert_last(e, mo(), io()); }
  int _remove_first(const void*& out) override { return this->__remove_first(out, mo(), io()); }
  int _remove_last(const void*& out) override { return this->__remove_last(out, mo(), io()); }
  int _retrieve_first(const void*& out) const override { return this->__retrieve_first(out); }
  int _retrieve_last(const void*& out) const override { return this->__retrieve_last(out); }
  void _insert_after(const void* e, unsigned p) override { this->__insert_after(e, p, mo(), io()); }
  void _insert_after(const void* e, const dv_cursor& c) override { this->__insert_after(e, c, mo(), io()); }
  void _insert_before(const void* e, unsigned p) override { this->__insert_before(e, p, mo(), io()); }
  void _insert_before(const void* e, const dv_cursor& c) override { this->__insert_before(e, c, mo(), io()); }
  void _remove_at(unsigned p) override { this->__remove_at(p, mo(), io()); }
  void _remove_at(const dv_cursor& c) override { this->__remove_at(c, mo(), io()); }
  void* _replace_at(const void* e, unsigned p) override { return this->__replace_at(e, p, mo(), io()); }
  void* _replace_at(const void* e, const dv_cursor& c) override { return this->__replace_at(e, c, mo(), io()); }
  // Removing every occurrence goes through the upkeep as well.
  int _remove_all(const void* e) override {
    int removed = 0;
    while (e != nullptr && this->_contains(e)) {
      const unsigned before = this->cardinality();
      this->_remove(e);
      if (this->cardinality() == before) break;
      removed = 1;
    }
    return removed;
  }

 private:
  static int mo() { return Spec::member_offset(); }
  static int io() { return Spec::inverse_offset(); }
  // Makes this class's unlink check known to dv_rel_delete.
  void enrol() const {
    static const bool enrolled =
        (_dv_rel_register_many(*reinterpret_cast<const void* const*>(this), &check_unlink), true);
    (void)enrolled;
  }
};

template <class Spec>
using dv_rel_m_1_member = dv_rel_typed_many<dv_rel_m_1, Spec>;
template <class Spec>
using dv_rel_m_m_member = dv_rel_typed_many<dv_rel_m_m, Spec>;

// A typed one-to-many member: names one owner, whose many-to-one inverse
// holds this member's owner.
template <class Spec>
class dv_rel_1_m_member : public dv_rel_1_m {
 public:
  dv_rel_1_m_member() = default;
  // A copy starts unlinked.
  dv_rel_1_m_member(const dv_rel_1_m_member&) : dv_rel_1_m() {}
  dv_rel_1_m_member& operator=(void* v) {
    setvalue(v, Spec::member_offset(), Spec::inverse_offset());
    return *this;
  }
  dv_rel_1_m_member& operator=(const dv_rel_1_m_member& other) { return *this = other.getvalue(); }
  // Leaves the target's inverse member (not when it or the target may not be
  // written now).
  ~dv_rel_1_m_member() {
    if (_dv_rel_writable_now(this) && _dv_rel_writable_now(getvalue()))
      setvalue(nullptr, Spec::member_offset(), Spec::inverse_offset());
  }
};

// A typed one-to-one member: the partner's member of the same kind names
// this member's owner.
template <class Spec>
class dv_rel_1_1_member : public dv_rel_1_1 {
 public:
  dv_rel_1_1_member() = default;
  dv_rel_1_1_member(const dv_rel_1_1_member&) : dv_rel_1_1() {}
  dv_rel_1_1_member& operator=(void* v) {
    setvalue(v, Spec::member_offset(), Spec::inverse_offset());
    return *this;
  }
  dv_rel_1_1_member& operator=(const dv_rel_1_1_member& other) { return *this = other.getvalue(); }
  ~dv_rel_1_1_member() {
    if (_dv_rel_writable_now(this) && _dv_rel_writable_now(getvalue()))
      setvalue(nullptr, Spec::member_offset(), Spec::inverse_offset());
  }
};

// ---- the library's own typed classes, with fixed offsets --------------------

// A description with constant offsets and value behaviour.
template <int MemberOffset, int InverseOffset, unsigned ValueBehavior = 0>
struct dv_rel_fixed_offsets {
  static int member_offset() { return MemberOffset; }
  static int inverse_offset() { return InverseOffset; }
  static constexpr unsigned value_behavior = ValueBehavior;
};

// A many-to-one member at offset 0 of its owner (an owner deriving from it),
// whose one-to-many inverse lies at offset 0 of the related class.
using dv_rel_m_1_at_0 = dv_rel_m_1_member<dv_rel_fixed_offsets<0, 0>>;
// That inverse: a one-to-many member at offset 0, naming a dv_rel_m_1_at_0
// owner.
using dv_rel_1_m_at_0 = dv_rel_1_m_member<dv_rel_fixed_offsets<0, 0>>;
// A pair of many-to-many members, each the other's inverse: one at offset 12
// of its owner, the other at offset 4 of the related class.
using dv_rel_m_m_at_12 = dv_rel_m_m_member<dv_rel_fixed_offsets<12, 4>>;
using dv_rel_m_m_at_4 = dv_rel_m_m_member<dv_rel_fixed_offsets<4, 12>>;

}  // namespace dv_qem
