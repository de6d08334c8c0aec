// Guards relationships whose partners lie in a database opened read-only:
// every change that would write a partner there (removing, inserting,
// assigning, clearing, and dv_rel_delete of the owner) raises the runtime's
// write refusal before anything changes, so both sides still agree and the
// process goes on; a change that writes only writable objects still works.
// The nodes are linked, both databases saved and reopened, the partners'
// one read-only.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "coll_db_test.h"
#include "dv_database_root.h"
#include "dv_err.h"
#include "dv_thrown_by.h"
#include "durnavel.h"
#include "rel_nodes.h"

using namespace dv_qem;
using dv_test::rel_node;
using dv_test::thrown_by;

namespace {

class RelReadOnlyPartner : public dv_test::coll_db_test {
 protected:
  // Writable: p (0), q (1) and e (4). Read-only after the reopen: c (2),
  // d (3).
  void SetUp() override {
    dv_database* a = dv_database::create(path("a.db").c_str(), 0644, 0, 0);
    dv_database* b = dv_database::create(path("b.db").c_str(), 0644, 0, 0);
    rel_node* p = dv_test::make_node(a, 0);
    rel_node* q = dv_test::make_node(a, 1);
    rel_node* c = dv_test::make_node(b, 2);
    rel_node* d = dv_test::make_node(b, 3);
    rel_node* e = dv_test::make_node(a, 4);
    p->children.insert(e);  // a writable child beside the read-only one
    p->children.insert(c);
    p->likes.insert(c);
    c->likes.insert(p);
    q->partner = d;
    q->parent = d;
    a->create_root("nodes")->set_value(p, &dv_ts<rel_node>::the_instance);
    b->create_root("nodes")->set_value(c, &dv_ts<rel_node>::the_instance);
    before_ = {p, q, c, d, e};
    a->save();
    b->save();
    a->close();
    b->close();
    a_ = dv_database::open(path("a.db").c_str(), 0, 0, 0);
    b_ = dv_database::open(path("b.db").c_str(), 1, 0, 0);
    n_ = before_;
  }
  void TearDown() override {
    b_->close();
    a_->close();
  }

  dv_database* a_ = nullptr;
  dv_database* b_ = nullptr;
  std::vector<rel_node*> before_;
  std::vector<rel_node*> n_;
};

TEST_F(RelReadOnlyPartner, ARefusedChangeLeavesBothSidesAsTheyWere) {
  ASSERT_EQ(dv_database_root::find("nodes", a_)->get_value(&dv_ts<rel_node>::the_instance), before_[0])
      << "the writable database came back at its place";
  ASSERT_EQ(dv_database_root::find("nodes", b_)->get_value(&dv_ts<rel_node>::the_instance), before_[2])
      << "the read-only database came back at its place";
  rel_node* p = n_[0];
  rel_node* q = n_[1];
  rel_node* c = n_[2];
  rel_node* d = n_[3];
  const std::string links = dv_test::describe(n_);
  ASSERT_EQ(dv_test::check_links(n_), "");

  const struct {
    const char* name;
    std::function<void()> change;
  } refused[] = {
      {"many-to-one remove", [&] { p->children.remove(c); }},
      {"many-to-one clear", [&] { p->children.clear(); }},
      {"many-to-one insert of a read-only element", [&] { q->children.insert(d); }},
      {"many-to-one insert taking the element from its owner", [&] { q->children.insert(c); }},
      {"many-to-many insert", [&] { q->likes.insert(c); }},
      {"many-to-many remove", [&] { p->likes.remove(c); }},
      {"one-to-many assignment to a read-only target", [&] { p->parent = d; }},
      {"one-to-many assignment away from a read-only target", [&] { q->parent = p; }},
      {"one-to-many assignment of a read-only owner", [&] { c->parent = q; }},
      {"one-to-one assignment", [&] { p->partner = c; }},
      {"one-to-one assignment away from a read-only partner", [&] { q->partner = p; }},
      {"deleting the owner", [&] { dv_rel_delete(p); }},
      {"deleting another owner", [&] { dv_rel_delete(q); }},
  };
  for (const auto& row : refused) {
    SCOPED_TRACE(row.name);
    const std::string what = thrown_by(row.change);
    EXPECT_EQ(what.rfind("dv_err_write_permission_denied", 0), 0u) << what;
    EXPECT_EQ(dv_test::describe(n_), links);
    EXPECT_EQ(dv_test::check_links(n_), "");
  }

  // Changes that write only the writable database go on.
  p->likes.insert(q);
  EXPECT_TRUE(q->liked_by.contains(p));
  q->children.insert(p);
  EXPECT_EQ(p->parent.getvalue(), q);
  EXPECT_EQ(dv_test::check_links(n_), "");
}

}  // namespace
