// Guards a facade stored in a database and seen by another process that maps
// the database elsewhere: the facade's virtual-table pointer is restamped, its
// representation pointer relocated, and operations reach the representation
// (an empty test representation, whose own table is restamped too).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "coll_db_test.h"
#include "dv_coll_rep_registry.h"
#include "dv_database_root.h"
#include "dv_new.h"
#include "dv_outofline_collection.h"
#include "dv_test_process.h"
#include "durnavel.h"
#include "vector_rep.h"

using namespace dv_qem;

namespace {

class FacadeProcess : public dv_test::coll_db_test {};
class FacadeProcessChild : public dv_test::coll_child_test {};

std::string file() { return std::getenv("DV_TEST_FILE"); }

TEST_F(FacadeProcess, AStoredFacadeWorksInAnotherProcess) {
  std::string db = path("facade.db");
  ASSERT_EQ(dv_test::run_child("FacadeProcessChild.Create", {{"DV_TEST_FILE", db}, {"DV_QEM_AS_START", "0x20000000"}}),
            0);
  EXPECT_EQ(dv_test::run_child("FacadeProcessChild.Use", {{"DV_TEST_FILE", db}, {"DV_QEM_AS_START", "0x28000000"}}), 0);
}

TEST_F(FacadeProcessChild, Create) {
  dv_test::vector_rep_kinds kinds{_Coll_kind::list};
  dv_database* db = dv_database::create(file().c_str(), 0644, 0, 0);
  dv_outofline_collection* facade = dv_outofline_collection::generate_facade("dv_List", db, 0, 0x12);
  db->create_root("list")->set_value(facade, dv_outofline_collection::get_dv_typespec());
  db->save();
  db->close();
}

TEST_F(FacadeProcessChild, Use) {
  dv_database* db = dv_database::open(file().c_str(), 0, 0, 0);
  ASSERT_EQ(db->as_start(), reinterpret_cast<void*>(0x28000000));
  auto* facade = static_cast<dv_outofline_collection*>(
      db->find_root("list")->get_value(dv_outofline_collection::get_dv_typespec()));
  ASSERT_EQ(dv_database::of(facade->get_outofline()), db);
  EXPECT_EQ(facade->get_behavior(), 0x12u);
  EXPECT_EQ(facade->cardinality(), 0u);
  EXPECT_STREQ(facade->rep_name(), "test_vector");
  EXPECT_EQ(facade->pick(), nullptr);
  db->close();
}

}  // namespace
