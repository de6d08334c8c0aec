// Guards the set algebra against a model: seeded random small lists and
// arrays (in a database and in the transient database), bags that count
// fast or slowly, drawn from four element addresses, combined by every
// assigning and non-assigning operator and compared by every comparison.
// Ordered collections are checked element by element against a
// std::vector model, unordered ones against a std::multiset. DV_TEST_SEED
// replays one run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <set>
#include <ostream>
#include <string>

#include "algebra_test_support.h"
#include "coll_db_test.h"
#include "dv_coll_err.h"
#include "dv_test_seed.h"
#include "durnavel.h"

using namespace dv_qem;
using dv_test::sorted;

namespace {

constexpr int steps_per_kind = 2000;

// A collection as the model sees it.
struct model {
  std::string seq;  // letters in walk order
  bool ordered;
  bool fast;        // counts fast (_fast_count nonzero)

  std::multiset<char> contents() const { return {seq.begin(), seq.end()}; }
  long count(char e) const { return std::count(seq.begin(), seq.end(), e); }
  void remove_first(char e) {
    std::size_t at = seq.find(e);
    if (at != std::string::npos) seq.erase(at, 1);
  }
};

bool included(const model& a, const model& b) {
  for (char e : a.seq)
    if (a.count(e) > b.count(e)) return false;
  return true;
}

enum class Op { assign, or_, and_, sub };
const char* op_names[] = {"=", "|", "&", "-"};

// lhs op= other (other is lhs itself when self).
void apply(Op op, model& lhs, const model& other, bool self) {
  switch (op) {
    case Op::assign:
      if (!self) lhs.seq = other.seq;
      break;
    case Op::or_:
      lhs.seq += other.seq;
      break;
    case Op::and_: {
      if (self) break;
      // Each element stays min(a, b) times: an ordered collection keeps the
      // first occurrences that the other can match.
      std::string unmatched = other.seq, kept;
      for (char e : lhs.seq) {
        std::size_t at = unmatched.find(e);
        if (at == std::string::npos) continue;
        unmatched.erase(at, 1);
        kept += e;
      }
      lhs.seq = kept;
      break;
    }
    case Op::sub:
      if (self) {
        lhs.seq.clear();
      } else if (other.fast && lhs.ordered) {
        std::string kept;
        for (char e : lhs.seq)
          if (other.count(e) == 0) kept += e;
        lhs.seq = kept;
      } else {
        for (char e : other.seq) lhs.remove_first(e);
      }
      break;
  }
}

void apply(Op op, model& lhs, char e) {
  switch (op) {
    case Op::assign: lhs.seq = std::string(1, e); break;
    case Op::or_: lhs.seq += e; break;
    case Op::and_: lhs.seq = lhs.count(e) > 0 ? std::string(1, e) : std::string(); break;
    case Op::sub: lhs.remove_first(e); break;
  }
}

enum class Cmp { eq, ne, lt, le, gt, ge, ordered_equal };
const char* cmp_names[] = {"==", "!=", "<", "<=", ">", ">=", "ordered_equal"};

int compare(Cmp cmp, const model& a, const model& b) {
  const bool equal = a.contents() == b.contents();
  switch (cmp) {
    case Cmp::eq: return equal;
    case Cmp::ne: return !equal;
    case Cmp::lt: return a.seq.size() < b.seq.size() && included(a, b);
    case Cmp::le: return included(a, b);
    case Cmp::gt: return a.seq.size() > b.seq.size() && included(b, a);
    case Cmp::ge: return included(b, a);
    case Cmp::ordered_equal: return a.seq == b.seq;
  }
  return -1;
}

int compare(Cmp cmp, const model& a, char e) {
  const std::size_t n = a.seq.size();
  switch (cmp) {
    case Cmp::eq: return n == 1 && a.count(e) == 1;
    case Cmp::ne: return !(n == 1 && a.count(e) == 1);
    case Cmp::lt: return n == 0;
    case Cmp::le: return n == 0 || (n == 1 && a.seq[0] == e);
    case Cmp::gt: return n > 1 && a.count(e) > 0;
    case Cmp::ge: return a.count(e) > 0;
    case Cmp::ordered_equal: break;
  }
  return -1;
}

struct Setup {
  const char* name;
  const char* kind;        // the ordered kind under test
  const char* other_kind;  // the other ordered kind
  bool persistent;
};

void PrintTo(const Setup& s, std::ostream* os) { *os << s.name; }

const Setup setups[] = {
    {"TransientList", "list", "array", false},
    {"PersistentList", "list", "array", true},
    {"TransientArray", "array", "list", false},
    {"PersistentArray", "array", "list", true},
};

class SetAlgebraModel : public dv_test::coll_db_test, public ::testing::WithParamInterface<Setup> {
 protected:
  void SetUp() override {
    durnavel::initialize();
    db_ = GetParam().persistent ? dv_database::create(path("algebra_model.db").c_str(), 0644, 0, 0)
                                : dv_database::get_transient_database();
    support_ = std::make_unique<dv_test::algebra_support>(db_);
  }
  void TearDown() override {
    support_.reset();
    if (GetParam().persistent) db_->close();
  }

  unsigned pick(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(rng_); }
  char letter() { return static_cast<char>('a' + pick(4)); }
  std::string letters(unsigned longest) {
    std::string s;
    for (unsigned n = pick(longest + 1); n > 0; --n) s += letter();
    return s;
  }

  // A random collection: mostly of the kinds under test, sometimes a bag.
  std::pair<dv_collection*, model> random_collection() {
    const char* kinds[] = {GetParam().kind, GetParam().kind, GetParam().other_kind, "bag", "slowbag"};
    std::string kind = kinds[pick(5)];
    std::string seq = letters(6);
    model m{seq, kind == "list" || kind == "array", kind == "bag"};
    return {&support_->make(kind, seq), m};
  }

