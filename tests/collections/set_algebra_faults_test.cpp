// Guards the set algebra where it could go wrong rather than compute wrong:
// a collection combined with itself through its facade (it must not empty
// itself, loop for ever or remove under its own walk), cursors and temporary
// or result collections that must go away when a walk fails half way, and a
// creation that fails (an error, never a null reference).
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "algebra_test_support.h"
#include "durnavel.h"
#include "dv_coll_err.h"
#include "dv_outofline_collection.h"
#include "dv_thrown_by.h"

using namespace dv_qem;
using dv_test::vector_rep;

namespace {

using dv_test::thrown_by;

// Sets a counter hook of vector_rep for the scope.
class counting {
 public:
  explicit counting(int*& hook) : hook_(hook) { hook_ = &n; }
  ~counting() { hook_ = nullptr; }
  int n = 0;

 private:
  int*& hook_;
};

class SetAlgebraFaults : public ::testing::Test {
 protected:
  void SetUp() override { durnavel::initialize(); }
};

// ---- self-operations through a facade ----------------------------------------

struct SelfRow {
  const char* kind;    // kind name of the representation
  unsigned behavior;
  bool test_rep;       // a vector_rep stands for the kind (its cursors are counted)
  const char* op;      // "=", "|=", "&=", "-="
  const char* after;   // the letters afterwards, whichever operand is the facade
};

const SelfRow self_rows[] = {
    {"dv_List", 0x12, false, "=", "aab"},      {"dv_List", 0x12, false, "|=", "aabaab"},
    {"dv_List", 0x12, false, "&=", "aab"},     {"dv_List", 0x12, false, "-=", ""},
    {"dv_List", 0x10010, false, "|=", "ab"},   {"dv_List", 0x10010, false, "-=", ""},
    {"dv_Array", 0x1a, false, "=", "aab"},     {"dv_Array", 0x1a, false, "|=", "aabaab"},
    {"dv_Array", 0x1a, false, "&=", "aab"},    {"dv_Array", 0x1a, false, "-=", ""},
    {"dv_List", 0x12, true, "=", "aab"},       {"dv_List", 0x12, true, "|=", "aabaab"},
    {"dv_List", 0x12, true, "&=", "aab"},      {"dv_List", 0x12, true, "-=", ""},
    {"dv_Bag", 0x2, true, "&=", "aab"},        {"dv_Bag", 0x2, true, "-=", ""},
};

void assign_op(const std::string& op, dv_collection& lhs, const dv_collection& other) {
  if (op == "=") lhs._assign(other);
  else if (op == "|=") lhs |= other;
  else if (op == "&=") lhs &= other;
  else lhs -= other;
}

TEST_F(SetAlgebraFaults, SelfOperationsThroughAFacadeSeeTheSameCollection) {
  dv_database* transient = dv_database::get_transient_database();
  dv_test::algebra_support support(transient);
  counting cursors(vector_rep::live_cursors);
  // Which operand is the facade: both, the left one or the right one.
  const char* forms[] = {"facade op facade", "rep op facade", "facade op rep"};
  for (const SelfRow& r : self_rows) {
    for (int form = 0; form < 3; ++form) {
      SCOPED_TRACE(std::string(r.kind) + " " + r.op + " (" + forms[form] + ")" + (r.test_rep ? " test rep" : ""));
      std::unique_ptr<dv_test::vector_rep_kinds> test_kinds;
      if (r.test_rep) test_kinds = std::make_unique<dv_test::vector_rep_kinds>(
                                       std::initializer_list<_Coll_kind>{_Coll_kind::list, _Coll_kind::bag});
      dv_outofline_collection& facade = *dv_outofline_collection::generate_facade(r.kind, transient, 0, r.behavior);
      for (char l : std::string("aab")) facade.insert(support.element(l));
      dv_collection& rep = *facade.get_outofline();
      dv_collection& lhs = form == 1 ? rep : facade;
      const dv_collection& other = form == 2 ? rep : facade;
      assign_op(r.op, lhs, other);
      EXPECT_EQ(support.letters(facade), r.after);
      EXPECT_EQ(cursors.n, 0);
      dv_collection::destroy(facade);
    }
  }
}

// ---- what a failing walk leaves behind ---------------------------------------

struct step_failure {};

// One operation on two collections; a result collection is returned (null
// for the others).
using algebra_op = std::function<dv_collection*(dv_collection& lhs, dv_collection& other)>;

struct WalkRow {
  const char* name;
  const char* lhs_kind;
  const char* other_kind;
  algebra_op op;
};

const WalkRow walk_rows[] = {
    {"list = bag", "list", "bag", [](dv_collection& l, dv_collection& o) { l._assign(o); return nullptr; }},
    {"list |= bag", "list", "bag", [](dv_collection& l, dv_collection& o) { l |= o; return nullptr; }},
    {"olist -= bag (walks this)", "olist", "bag", [](dv_collection& l, dv_collection& o) { l -= o; return nullptr; }},
    {"slowbag -= bag (walks the other)", "slowbag", "bag",
     [](dv_collection& l, dv_collection& o) { l -= o; return nullptr; }},
    {"list &= bag (copies the other)", "list", "bag", [](dv_collection& l, dv_collection& o) { l &= o; return nullptr; }},
    {"olist &= slowbag (ordered match)", "olist", "slowbag",
     [](dv_collection& l, dv_collection& o) { l &= o; return nullptr; }},
    {"bag &= bag (counting)", "bag", "bag", [](dv_collection& l, dv_collection& o) { l &= o; return nullptr; }},
    {"bag &= slowbag (address merge)", "bag", "slowbag",
     [](dv_collection& l, dv_collection& o) { l &= o; return nullptr; }},
    {"bag | bag", "bag", "bag", [](dv_collection& l, dv_collection& o) { return &(l | o); }},
    {"bag & slowbag", "bag", "slowbag", [](dv_collection& l, dv_collection& o) { return &(l & o); }},
    {"bag - bag", "bag", "bag", [](dv_collection& l, dv_collection& o) { return &(l - o); }},
    {"bag - element", "bag", "bag", [](dv_collection& l, dv_collection& o) { return &(l - o.pick()); }},
    {"list == bag", "list", "bag", [](dv_collection& l, dv_collection& o) { (void)(l == o); return nullptr; }},
    {"bag <= list", "bag", "list", [](dv_collection& l, dv_collection& o) { (void)(l <= o); return nullptr; }},
    {"list >= bag", "list", "bag", [](dv_collection& l, dv_collection& o) { (void)(l >= o); return nullptr; }},
    {"olist ordered_equal bag", "olist", "bag",
     [](dv_collection& l, dv_collection& o) { (void)l.ordered_equal(o); return nullptr; }},
};

TEST_F(SetAlgebraFaults, AFailingWalkLeavesNoCursorAndNoCollectionBehind) {
  dv_test::algebra_support support(dv_database::get_transient_database());
  counting cursors(vector_rep::live_cursors);
  counting reps(vector_rep::alive);
  int steps_left = 0;
  vector_rep::before_step = [&] {
    if (--steps_left == 0) throw step_failure{};
  };
  // The walks fail at the first or a later step, or not at all.
  for (int fail_at : {1, 2, 3, 0}) {
    for (const WalkRow& r : walk_rows) {
      SCOPED_TRACE(std::string(r.name) + ", failing at step " + std::to_string(fail_at));
      // Equal operands, so that every comparison walks to the end.
      dv_collection& lhs = support.make(r.lhs_kind, "abca");
      dv_collection& other = support.make(r.other_kind, "abca");
      const int reps_before = reps.n;
      steps_left = fail_at;
      dv_collection* result = nullptr;
      bool failed = false;
      try {
        result = r.op(lhs, other);
      } catch (const step_failure&) {
        failed = true;
      }
      steps_left = 0;
      if (fail_at == 1) {
        EXPECT_TRUE(failed);
      } else if (fail_at == 0) {
        EXPECT_FALSE(failed);
      }
      EXPECT_EQ(cursors.n, 0);
      EXPECT_EQ(reps.n, reps_before + (result != nullptr ? 1 : 0));
      if (result != nullptr) dv_collection::destroy(*result);
    }
  }
  vector_rep::before_step = nullptr;
}

// ---- failed creation -----------------------------------------------------------

dv_collection* no_representation(const _Coll_placement&, unsigned, unsigned, unsigned, const void*) {
  return nullptr;
}

// Installs a maker for a kind for the scope.
class maker_for {
 public:
  maker_for(_Coll_kind kind, _Coll_rep_maker maker) : kind_(kind), saved_(_Coll_register_rep(kind, maker)) {}
  ~maker_for() { _Coll_register_rep(kind_, saved_); }

 private:
  _Coll_kind kind_;
  _Coll_rep_maker saved_;
};

TEST_F(SetAlgebraFaults, AFailedCreationIsAnInternalError) {
  dv_test::algebra_support support(dv_database::get_transient_database());
  dv_collection& list = support.make("list", "abac");
  dv_collection& other = support.make("list", "ca");
  {
    // The temporary of the ordered and-assignment is a bag.
    maker_for failing(_Coll_kind::bag, &no_representation);
    EXPECT_EQ(thrown_by([&] { list &= other; }),
              "dv_err_coll_internal - the maker of kind dv_Bag returned no representation");
    EXPECT_EQ(support.letters(list), "abac");
  }
  maker_for failing(_Coll_kind::list, &no_representation);
  const std::string no_list = "dv_err_coll_internal - the maker of kind dv_List returned no representation";
  EXPECT_EQ(thrown_by([&] { (void)(list | other); }), no_list);
  EXPECT_EQ(thrown_by([&] { (void)(list & other); }), no_list);
  EXPECT_EQ(thrown_by([&] { (void)(list - support.element('a')); }), no_list);
  EXPECT_EQ(support.letters(list), "abac");
}

}  // namespace
