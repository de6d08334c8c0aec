// Guards the relationship forms beside the upkeep: the spare word at offset 8
// of a many-valued member (constructors leave it, copies copy it); the
// library's four fixed-offset typed classes (a many-to-one member at offset 0
// of an owner deriving from it with its one-to-many inverse at offset 0, and
// the many-to-many pair at offsets 12 and 4) linking, moving and unlinking on
// deletion; the index-code forms of the kinds, which link exactly as the
// forms without codes do; and the refusal, naming the class, of a typespec
// whose class has members with virtual functions but none of its own.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "coll_db_test.h"
#include "dv_err.h"
#include "dv_new.h"
#include "dv_rel_typed.h"
#include "dv_thrown_by.h"
#include "dv_typespec.h"

using namespace dv_qem;
using dv_test::thrown_by;

namespace {

// ---- owners of the fixed-offset classes ------------------------------------------------------

struct FxParent : dv_rel_m_1_at_0 {
  FxParent() = default;
  explicit FxParent(dv_probe_t p) : dv_rel_m_1_at_0(p) {}
  int n = 0;
};

struct FxChild {
  dv_rel_1_m_at_0 parent;
  int n = 0;
};

struct FxX {
  FxX() = default;
  explicit FxX(dv_probe_t p) : ys(p) {}
  virtual ~FxX() = default;
  int a = 0;
  int b = 0;
  dv_rel_m_m_at_12 ys;
};

struct FxY {
  FxY() = default;
  explicit FxY(dv_probe_t p) : xs(p) {}
  virtual ~FxY() = default;
  dv_rel_m_m_at_4 xs;
};

// ---- owners of the index-code forms ----------------------------------------------------------

struct hooked_1_1 : dv_rel_1_1 {
  using dv_rel_1_1::set_inverse;
  using dv_rel_1_1::set_simple;
  using dv_rel_1_1::setvalue;
  using dv_rel_1_1::unset_inverse;
};

struct hooked_1_m : dv_rel_1_m {
  using dv_rel_1_m::setvalue;
};

struct Pair {
  hooked_1_1 partner;  // at 0, its own inverse
  hooked_1_m group;    // at 4, inverse Group::members
  int id = 0;
};

struct group_members {
  static int member_offset() { return 4; }
  static int inverse_offset() { return 4; }
  static constexpr unsigned value_behavior = 0;
};

struct hooked_m_1 : dv_rel_m_1_member<group_members> {
  hooked_m_1() = default;
  explicit hooked_m_1(dv_probe_t p) : dv_rel_m_1_member<group_members>(p) {}
  using dv_rel_m_1::__insert_inverse;
  using dv_rel_m_1::__remove_inverse;
  using dv_rel_m_1::_insert_inverse;
  using dv_rel_m_1::_remove_inverse;
};

struct Group {
  Group() = default;
  explicit Group(dv_probe_t p) : members(p) {}
  virtual ~Group() = default;
  hooked_m_1 members;  // at 4
};

// A class whose member has virtual functions while it has none.
struct PlainOwner {
  int id = 0;
  dv_rel_m_1_member<group_members> kids;
};

}  // namespace

