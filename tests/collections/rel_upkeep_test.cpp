// Guards the relationship upkeep: after each scenario of one-to-one,
// one-to-many and many-to-many changes (through either side, through the
// general collection interface, by assignment and set algebra, by clearing
// and by destroying owners) both sides of every link agree and hold exactly
// the expected links; the duplicate paths through a bag and a list; refused
// changes that leave both sides as they were; members never used; copies.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "coll_db_test.h"
#include "dv_cursor.h"
#include "dv_rel_typed.h"
#include "dv_thrown_by.h"
#include "rel_nodes.h"

using namespace dv_qem;
using dv_test::rel_node;
using dv_test::thrown_by;

namespace {

using nodes_t = std::vector<rel_node*>;

class RelUpkeep : public dv_test::coll_db_test {
 protected:
  void SetUp() override {
    db_ = dv_database::create(path("rel.db").c_str(), 0644, 0, 0);
    for (int i = 0; i < 6; ++i) n_.push_back(dv_test::make_node(db_, i));
  }
  void TearDown() override { db_->close(); }

  dv_database* db_ = nullptr;
  nodes_t n_;
};

struct Scenario {
  const char* name;
  std::function<void(nodes_t&)> steps;
  const char* links;  // describe() afterwards
};

const Scenario kScenarios[] = {
    {"ManyToOneInsertMovesFromOldOwner",
     [](nodes_t& n) {
       n[0]->children.insert(n[2]);
       n[0]->children.insert(n[3]);
       n[1]->children.insert(n[2]);
     },
     "0: c=[3]\n1: c=[2]\n2: p=1\n3: p=0\n"},
    {"InsertingAnElementHeldAlreadyKeepsIt",
     [](nodes_t& n) {
       n[0]->children.insert(n[2]);
       n[0]->children.insert(n[2]);
     },
     "0: c=[2]\n2: p=0\n"},
    {"OneToManyAssignmentMovesBetweenTargets",
     [](nodes_t& n) {
       n[2]->parent = n[0];
       n[2]->parent = n[1];
       n[3]->parent = n[1];
     },
     "1: c=[2,3]\n2: p=1\n3: p=1\n"},
    {"OneToManyAssigningTheSameTargetAgain",
     [](nodes_t& n) {
       n[2]->parent = n[0];
       n[2]->parent = n[0];
     },
     "0: c=[2]\n2: p=0\n"},
    {"OneToManyNullUnlinks",
     [](nodes_t& n) {
       n[2]->parent = n[0];
       n[2]->parent = nullptr;
     },
     ""},
    {"OneToOneRelinkClearsBothFormerPartners",
     [](nodes_t& n) {
       n[0]->partner = n[3];
       n[1]->partner = n[2];
       n[0]->partner = n[1];
     },
     "0: pt=1\n1: pt=0\n"},
    {"OneToOneNullUnlinksBoth",
     [](nodes_t& n) {
       n[0]->partner = n[1];
       n[1]->partner = nullptr;
     },
     ""},
    {"ManyToManyFromBothSides",
     [](nodes_t& n) {
       n[0]->likes.insert(n[1]);
       n[0]->likes.insert(n[2]);
       n[3]->liked_by.insert(n[0]);
       n[1]->liked_by.remove(n[0]);
     },
     "0: l=[2,3]\n2: lb=[0]\n3: lb=[0]\n"},
    {"ClearUnlinksEveryElement",
     [](nodes_t& n) {
       n[0]->children.insert(n[1]);
       n[0]->children.insert(n[2]);
       n[0]->likes.insert(n[1]);
       n[0]->children.clear();
       n[0]->likes.clear();
     },
     ""},
    {"RemovingAnElementNotHeldLeavesItsOwnerAlone",
     [](nodes_t& n) {
       n[0]->children.insert(n[2]);
       EXPECT_EQ(n[1]->children.remove(n[2]), 0);
       n[1]->children.insert(n[3]);
       EXPECT_EQ(n[1]->children.remove(n[2]), 0);
     },
     "0: c=[2]\n1: c=[3]\n2: p=0\n3: p=1\n"},
    {"RemoveAllGoesThroughTheUpkeep",
     [](nodes_t& n) {
       n[0]->children.insert(n[1]);
       n[0]->bag_children.insert(n[1]);
       n[0]->bag_children.insert(n[1]);
       EXPECT_EQ(n[0]->children._remove_all(n[1]), 1);
       EXPECT_EQ(n[0]->bag_children._remove_all(n[1]), 1);
     },
     ""},
    {"BagKeepsTheLinkWhileAnOccurrenceRemains",
     [](nodes_t& n) {
       n[0]->bag_children.insert(n[1]);
       n[0]->bag_children.insert(n[1]);
       n[0]->bag_children.remove(n[1]);
     },
     "0: bc=[1]\n1: bp=0\n"},
    {"BagLosesTheLinkWithTheLastOccurrence",
     [](nodes_t& n) {
       n[0]->bag_children.insert(n[1]);
       n[0]->bag_children.insert(n[1]);
       n[0]->bag_children.remove(n[1]);
       n[0]->bag_children.remove(n[1]);
     },
     ""},
    {"BagElementMovingTakesEveryOccurrence",
     [](nodes_t& n) {
       n[0]->bag_children.insert(n[1]);
       n[0]->bag_children.insert(n[1]);
       n[2]->bag_children.insert(n[1]);
     },
     "1: bp=2\n2: bc=[1]\n"},
    {"ListInsertByIndexKeepsUpkeep",
     [](nodes_t& n) {
       n[0]->list_children.insert(n[1]);
       n[0]->list_children.insert(n[2]);
       n[5]->list_children.insert(n[3]);
       n[0]->list_children.insert_after(n[3], 0u);
       n[0]->list_children.insert_before(n[4], 0u);
     },
     "0: lc=[4,1,3,2]\n1: lp=0\n2: lp=0\n3: lp=0\n4: lp=0\n"},
    {"ListReplaceAndRemoveByIndex",
     [](nodes_t& n) {
       n[0]->list_children.insert(n[1]);
       n[0]->list_children.insert(n[2]);
       n[0]->list_children.insert(n[3]);
       EXPECT_EQ(n[0]->list_children.replace_at(n[4], 1u), n[2]);
       n[0]->list_children.remove_at(0u);
     },
     "0: lc=[4,3]\n3: lp=0\n4: lp=0\n"},
    {"ListRemoveFirstAndLast",
     [](nodes_t& n) {
       for (int i = 1; i <= 4; ++i) n[0]->list_children.insert(n[i]);
       EXPECT_EQ(n[0]->list_children.remove_first(), n[1]);
       EXPECT_EQ(n[0]->list_children.remove_last(), n[4]);
     },
     "0: lc=[2,3]\n2: lp=0\n3: lp=0\n"},
    {"ListRemoveAtCursor",
     [](nodes_t& n) {
       n[0]->list_children.insert(n[1]);
       n[0]->list_children.insert(n[2]);
       dv_cursor c(n[0]->list_children);
       c.remove_at();
     },
     "0: lc=[2]\n2: lp=0\n"},
    {"ListDuplicatesKeepTheLink",
     [](nodes_t& n) {
       n[0]->list_children.insert(n[1]);
       n[0]->list_children.insert(n[1]);
       n[0]->list_children.remove_at(0u);
     },
     "0: lc=[1]\n1: lp=0\n"},
    {"BagManyToManyKeepsTheSetInverseWhileAnOccurrenceRemains",
     [](nodes_t& n) {
       n[0]->bag_likes.insert(n[1]);
       n[0]->bag_likes.insert(n[1]);
       n[0]->bag_likes.remove(n[1]);
     },
     "0: bl=[1]\n1: blb=[0]\n"},
    {"BagManyToManyLastOccurrenceUnlinks",
     [](nodes_t& n) {
       n[0]->bag_likes.insert(n[1]);
       n[0]->bag_likes.insert(n[1]);
       n[0]->bag_likes.remove(n[1]);
       n[0]->bag_likes.remove(n[1]);
     },
     ""},
    {"SetSideOfABagManyToManyRemovesEveryOccurrence",
     [](nodes_t& n) {
       n[0]->bag_likes.insert(n[1]);
       n[0]->bag_likes.insert(n[1]);
       n[1]->bag_liked_by.remove(n[0]);
     },
     ""},
    {"AssignmentMovesEveryElement",
     [](nodes_t& n) {
       n[0]->children.insert(n[1]);
       n[0]->children.insert(n[2]);
       n[3]->children.insert(n[4]);
       n[3]->children = n[0]->children;
     },
     "1: p=3\n2: p=3\n3: c=[1,2]\n"},
    {"OrAssignmentMovesAndMinusUnlinks",
     [](nodes_t& n) {
       n[0]->children.insert(n[1]);
       n[0]->children.insert(n[2]);
       n[3]->children.insert(n[4]);
       n[3]->children |= n[0]->children;
       n[5]->likes.insert(n[1]);
       n[5]->likes.insert(n[4]);
       n[3]->children -= n[5]->likes;
     },
     "1: lb=[5]\n2: p=3\n3: c=[2]\n4: lb=[5]\n5: l=[1,4]\n"},
    {"DestroyingAnOwnerUnlinksBothKinds",
     [](nodes_t& n) {
       n[0]->children.insert(n[1]);
       n[0]->children.insert(n[2]);
       n[0]->parent = n[3];
       n[0]->likes.insert(n[4]);
       n[4]->likes.insert(n[0]);
       n[0]->partner = n[5];
       n[0]->list_children.insert(n[1]);
       dv_rel_delete(n[0]);
       n[0] = nullptr;
     },
     ""},
};

TEST_F(RelUpkeep, Scenarios) {
  for (const Scenario& s : kScenarios) {
    SCOPED_TRACE(s.name);
    for (rel_node*& node : n_) dv_rel_delete(node);
    for (int i = 0; i < 6; ++i) n_[i] = dv_test::make_node(db_, i);
    s.steps(n_);
    EXPECT_EQ(dv_test::check_links(n_), "");
    std::string expected = s.links;
    // describe() lists nodes in id order; the table keeps the ids in order too.
    EXPECT_EQ(dv_test::describe(n_), expected);
  }
}

TEST_F(RelUpkeep, AMemberNeverUsedAnswersAsEmptyAndMakesNoValueCollection) {
  rel_node& a = *n_[0];
  dv_collection& other = dv_collection::create(db_);
  EXPECT_EQ(a.children.cardinality(), 0u);
  EXPECT_TRUE(a.children.empty());
  EXPECT_TRUE(a.children == other);
  EXPECT_TRUE(a.children <= other);
  EXPECT_FALSE(a.children.contains(n_[1]));
  EXPECT_EQ(a.children.pick(), nullptr);
  dv_cursor c(a.children);
  EXPECT_FALSE(c.more());
  a.children.insert(nullptr);
  other.insert(n_[1]);
  EXPECT_TRUE(a.children != other);
  EXPECT_TRUE(a.children < other);
  EXPECT_STREQ(a.children.rep_name(), "none");
  dv_collection::destroy(other);
}

TEST_F(RelUpkeep, ClearKeepsAnEmptyValueCollection) {
  n_[0]->children.insert(n_[1]);
  n_[0]->children.clear();
  EXPECT_STRNE(n_[0]->children.rep_name(), "none");
  EXPECT_EQ(n_[0]->children.cardinality(), 0u);
}

TEST_F(RelUpkeep, RefusedChangesLeaveBothSidesUnchanged) {
  n_[0]->children.insert(n_[1]);
  n_[2]->children.insert(n_[3]);
  const std::string before = dv_test::describe(n_);
  struct Refusal {
    const char* name;
    std::function<void()> change;
  };
  const Refusal refusals[] = {
      {"insert by index into a set", [&] { n_[0]->children.insert_after(n_[3], 0u); }},
      {"insert before an index into a set", [&] { n_[0]->children.insert_before(n_[3], 0u); }},
      {"replace by index in a set", [&] { n_[0]->children.replace_at(n_[3], 0u); }},
      {"remove by index from a set", [&] { n_[0]->children.remove_at(0u); }},
      {"list index out of range", [&] { n_[0]->list_children.insert_after(n_[3], 7u); }},
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.name);
    EXPECT_NE(thrown_by(r.change), "");
    EXPECT_EQ(dv_test::describe(n_), before);
    EXPECT_EQ(dv_test::check_links(n_), "");
  }
}

