// Guards the component cursor over a B-tree: its walks unrestricted and
// restricted, the refused reset of an unrestricted component, the mapping
// step that stops on a target element under the saved key (C-string keys
// included), the step back from a matched element, and a component without
// a representation.
#include <gtest/gtest.h>

#include <vector>

#include "dv_btree.h"
#include "dv_coll_err.h"
#include "dv_component_cursor.h"

using namespace dv_qem;

namespace {

class ComponentCursor : public ::testing::Test {
 protected:
  void SetUp() override {
    // A transient tree: keys 10, 20, ..., 50; key k holds element k / 10.
    tree_ = new dv_btree("int", 4, 1, 1, 0);
    for (int k = 10; k <= 50; k += 10) tree_->__insert(&items_[k / 10], &k, nullptr, nullptr, 0u);
  }
  void TearDown() override { delete tree_; }

  std::vector<int> rest(_Component_cursor& c, bool first) {
    std::vector<int> out;
    void* e = nullptr;
    for (int more = first ? c.first(e) : c.next(e); more; more = c.next(e)) out.push_back(static_cast<int*>(e) - items_);
    return out;
  }

  int items_[8] = {};
  dv_btree* tree_ = nullptr;
};

TEST_F(ComponentCursor, WalksItsRepresentation) {
  _Component_cursor all(tree_, tree_);
  EXPECT_EQ(all.flags(), dv4u{_Component_cursor::unrestricted_bit});
  EXPECT_EQ(rest(all, true), (std::vector<int>{1, 2, 3, 4, 5}));
  int thirty = 30;
  _Component_cursor above(tree_, tree_, 1, &thirty);
  EXPECT_EQ(above.flags(), 0u);
  EXPECT_EQ(rest(above, true), (std::vector<int>{4, 5}));
  int twenty = 20;
  _Component_cursor between(tree_, tree_, 2, &twenty, -2, &thirty);
  EXPECT_EQ(rest(between, true), (std::vector<int>{2, 3}));
  void* e = nullptr;
  EXPECT_EQ(between.last(e), 1);
  EXPECT_EQ(e, &items_[3]);
}

TEST_F(ComponentCursor, AnUnrestrictedComponentRefusesTheRestrictedReset) {
  _Component_cursor all(tree_, tree_);
  int key = 20;
  try {
    all.reset_restricted(&key);
    FAIL() << "nothing thrown";
  } catch (const dv_err_cursor& e) {
    EXPECT_STREQ(e.get_report(), "dv_err_cursor - <maint-0024-0780>cursor_exception in _Component_cursor::reset (2)");
  }
  int ten = 10;
  _Component_cursor restricted(tree_, tree_, 2, &ten);
  EXPECT_EQ(restricted.reset_restricted(&key), 1);
  EXPECT_EQ(restricted.saved_key(), &key);
}

TEST_F(ComponentCursor, TheMappingStepStopsOnTheTargetUnderTheSavedKey) {
  _Component_cursor c(tree_, tree_);
  int thirty = 30;
  c.set_mapping_target(&items_[3]);
  EXPECT_EQ(c.reset(&thirty), 1);
  void* e = nullptr;
  int steps = 0;
  while (!c.map_step() && c.next(e)) ++steps;
  EXPECT_EQ(steps, 2);
  EXPECT_EQ(c.flags() & _Component_cursor::matched_bit, dv4u{_Component_cursor::matched_bit});
  EXPECT_EQ(c.saved_element(), &items_[3]);
  EXPECT_EQ(c.more(), 0) << "a matched element is pending";
  // Stepping on drops it; stepping back first returns behind it.
  EXPECT_EQ(c.previous(e), 1);
  EXPECT_EQ(e, &items_[2]);
  EXPECT_EQ(c.saved_element(), nullptr);
  // Another key under the target does not match.
  int forty = 40;
  c.reset(&forty);
  c.next(e);
  c.next(e);
  EXPECT_EQ(c.map_step(), 0);
}

TEST_F(ComponentCursor, MapsCStringKeysToo) {
  dv_btree names("char*", 4, 1, 1, 0);
  const char* a = "alpha";
  const char* b = "a name longer than the twenty-seven inline characters";
  names.__insert(&items_[1], &a, nullptr, nullptr, 0u);
  names.__insert(&items_[2], &b, nullptr, nullptr, 0u);
  _Component_cursor c(&names, &names);
  c.set_mapping_target(&items_[2]);
  c.reset(&b);
  void* e = nullptr;
  while (!c.map_step() && c.next(e)) {
  }
  EXPECT_EQ(c.saved_element(), &items_[2]);
}

TEST(ComponentCursorWithoutRepresentation, AnswersNothing) {
  _Component_cursor c(nullptr, nullptr);
  void* e = &c;
  EXPECT_EQ(c.first(e), 0);
  EXPECT_EQ(e, nullptr);
  EXPECT_EQ(c.more(), 0);
  EXPECT_EQ(c.null(), 1);
  EXPECT_EQ(c.map_step(), 0);
}

}  // namespace
