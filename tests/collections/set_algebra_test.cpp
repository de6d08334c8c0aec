// Guards the generic set algebra of dv_collection on lists and arrays, in a
// database and in the transient database: assignment, the assigning and
// non-assigning operators with multiplicity (which occurrences stay, in
// which order, which kind the results are) and the comparisons. Unordered
// and fast-counting partners are the tests' vector_rep, so each method of
// the and-assignment runs: counting (both count fast; the order of this
// collection stays), the address merge (this is unordered; the result comes
// in address order) and the ordered match (this keeps its order).
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

#include "algebra_test_support.h"
#include "coll_db_test.h"
#include "dv_coll_err.h"
#include "durnavel.h"

using namespace dv_qem;
using dv_test::sorted;

namespace {

// The collection kind under test and where it lives.
struct Setup {
  const char* name;
  const char* kind;  // "list" or "array"
  bool persistent;
};

void PrintTo(const Setup& s, std::ostream* os) { *os << s.name; }

const Setup setups[] = {
    {"TransientList", "list", false},
    {"PersistentList", "list", true},
    {"TransientArray", "array", false},
    {"PersistentArray", "array", true},
};

class SetAlgebra : public dv_test::coll_db_test, public ::testing::WithParamInterface<Setup> {
 protected:
  void SetUp() override {
    durnavel::initialize();
    db_ = GetParam().persistent ? dv_database::create(path("algebra.db").c_str(), 0644, 0, 0)
                                : dv_database::get_transient_database();
    support_ = std::make_unique<dv_test::algebra_support>(db_);
  }
  void TearDown() override {
    support_.reset();
    if (GetParam().persistent) db_->close();
  }

  // "L" is the kind under test; "elem" and "self" are not collections.
  dv_collection& make(const std::string& kind, const std::string& letters) {
    return support_->make(kind == "L" ? GetParam().kind : kind, letters);
  }
  // The other operand of a row: lhs itself for "self", else a new collection.
  const dv_collection& other_of(const std::string& kind, const std::string& letters, dv_collection& lhs) {
    return kind == "self" ? lhs : make(kind, letters);
  }
  const void* element(const std::string& letters) { return support_->element(letters.at(0)); }
  std::string letters(const dv_collection& c) { return support_->letters(c); }

