// Guards the set algebra on the hash sets and bags (with lists as partners),
// in a database and in the transient database: multiplicities of the
// assigning and non-assigning operators (a set counts an element once, a bag
// every occurrence; hash order is not kept, so contents are compared sorted),
// the three methods of the and-assignment with real hash partners, the
// comparisons with an element, and ordered_equal refused on a set.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "coll_db_test.h"
#include "dv_coll_err.h"
#include "dv_cursor.h"
#include "durnavel.h"

using namespace dv_qem;

namespace {

constexpr int kPool = 6;  // elements 'a'..'f'

class HashAlgebra : public dv_test::coll_db_test, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    durnavel::initialize();
    if (GetParam()) {
      db_ = dv_database::create(path("hash_algebra.db").c_str(), 0644, 0, 0);
      pool_ = static_cast<int*>(::operator new(sizeof(int) * kPool, db_, dv_typespec::get_int(), kPool));
    } else {
      db_ = dv_database::get_transient_database();
      static int transient_pool[kPool];
      pool_ = transient_pool;
    }
  }
  void TearDown() override {
    for (dv_collection* c : made_) dv_collection::destroy(*c);
    if (GetParam()) db_->close();
  }

  // A new collection of the kind ("set", "bag", "list") holding the letters.
  dv_collection& make(const std::string& kind, const std::string& letters) {
    const unsigned behavior = kind == "set" ? 0u : kind == "bag" ? 0x2u : 0x12u;
    dv_collection& c = dv_collection::create(db_, behavior, 0);
    made_.push_back(&c);
    for (char l : letters) c.insert(element(l));
    return c;
  }
  dv_collection& adopt(dv_collection& c) {
    made_.push_back(&c);
    return c;
  }
  const void* element(char letter) const { return &pool_[letter - 'a']; }

  // The letters of c in walk order.
  std::string walk(const dv_collection& c) const {
    std::string out;
    dv_cursor cursor(c);
    void* e = nullptr;
    for (int more = cursor.first(e); more; more = cursor.next(e)) {
      const int* p = static_cast<const int*>(e);
      out += p >= pool_ && p < pool_ + kPool ? static_cast<char>('a' + (p - pool_)) : '?';
    }
    return out;
  }
  std::string sorted(const dv_collection& c) const {
    std::string s = walk(c);
    std::sort(s.begin(), s.end());
    return s;
  }

  dv_database* db_ = nullptr;
  int* pool_ = nullptr;
  std::vector<dv_collection*> made_;
};

enum class Op { assign, or_, and_, sub };

struct Row {
  const char* lhs_kind;
  const char* lhs;
  Op op;
  const char* other_kind;  // a kind, or "self"
  const char* other;
  const char* after;       // sorted, except where lhs is a list that keeps its order
};

const Row rows[] = {
    {"set", "ab", Op::assign, "list", "bccb", "bc"},
    {"bag", "ab", Op::assign, "list", "bccb", "bbcc"},
    {"list", "ab", Op::assign, "bag", "cca", "acc"},
    {"set", "ab", Op::or_, "self", "", "ab"},
    {"bag", "aab", Op::or_, "self", "", "aaaabb"},
    {"set", "ab", Op::or_, "bag", "bcc", "abc"},
    {"bag", "ab", Op::or_, "set", "bc", "abbc"},
    // counting (both count fast), the address merge (this unordered, the other
    // a list), the ordered match (this a list)
    {"bag", "aab", Op::and_, "bag", "ac", "a"},
    {"bag", "aab", Op::and_, "list", "ac", "a"},
    {"bag", "caaab", Op::and_, "list", "baca", "aabc"},
    {"set", "abc", Op::and_, "bag", "ccd", "c"},
    {"list", "abac", Op::and_, "bag", "ac", "ac"},
    {"list", "abac", Op::and_, "set", "ca", "ac"},
    {"bag", "aab", Op::and_, "self", "", "aab"},
    // minus: every occurrence when this is ordered and the other counts fast
    // (a bag does, a set does not), else one per occurrence in the other
    {"list", "aba", Op::sub, "set", "a", "ba"},
    {"list", "aba", Op::sub, "bag", "a", "b"},
    {"list", "aba", Op::sub, "list", "a", "ba"},
    {"bag", "aab", Op::sub, "bag", "a", "ab"},
    {"bag", "aab", Op::sub, "list", "aaab", ""},
    {"set", "abc", Op::sub, "bag", "bb", "ac"},
    {"set", "ab", Op::sub, "self", "", ""},
};