DV_DEFINE_TYPESPEC(FxParent, "RelFormsFxParent", DV_POINTERS(4), DV_VTABLES(0));
DV_DEFINE_TYPESPEC(FxChild, "RelFormsFxChild", DV_POINTERS(0), DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(FxX, "RelFormsFxX", DV_POINTERS(16), DV_VTABLES(0, 12));
DV_DEFINE_TYPESPEC(FxY, "RelFormsFxY", DV_POINTERS(8), DV_VTABLES(0, 4));
DV_DEFINE_TYPESPEC(Pair, "RelFormsPair", DV_POINTERS(0, 4), DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(Group, "RelFormsGroup", DV_POINTERS(8), DV_VTABLES(0, 4));

namespace {

class RelForms : public dv_test::coll_db_test {
 protected:
  void SetUp() override { db_ = dv_database::create(path("forms.db").c_str(), 0644, 0, 0); }
  void TearDown() override { db_->close(); }

  template <class T>
  T* make() {
    return new (db_, &dv_ts<T>::the_instance) T();
  }

  dv_database* db_ = nullptr;
};

// ---- the spare word ----------------------------------------------------------------------------

// Fills storage out of the compiler's sight, as the allocator's or the
// file's bytes are: a store it can see right before a constructor it may drop.
__attribute__((noinline)) void fill(void* storage, int byte, std::size_t size) {
  std::memset(storage, byte, size);
  asm volatile("" : : "r"(storage) : "memory");
}

dv4u spare_of(const void* member) {
  asm volatile("" : : "r"(member) : "memory");
  dv4u word;
  std::memcpy(&word, static_cast<const char*>(member) + 8, sizeof word);
  return word;
}

TEST_F(RelForms, TheSpareWordIsLeftByConstructorsAndCopiedByCopies) {
  using member_t = dv_rel_m_m_at_4;
  static_assert(sizeof(member_t) == 12);
  alignas(member_t) unsigned char a[sizeof(member_t)];
  alignas(member_t) unsigned char b[sizeof(member_t)];
  alignas(member_t) unsigned char c[sizeof(member_t)];
  fill(a, 0xA5, sizeof a);
  fill(b, 0x5A, sizeof b);
  fill(c, 0x3C, sizeof c);
  auto* first = ::new (a) member_t();
  EXPECT_EQ(spare_of(first), 0xA5A5A5A5u) << "the default constructor leaves it";
  auto* probed = ::new (c) member_t(dv_probe);
  EXPECT_EQ(spare_of(probed), 0x3C3C3C3Cu) << "the probe constructor leaves it";
  auto* copy = ::new (b) member_t(*first);
  EXPECT_EQ(spare_of(copy), 0xA5A5A5A5u) << "a copy copies it";
  *probed = *copy;
  EXPECT_EQ(spare_of(probed), 0xA5A5A5A5u) << "an assignment copies it";
  first->~member_t();
  copy->~member_t();
  probed->~member_t();
}

// ---- the fixed-offset classes -----------------------------------------------------------------

TEST_F(RelForms, TheFixedOffsetClassesKeepBothSides) {
  ASSERT_EQ(dv_rel_offset(&FxX::ys), 12);
  ASSERT_EQ(dv_rel_offset(&FxY::xs), 4);
  ASSERT_EQ(dv_rel_offset(&FxChild::parent), 0);
  {
    FxParent probe;
    ASSERT_EQ(static_cast<void*>(static_cast<dv_rel_m_1_at_0*>(&probe)), static_cast<void*>(&probe))
        << "the many-to-one member sits at offset 0 of its owner";
  }

  auto* p = make<FxParent>();
  auto* q = make<FxParent>();
  auto* c = make<FxChild>();
  auto* d = make<FxChild>();
  p->insert(c);
  EXPECT_EQ(c->parent.getvalue(), p);
  d->parent = p;
  EXPECT_TRUE(p->contains(d));
  EXPECT_EQ(p->cardinality(), 2u);
  c->parent = q;
  EXPECT_FALSE(p->contains(c));
  EXPECT_TRUE(q->contains(c));

  auto* x = make<FxX>();
  auto* y = make<FxY>();
  auto* z = make<FxY>();
  x->ys.insert(y);
  z->xs.insert(x);
  EXPECT_TRUE(y->xs.contains(x));
  EXPECT_TRUE(x->ys.contains(z));
  y->xs.remove(x);
  EXPECT_FALSE(x->ys.contains(y));

  dv_rel_delete(q);
  EXPECT_EQ(c->parent.getvalue(), nullptr);
  dv_rel_delete(d);
  EXPECT_TRUE(p->empty());
  dv_rel_delete(x);
  EXPECT_TRUE(z->xs.empty());
  dv_rel_delete(p);
  dv_rel_delete(c);
  dv_rel_delete(y);
  dv_rel_delete(z);
}

// ---- the index-code forms ---------------------------------------------------------------------

// Who names whom: each pair's partner, each pair's group, each group's
// members (by pair id).
std::string state(const std::vector<Pair*>& pairs, const std::vector<Group*>& groups) {
  auto id = [&](const void* p) {
    for (Pair* each : pairs)
      if (each == p) return std::to_string(each->id);
    for (std::size_t g = 0; g < groups.size(); ++g)
      if (groups[g] == p) return "g" + std::to_string(g);
    return std::string(p == nullptr ? "-" : "?");
  };
  std::string out;
  for (Pair* each : pairs)
    out += id(each) + ":" + id(each->partner.getvalue()) + "/" + id(each->group.getvalue()) + " ";
  for (Group* g : groups) {
    out += id(g) + "[";
    for (Pair* each : pairs)
      if (g->members.contains(each)) out += id(each);
    out += "] ";
  }
  return out;
}

TEST_F(RelForms, TheIndexCodeFormsLinkAsTheFormsWithoutCodes) {
  // One script, run with the index codes -1 (no hooks) and with codes.
  auto run = [&](int code, int inverse_code) {
    std::vector<Pair*> pairs;
    for (int i = 0; i < 4; ++i) {
      pairs.push_back(make<Pair>());
      pairs.back()->id = i;
    }
    std::vector<Group*> groups = {make<Group>(), make<Group>()};
    Pair *a = pairs[0], *b = pairs[1], *c = pairs[2], *d = pairs[3];
    const int mo = 0, io = 0;
    a->partner.setvalue(b, mo, io, code, inverse_code);
    c->partner.setvalue(d, mo, io, code, inverse_code);
    a->partner.setvalue(c, mo, io, code, inverse_code);  // b and d lose their partners
    b->partner.set_inverse(d, mo, io, code, inverse_code);  // stores without linking d back
    b->partner.unset_inverse(io, inverse_code);            // d's partner becomes null
    d->partner.set_simple(a, mo, code);
    a->group.setvalue(groups[0], 4, 4, code);
    b->group.setvalue(groups[0], 4, 4, code);
    a->group.setvalue(groups[1], 4, 4, code);
    // The many-to-one inverse forms after a change made without upkeep.
    groups[1]->members.insert_simple(c);
    if (code == -1)
      groups[1]->members.__insert_inverse(c, 4, 4);
    else
      groups[1]->members.__insert_inverse(c, 4, 4, inverse_code);
    groups[0]->members.insert_simple(d);
    groups[0]->members._insert_inverse(d);
    groups[1]->members.remove_simple(a);
    if (code == -1)
      groups[1]->members.__remove_inverse(a, 4, 4);
    else
      groups[1]->members.__remove_inverse(a, 4, 4, inverse_code);
    groups[0]->members.remove_simple(d);
    groups[0]->members._remove_inverse(d);
    return state(pairs, groups);
  };
  const std::string plain = run(-1, -1);
  EXPECT_EQ(plain, "0:2/- 1:3/g0 2:0/g1 3:0/- g0[1] g1[2] ");
  EXPECT_EQ(run(7, 9), plain);
}

// ---- a typespec that cannot learn its members' virtual tables ----------------------------------

TEST_F(RelForms, AnOwnerWithoutVirtualFunctionsIsRefusedAtRegistrationByName) {
  const std::string what = thrown_by<dv_err_internal>([] {
    dv_basic_typespec ts("RelFormsPlainOwner", sizeof(PlainOwner), DV_POINTERS(8), DV_VTABLES(4),
                         dv_probe_for<PlainOwner>());
  });
  EXPECT_EQ(what.rfind("dv_err_internal - The typespec of RelFormsPlainOwner lists virtual-table pointers, but the "
                       "class has no virtual function",
                       0),
            0u)
      << what;
}

}  // namespace