  dv_database* db_ = nullptr;
  std::unique_ptr<dv_test::algebra_support> support_;
};

enum class Op { assign, or_, and_, sub };

const char* op_name(Op op) {
  switch (op) {
    case Op::assign: return "=";
    case Op::or_: return "|";
    case Op::and_: return "&";
    case Op::sub: return "-";
  }
  return "?";
}

// lhs <op>= other (or element): the letters of lhs afterwards, in its walk
// order.
struct AssignRow {
  const char* lhs_kind;
  const char* lhs;
  Op op;
  const char* other_kind;  // a kind, "elem" or "self"
  const char* other;
  const char* after;
};

const AssignRow assign_rows[] = {
    // assignment
    {"L", "abac", Op::assign, "elem", "d", "d"},
    {"L", "", Op::assign, "elem", "a", "a"},
    {"L", "abac", Op::assign, "L", "cbb", "cbb"},
    {"L", "abac", Op::assign, "L", "", ""},
    {"L", "ab", Op::assign, "bag", "ccad", "ccad"},
    {"L", "ab", Op::assign, "self", "", "ab"},
    {"set", "ab", Op::assign, "L", "bccb", "bc"},
    // or: every occurrence of the other is added, in the other's order
    {"L", "aba", Op::or_, "elem", "a", "abaa"},
    {"L", "ab", Op::or_, "L", "bca", "abbca"},
    {"L", "ab", Op::or_, "list", "b", "abb"},
    {"L", "ab", Op::or_, "array", "", "ab"},
    {"L", "", Op::or_, "bag", "cc", "cc"},
    {"L", "aab", Op::or_, "self", "", "aabaab"},
    {"ulist", "ab", Op::or_, "self", "", "ab"},
    {"ulist", "ab", Op::or_, "L", "bca", "abc"},
    {"bag", "aab", Op::or_, "self", "", "aabaab"},
    {"set", "ab", Op::or_, "self", "", "ab"},
    {"set", "ab", Op::or_, "L", "bcc", "abc"},
    // and with an element: the element once when it was there
    {"L", "abac", Op::and_, "elem", "a", "a"},
    {"L", "abac", Op::and_, "elem", "d", ""},
    {"L", "", Op::and_, "elem", "d", ""},
    // and, ordered match: the order of this collection stays, the first
    // occurrences are matched
    {"L", "abac", Op::and_, "bag", "ca", "ac"},
    {"L", "abac", Op::and_, "L", "aca", "aac"},
    {"L", "abac", Op::and_, "slowbag", "cc", "c"},
    {"L", "ab", Op::and_, "L", "", ""},
    {"L", "", Op::and_, "L", "ab", ""},
    {"L", "aab", Op::and_, "self", "", "aab"},
    {"olist", "cbaca", Op::and_, "slowbag", "aac", "caa"},
    // and, counting: both count fast; surplus occurrences go, the rest stay
    // in place
    {"bag", "aab", Op::and_, "bag", "ac", "a"},
    {"bag", "cab", Op::and_, "bag", "ac", "ca"},
    {"bag", "caaba", Op::and_, "set", "ab", "ba"},
    {"olist", "cbaca", Op::and_, "bag", "aac", "aca"},
    // and, address merge: this is unordered and the other counts slowly;
    // each common element min(a, b) times, in address order
    {"bag", "aab", Op::and_, "L", "ac", "a"},
    {"bag", "cab", Op::and_, "L", "ac", "ac"},
    {"bag", "caaab", Op::and_, "L", "baca", "aabc"},
    {"slowbag", "cab", Op::and_, "bag", "bcc", "bc"},
    {"bag", "ab", Op::and_, "L", "", ""},
    // minus an element: one occurrence, the first
    {"L", "aba", Op::sub, "elem", "a", "ba"},
    {"L", "aba", Op::sub, "elem", "d", "aba"},
    // minus a fast-counting collection from an ordered one: every occurrence
    // of each element the other holds
    {"L", "aba", Op::sub, "bag", "a", "b"},
    {"L", "abcab", Op::sub, "set", "ba", "c"},
    // otherwise one occurrence per occurrence in the other
    {"L", "aba", Op::sub, "L", "a", "ba"},
    {"L", "abcab", Op::sub, "L", "bdb", "aca"},
    {"L", "aba", Op::sub, "slowbag", "aa", "b"},
    {"bag", "aab", Op::sub, "bag", "a", "ab"},
    {"bag", "aab", Op::sub, "L", "aaab", ""},
    {"L", "aba", Op::sub, "self", "", ""},
};

dv_collection& assign_op(Op op, dv_collection& lhs, const dv_collection& other) {
  switch (op) {
    case Op::assign: return lhs._assign(other);
    case Op::or_: return lhs |= other;
    case Op::and_: return lhs &= other;
    case Op::sub: return lhs -= other;
  }
  return lhs;
}

dv_collection& assign_op(Op op, dv_collection& lhs, const void* e) {
  switch (op) {
    case Op::assign: return lhs = e;
    case Op::or_: return lhs |= e;
    case Op::and_: return lhs &= e;
    case Op::sub: return lhs -= e;
  }
  return lhs;
}

TEST_P(SetAlgebra, AssigningOperators) {
  for (const AssignRow& r : assign_rows) {
    SCOPED_TRACE(std::string(r.lhs_kind) + " " + r.lhs + " " + op_name(r.op) + "= " + r.other_kind + " " + r.other);
    dv_collection& lhs = make(r.lhs_kind, r.lhs);
    std::string other_kind = r.other_kind;
    dv_collection* result;
    if (other_kind == "elem") {
      result = &assign_op(r.op, lhs, element(r.other));
    } else {
      const dv_collection& other = other_of(other_kind, r.other, lhs);
      std::string other_before = letters(other);
      result = &assign_op(r.op, lhs, other);
      if (&other != &lhs) {
        EXPECT_EQ(letters(other), other_before);
      }
    }
    EXPECT_EQ(result, &lhs);
    EXPECT_EQ(letters(lhs), r.after);
    lhs.check_rep_invariants();
  }
}

// What kind a non-assigning operator's result is.
enum class Result { L, list, array, vector_rep };

// lhs <op> other (or element): the result's letters and kind.
struct ResultRow {
  const char* lhs_kind;
  const char* lhs;
  Op op;
  const char* other_kind;  // a kind or "elem"
  const char* other;
  const char* result;
  Result kind;
};

const ResultRow result_rows[] = {
    {"L", "aba", Op::or_, "elem", "c", "abac", Result::L},
    {"L", "", Op::or_, "elem", "a", "a", Result::L},
    {"L", "ab", Op::or_, "L", "bca", "abbca", Result::L},
    {"L", "ab", Op::or_, "array", "b", "abb", Result::array},
    {"list", "ab", Op::or_, "L", "b", "abb", Result::L},
    {"L", "ab", Op::or_, "bag", "bc", "abbc", Result::vector_rep},
    {"L", "ab", Op::or_, "set", "bc", "abbc", Result::vector_rep},
    {"L", "", Op::or_, "L", "", "", Result::L},
    {"L", "abac", Op::and_, "elem", "a", "a", Result::L},
    {"L", "abac", Op::and_, "elem", "d", "", Result::L},
    {"L", "abac", Op::and_, "L", "aca", "aac", Result::L},
    {"L", "abac", Op::and_, "array", "ca", "ac", Result::array},
    {"L", "abac", Op::and_, "bag", "ca", "ac", Result::vector_rep},
    {"bag", "cab", Op::and_, "L", "ac", "ac", Result::vector_rep},
    {"L", "aba", Op::sub, "elem", "a", "ba", Result::L},
    {"L", "aba", Op::sub, "L", "a", "ba", Result::L},
    {"L", "ab", Op::sub, "L", "ab", "", Result::L},
    {"L", "abca", Op::sub, "array", "ac", "ba", Result::array},
    // the result is a bag: one occurrence per occurrence
    {"L", "aba", Op::sub, "bag", "a", "ba", Result::vector_rep},
};

dv_collection& result_op(Op op, const dv_collection& lhs, const dv_collection& other) {
  switch (op) {
    case Op::or_: return lhs | other;
    case Op::and_: return lhs & other;
    default: return lhs - other;
  }
}

dv_collection& result_op(Op op, const dv_collection& lhs, const void* e) {
  switch (op) {
    case Op::or_: return lhs | e;
    case Op::and_: return lhs & e;
    default: return lhs - e;
  }
}

TEST_P(SetAlgebra, NonAssigningOperatorsMakeNewTransientCollections) {
  for (const ResultRow& r : result_rows) {
    SCOPED_TRACE(std::string(r.lhs_kind) + " " + r.lhs + " " + op_name(r.op) + " " + r.other_kind + " " + r.other);
    dv_collection& lhs = make(r.lhs_kind, r.lhs);
    const bool with_element = std::string(r.other_kind) == "elem";
    const dv_collection& other = with_element ? lhs : make(r.other_kind, r.other);
    dv_collection& result =
        support_->adopt(with_element ? result_op(r.op, lhs, element(r.other)) : result_op(r.op, lhs, other));
    EXPECT_NE(&result, &lhs);
    EXPECT_EQ(letters(result), r.result);
    EXPECT_EQ(letters(lhs), r.lhs);
    EXPECT_EQ(durnavel::is_persistent(&result), 0);
    EXPECT_EQ(result.get_behavior(), dv_collection::combine_behavior(lhs.get_behavior(), other.get_behavior()));
    Result kind = r.kind == Result::L ? (std::string(GetParam().kind) == "list" ? Result::list : Result::array)
                                      : r.kind;
    const char* rep = kind == Result::list ? "dv_chained_list" : kind == Result::array ? "dv_packed_list" : "test_vector";
    EXPECT_STREQ(result.rep_name(), rep);
    result.check_rep_invariants();
  }
}

enum class Cmp { eq, ne, lt, le, gt, ge, ordered_equal };

const char* cmp_name(Cmp c) {
  const char* names[] = {"==", "!=", "<", "<=", ">", ">=", "ordered_equal"};
  return names[static_cast<int>(c)];
}

struct CompareRow {
  const char* lhs_kind;
  const char* lhs;
  Cmp cmp;
  const char* other_kind;  // a kind or "elem"
  const char* other;
  int expected;
  const char* error = nullptr;  // the whole message when the comparison throws
};

const CompareRow compare_rows[] = {
    // with an element: the collection against {element}
    {"L", "a", Cmp::eq, "elem", "a", 1},
    {"L", "aa", Cmp::eq, "elem", "a", 0},
    {"L", "b", Cmp::eq, "elem", "a", 0},
    {"L", "", Cmp::eq, "elem", "a", 0},
    {"L", "a", Cmp::ne, "elem", "a", 0},
    {"L", "ab", Cmp::ne, "elem", "a", 1},
    {"L", "", Cmp::lt, "elem", "a", 1},
    {"L", "a", Cmp::lt, "elem", "a", 0},
    {"L", "", Cmp::le, "elem", "a", 1},
    {"L", "a", Cmp::le, "elem", "a", 1},
    {"L", "b", Cmp::le, "elem", "a", 0},
    {"L", "ab", Cmp::le, "elem", "a", 0},
    {"L", "ab", Cmp::gt, "elem", "a", 1},
    {"L", "aa", Cmp::gt, "elem", "a", 1},
    {"L", "a", Cmp::gt, "elem", "a", 0},
    {"L", "bc", Cmp::gt, "elem", "a", 0},
    {"L", "ba", Cmp::ge, "elem", "a", 1},
    {"L", "a", Cmp::ge, "elem", "a", 1},
    {"L", "b", Cmp::ge, "elem", "a", 0},
    // with another collection: occurrences count, order does not
    {"L", "abc", Cmp::eq, "L", "cba", 1},
    {"L", "", Cmp::eq, "L", "", 1},
    {"L", "aab", Cmp::eq, "L", "abb", 0},
    {"L", "ab", Cmp::eq, "array", "abc", 0},
    {"L", "aab", Cmp::eq, "bag", "aba", 1},
    {"set", "ab", Cmp::eq, "L", "ba", 1},
    {"ulist", "ab", Cmp::eq, "bag", "aa", 0},
    {"set", "ab", Cmp::eq, "L", "aa", 0},
    {"L", "aab", Cmp::ne, "L", "abb", 1},
    {"L", "ab", Cmp::ne, "list", "ba", 0},
    {"L", "ab", Cmp::le, "L", "cba", 1},
    {"L", "aab", Cmp::le, "L", "abc", 0},
    {"L", "aab", Cmp::le, "bag", "baab", 1},
    {"L", "ab", Cmp::le, "L", "ab", 1},
    {"L", "", Cmp::le, "L", "", 1},
    {"L", "ab", Cmp::lt, "L", "ab", 0},
    {"L", "ab", Cmp::lt, "L", "abc", 1},
    {"L", "ab", Cmp::lt, "L", "bcd", 0},
    {"L", "abc", Cmp::ge, "L", "cb", 1},
    {"L", "abc", Cmp::ge, "L", "cbb", 0},
    {"L", "abc", Cmp::ge, "L", "abc", 1},
    {"L", "abc", Cmp::gt, "L", "abc", 0},
    {"L", "abca", Cmp::gt, "slowbag", "aa", 1},
    {"L", "abcd", Cmp::gt, "L", "aae", 0},
    // ordered_equal: element by element in walk order
    {"L", "ab", Cmp::ordered_equal, "L", "ba", 0},
    {"L", "", Cmp::ordered_equal, "L", "", 1},
    {"L", "aba", Cmp::ordered_equal, "L", "aba", 1},
    {"L", "ab", Cmp::ordered_equal, "L", "abc", 0},
    {"L", "ab", Cmp::ordered_equal, "array", "ab", 1},
    {"L", "ab", Cmp::ordered_equal, "list", "ab", 1},
    {"L", "ab", Cmp::ordered_equal, "bag", "ab", 1},
    {"set", "ab", Cmp::ordered_equal, "L", "ab", 0,
     "dv_err_coll_not_ordered - <err-0024-0390>the argument to ordered_equal() was not an ordered collection"},
    {"bag", "", Cmp::ordered_equal, "L", "", 0,
     "dv_err_coll_not_ordered - <err-0024-0390>the argument to ordered_equal() was not an ordered collection"},
};

int compare(Cmp cmp, const dv_collection& lhs, const dv_collection& other) {
  switch (cmp) {
    case Cmp::eq: return lhs == other;
    case Cmp::ne: return lhs != other;
    case Cmp::lt: return lhs < other;
    case Cmp::le: return lhs <= other;
    case Cmp::gt: return lhs > other;
    case Cmp::ge: return lhs >= other;
    case Cmp::ordered_equal: return lhs.ordered_equal(other);
  }
  return -1;
}

int compare(Cmp cmp, const dv_collection& lhs, const void* e) {
  switch (cmp) {
    case Cmp::eq: return lhs == e;
    case Cmp::ne: return lhs != e;
    case Cmp::lt: return lhs < e;
    case Cmp::le: return lhs <= e;
    case Cmp::gt: return lhs > e;
    case Cmp::ge: return lhs >= e;
    case Cmp::ordered_equal: break;
  }
  return -1;
}

TEST_P(SetAlgebra, Comparisons) {
  for (const CompareRow& r : compare_rows) {
    SCOPED_TRACE(std::string(r.lhs_kind) + " " + r.lhs + " " + cmp_name(r.cmp) + " " + r.other_kind + " " + r.other);
    const dv_collection& lhs = make(r.lhs_kind, r.lhs);
    const bool with_element = std::string(r.other_kind) == "elem";
    const dv_collection& other = with_element ? lhs : make(r.other_kind, r.other);
    std::string thrown;
    int answer = -1;
    try {
      answer = with_element ? compare(r.cmp, lhs, element(r.other)) : compare(r.cmp, lhs, other);
    } catch (const dv_err& e) {
      thrown = e.get_report();
    }
    if (r.error != nullptr) {
      EXPECT_EQ(thrown, r.error);
    } else {
      EXPECT_EQ(thrown, "");
      EXPECT_EQ(answer, r.expected);
    }
    EXPECT_EQ(letters(lhs), r.lhs);
  }
}

// The assignment operator of the base class is the assignment slot, so an
// assignment through collection references copies the elements.
TEST_P(SetAlgebra, AssignmentThroughCollectionReferencesCopiesTheElements) {
  dv_collection& lhs = make("L", "ab");
  const dv_collection& other = make("L", "cbb");
  lhs = other;
  EXPECT_EQ(letters(lhs), "cbb");
  dv_collection& same = lhs;
  lhs = same;
  EXPECT_EQ(letters(lhs), "cbb");
  EXPECT_EQ(letters(other), "cbb");
}

INSTANTIATE_TEST_SUITE_P(Kinds, SetAlgebra, ::testing::ValuesIn(setups),
                         [](const ::testing::TestParamInfo<Setup>& info) { return info.param.name; });

}  // namespace