  // The collection equals the model (element by element when ordered).
  void expect_matches(const dv_collection& c, const model& m) {
    std::string got = support_->letters(c);
    if (m.ordered)
      EXPECT_EQ(got, m.seq);
    else
      EXPECT_EQ(sorted(got), sorted(m.seq));
    c.check_rep_invariants();
  }

  void step();

  std::mt19937 rng_;
  dv_database* db_ = nullptr;
  std::unique_ptr<dv_test::algebra_support> support_;
};

void SetAlgebraModel::step() {
  auto [lhs, lhs_model] = random_collection();
  // The other operand: another collection, lhs itself or an element.
  const unsigned form = pick(8);
  const bool self = form == 0;
  const bool with_element = form == 1;
  auto [other, other_model] = self ? std::pair{lhs, lhs_model} : random_collection();
  const char e = letter();
  const std::string what = std::string(lhs->rep_name()) + " " + lhs_model.seq + " (fast " +
                           std::to_string(lhs_model.fast) + ") with " +
                           (with_element ? std::string("element ") + e
                                         : (self ? std::string("itself") : std::string(other->rep_name()) + " " +
                                                                               other_model.seq + " (fast " +
                                                                               std::to_string(other_model.fast) + ")"));
  const unsigned choice = pick(14);
  if (choice < 4) {
    Op op = static_cast<Op>(choice);
    SCOPED_TRACE(what + ": " + op_names[choice] + "=");
    model expected = lhs_model;
    if (with_element) {
      apply(op, expected, e);
      switch (op) {
        case Op::assign: *lhs = support_->element(e); break;
        case Op::or_: *lhs |= support_->element(e); break;
        case Op::and_: *lhs &= support_->element(e); break;
        case Op::sub: *lhs -= support_->element(e); break;
      }
    } else {
      apply(op, expected, other_model, self);
      switch (op) {
        case Op::assign: lhs->_assign(*other); break;
        case Op::or_: *lhs |= *other; break;
        case Op::and_: *lhs &= *other; break;
        case Op::sub: *lhs -= *other; break;
      }
    }
    expect_matches(*lhs, expected);
    if (!self && !with_element) expect_matches(*other, other_model);
  } else if (choice < 7) {
    Op op = static_cast<Op>(choice - 3);
    SCOPED_TRACE(what + ": " + op_names[choice - 3]);
    const model& partner = with_element ? lhs_model : other_model;
    // Ordered only when both are; unordered results are bags (fast).
    const bool ordered = lhs_model.ordered && partner.ordered;
    model expected{lhs_model.seq, ordered, !ordered};
    dv_collection* result;
    if (with_element) {
      apply(op, expected, e);
      const void* element = support_->element(e);
      result = &(op == Op::or_ ? *lhs | element : op == Op::and_ ? *lhs & element : *lhs - element);
    } else {
      apply(op, expected, other_model, false);
      result = &(op == Op::or_ ? *lhs | *other : op == Op::and_ ? *lhs & *other : *lhs - *other);
    }
    support_->adopt(*result);
    expect_matches(*result, expected);
    expect_matches(*lhs, lhs_model);
    const unsigned behavior = dv_collection::combine_behavior(lhs->get_behavior(),
                                                              with_element ? lhs->get_behavior() : other->get_behavior());
    EXPECT_EQ(result->get_behavior() & 0x1a, behavior);
  } else {
    Cmp cmp = static_cast<Cmp>(choice - 7);
    if (cmp == Cmp::ordered_equal && with_element) cmp = Cmp::eq;
    SCOPED_TRACE(what + ": " + cmp_names[static_cast<int>(cmp)]);
    int answer = -1;
    std::string thrown;
    try {
      answer = with_element ? [&] {
        const void* element = support_->element(e);
        switch (cmp) {
          case Cmp::eq: return *lhs == element;
          case Cmp::ne: return *lhs != element;
          case Cmp::lt: return *lhs < element;
          case Cmp::le: return *lhs <= element;
          case Cmp::gt: return *lhs > element;
          default: return *lhs >= element;
        }
      }()
                            : [&] {
        switch (cmp) {
          case Cmp::eq: return *lhs == *other;
          case Cmp::ne: return *lhs != *other;
          case Cmp::lt: return *lhs < *other;
          case Cmp::le: return *lhs <= *other;
          case Cmp::gt: return *lhs > *other;
          case Cmp::ge: return *lhs >= *other;
          default: return lhs->ordered_equal(*other);
        }
      }();
    } catch (const dv_err_coll_not_ordered& err) {
      thrown = err.get_report();
    }
    if (cmp == Cmp::ordered_equal && !lhs_model.ordered) {
      EXPECT_NE(thrown, "");
    } else {
      EXPECT_EQ(thrown, "");
      EXPECT_EQ(answer, with_element ? compare(cmp, lhs_model, e) : compare(cmp, lhs_model, other_model));
    }
    expect_matches(*lhs, lhs_model);
  }
  support_->destroy_made();
}

TEST_P(SetAlgebraModel, RandomOperationsMatchTheModel) {
  const unsigned seed = dv_test::seed();
  SCOPED_TRACE(::testing::Message() << "seed " << seed << " (replay with DV_TEST_SEED=" << seed << ")");
  std::printf("set algebra model seed %u\n", seed);
  rng_.seed(seed);
  for (int i = 0; i < steps_per_kind; ++i) {
    SCOPED_TRACE(::testing::Message() << "step " << i);
    step();
    if (HasFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, SetAlgebraModel, ::testing::ValuesIn(setups),
                         [](const ::testing::TestParamInfo<Setup>& info) { return info.param.name; });

}  // namespace