TEST_P(HashAlgebra, AssigningOperators) {
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.lhs_kind) + " " + r.lhs + " op " + std::to_string(static_cast<int>(r.op)) + " " +
                 r.other_kind + " " + r.other);
    dv_collection& lhs = make(r.lhs_kind, r.lhs);
    const dv_collection& other = std::string(r.other_kind) == "self" ? lhs : make(r.other_kind, r.other);
    switch (r.op) {
      case Op::assign: lhs = other; break;
      case Op::or_: lhs |= other; break;
      case Op::and_: lhs &= other; break;
      case Op::sub: lhs -= other; break;
    }
    // A list assigned from a hash collection takes the hash's walk order,
    // which depends on the elements' addresses: compare it sorted.
    const bool keeps_order = std::string(r.lhs_kind) == "list" && r.op != Op::assign;
    EXPECT_EQ(keeps_order ? walk(lhs) : sorted(lhs), r.after);
    EXPECT_NO_THROW(lhs.check_rep_invariants());
  }
}

TEST_P(HashAlgebra, NonAssigningOperatorsGiveTransientCollectionsOfTheCombinedKind) {
  dv_collection& bag = make("bag", "aab");
  dv_collection& set = make("set", "bc");
  dv_collection& either = adopt(bag | set);
  EXPECT_EQ(sorted(either), "aabbc");
  EXPECT_STREQ(either.rep_name(), bag.rep_name());
  EXPECT_EQ(dv_database::of(&either), dv_database::get_transient_database());
  EXPECT_EQ(sorted(adopt(bag & set)), "b");
  EXPECT_EQ(sorted(adopt(bag - set)), "aa");
  EXPECT_EQ(sorted(adopt(set | element('a'))), "abc");
  EXPECT_EQ(sorted(adopt(set & element('c'))), "c");
  EXPECT_EQ(sorted(adopt(set & element('a'))), "");
  EXPECT_EQ(sorted(adopt(bag - element('a'))), "ab");
}

TEST_P(HashAlgebra, Comparisons) {
  dv_collection& a = make("set", "a");
  dv_collection& none = make("set", "");
  dv_collection& ab = make("set", "ab");
  dv_collection& aab = make("bag", "aab");
  dv_collection& aba = make("list", "aba");
  EXPECT_TRUE(a == element('a'));
  EXPECT_TRUE(none < element('a'));
  EXPECT_TRUE(ab > element('a'));
  EXPECT_FALSE(a > element('a'));
  EXPECT_TRUE(aab == aba);   // the same occurrences, whatever the order
  EXPECT_FALSE(ab == aab);   // a set holds a once, the bag twice
  EXPECT_TRUE(ab <= aab);
  EXPECT_TRUE(ab < aab);
  EXPECT_TRUE(aab >= ab);
  EXPECT_FALSE(aab <= ab);
  try {
    (void)ab.ordered_equal(aba);
    ADD_FAILURE() << "ordered_equal on a set did not signal";
  } catch (const dv_err& err) {
    EXPECT_STREQ(err.get_report(),
                 "dv_err_coll_not_ordered - <err-0024-0390>the argument to ordered_equal() was not an ordered "
                 "collection");
  }
}

INSTANTIATE_TEST_SUITE_P(Places, HashAlgebra, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "Persistent" : "Transient";
                         });

}  // namespace
