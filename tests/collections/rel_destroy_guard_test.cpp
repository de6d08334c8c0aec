// Guards destroying a persistent owner of relationship members while the
// runtime refuses to let it be written: with transactions in use and none in
// progress, and in a read-only transaction, dv_rel_delete raises the
// runtime's transaction error before anything changes (the links stay, the
// process goes on); in an update transaction the owner leaves every link.
// Runs in a child process, which turns transactions on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "coll_db_test.h"
#include "dv_test_process.h"
#include "dv_thrown_by.h"
#include "dv_transaction.h"
#include "durnavel.h"
#include "rel_nodes.h"

using namespace dv_qem;
using dv_test::rel_node;
using dv_test::thrown_by;

namespace {

class RelDestroyGuard : public dv_test::coll_db_test {};
class RelDestroyGuardChild : public dv_test::coll_child_test {};

TEST_F(RelDestroyGuard, ARefusedWriteLeavesTheLinksAndTheProcessRunning) {
  EXPECT_EQ(dv_test::run_child("RelDestroyGuardChild.RefusedThenDestroyed", {{"DV_TEST_FILE", path("guard.db")}}), 0);
}

TEST_F(RelDestroyGuardChild, RefusedThenDestroyed) {
  dv_transaction::initialize();
  dv_database* db = dv_database::create(std::getenv("DV_TEST_FILE"), 0644, 0, 0);
  dv_transaction::begin(dv_transaction::update);
  std::vector<rel_node*> n;
  for (int i = 0; i < 4; ++i) n.push_back(dv_test::make_node(db, i));
  n[0]->children.insert(n[1]);
  n[0]->parent = n[2];
  n[0]->likes.insert(n[3]);
  n[0]->partner = n[3];
  const std::string links = dv_test::describe(n);
  dv_transaction::commit();

  EXPECT_EQ(thrown_by([&] { dv_rel_delete(n[0]); }).rfind("dv_err_trans - Attempt to touch persistent memory", 0), 0u);
  dv_transaction::begin(dv_transaction::read_only);
  EXPECT_EQ(thrown_by([&] { dv_rel_delete(n[0]); }).rfind("dv_err_trans_wrong_type - ", 0), 0u);
  EXPECT_EQ(dv_test::describe(n), links);
  EXPECT_EQ(dv_test::check_links(n), "");
  dv_transaction::commit();

  dv_transaction::begin(dv_transaction::update);
  dv_rel_delete(n[0]);
  n[0] = nullptr;
  EXPECT_EQ(dv_test::describe(n), "");
  EXPECT_EQ(dv_test::check_links(n), "");
  dv_transaction::commit();
  db->close();
}

}  // namespace