TEST_F(RelUpkeep, CopiesStartUnlinkedAndLeaveTheOriginalAlone) {
  n_[0]->children.insert(n_[1]);
  n_[0]->partner = n_[2];
  n_[0]->parent = n_[3];
  const std::string before = dv_test::describe(n_);
  {
    rel_node copy(*n_[0]);
    EXPECT_EQ(copy.partner.getvalue(), nullptr);
    EXPECT_EQ(copy.parent.getvalue(), nullptr);
    EXPECT_EQ(copy.children.cardinality(), 0u);
    EXPECT_STREQ(copy.children.rep_name(), "none");
  }
  EXPECT_EQ(dv_test::describe(n_), before);
  EXPECT_EQ(dv_test::check_links(n_), "");
}

TEST(RelReadOnlyView, ReadsAndRefusesEveryWrite) {
  _dv_rel_many_readonly_generic view(dv_probe);
  int element = 0;
  EXPECT_EQ(view.cardinality(), 0u);
  EXPECT_FALSE(view.contains(&element));
  EXPECT_EQ(view.get_behavior(), 0u);
  const std::string refused = "dv_err_not_supported - _Reloc_missing_virtual_function()";
  dv_cursor c(view);
  const struct {
    const char* name;
    std::function<void()> write;
    std::string error;
  } writes[] = {
      {"insert", [&] { view.insert(&element); }, refused},
      {"remove", [&] { view.remove(&element); }, refused},
      {"insert_first", [&] { view.insert_first(&element); }, refused},
      {"remove_all", [&] { view._remove_all(&element); }, refused},
      {"clear", [&] { view.clear(); }, refused},
      {"replace at cursor", [&] { view.replace_at(&element, c); }, refused},
      {"assign", [&] { view |= &element; }, refused},
      {"upkeep from the other side", [&] { view.insert_simple(&element); }, refused},
      {"insert after index", [&] { view.insert_after(&element, 0u); },
       "dv_err_coll_not_supported - <err-0024-0305>none::insert_after() attempted on an unordered collection"},
      {"insert before index", [&] { view.insert_before(&element, 0u); },
       "dv_err_coll_not_supported - <err-0024-0290>insert_before() not supported by none"},
      {"remove at index", [&] { view.remove_at(0u); },
       "dv_err_coll_not_supported - <err-0024-0315>none::remove_at() attempted on an unordered collection"},
      {"replace at index", [&] { view.replace_at(&element, 0u); },
       "dv_err_coll_not_supported - <err-0024-0320>none::replace_at() attempted on an unordered collection"},
  };
  for (const auto& w : writes) {
    SCOPED_TRACE(w.name);
    EXPECT_EQ(thrown_by(w.write), w.error);
  }
}

}  // namespace
