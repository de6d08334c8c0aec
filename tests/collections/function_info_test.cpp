// Guards the descriptions kept for path indexes and queries: dv_function_info
// (names copied beside the record and owned by every copy, flags, back
// pointer, rank and hash by class and member), dv_function_map (records
// registered before and after its map exists are found; a destroyed record
// leaves it), dv_index_path (created empty, copied, destroyed) and
// _DVRTQ_interpret_flags.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "coll_db_test.h"
#include "durnavel.h"
#include "dv_coll_key_functions.h"
#include "dv_database.h"
#include "dv_function_info.h"
#include "dv_index_path.h"
#include "dv_new.h"

using namespace dv_qem;

namespace {

TEST(FunctionInfo, KeepsCopiesOfItsNamesAndItsWords) {
  char cls[] = "Product";
  char member[] = "price";
  dv_function_info info(cls, member, "double", 8, 12, 1, 4, 0);
  std::strcpy(cls, "Changed");
  EXPECT_STREQ(info.get_class(), "Product");
  EXPECT_STREQ(info.get_member(), "price");
  EXPECT_STREQ(info.get_return_type(), "double");
  EXPECT_EQ(info.get_return_type_size(), 8u);
  EXPECT_EQ(info.get_responsibility(), 1);
  EXPECT_EQ(info.get_class_type(), 1);
  char object[32];
  EXPECT_EQ(info.get_dv_backptr(object), object + 12);
  EXPECT_EQ(info.copy(object), nullptr);

  dv_function_info lookup("Product", "price");
  EXPECT_STREQ(lookup.get_return_type(), "void");
  EXPECT_EQ(lookup.get_return_type_size(), 0u);
  EXPECT_EQ(lookup.get_responsibility(), 0);
  EXPECT_EQ(lookup.get_dv_backptr(object), object) << "offset 0";
  dv_function_info none("A", "b", "int", 4, -1, 0, 0, 0);
  EXPECT_EQ(none.get_dv_backptr(object), nullptr);
}

TEST(FunctionInfo, CopiesOwnTheirNames) {
  auto original = std::make_unique<dv_function_info>("Department", "name", "char*", 4, 0, 1, 0, 0);
  dv_function_info copy(*original);
  dv_function_info assigned("X", "y");
  assigned = *original;
  EXPECT_NE(copy.get_class(), original->get_class());
  EXPECT_NE(assigned.get_member(), original->get_member());
  original.reset();
  for (const dv_function_info* c : {&copy, &assigned}) {
    EXPECT_STREQ(c->get_class(), "Department");
    EXPECT_STREQ(c->get_member(), "name");
    EXPECT_STREQ(c->get_return_type(), "char*");
    EXPECT_EQ(c->get_responsibility(), 1);
  }
}

class FunctionInfoInDatabase : public dv_test::coll_db_test {};

TEST_F(FunctionInfoInDatabase, APersistentRecordKeepsItsNamesBesideIt) {
  dv_database* db = dv_database::create(path("info.db").c_str(), 0644, 0, 0);
  auto* info = ::new (::operator new(sizeof(dv_function_info), db, dv_function_info::get_dv_typespec()))
      dv_function_info("Region", "code", "int", 4, 8, 0, 0, 0);
  EXPECT_TRUE(durnavel::is_persistent(info->get_class()));
  EXPECT_EQ(dv_database::of(info->get_member()), db);
  EXPECT_STREQ(info->get_return_type(), "int");
  delete info;
  db->close();
}

TEST(FunctionInfo, RankAndHashByClassThenMember) {
  dv_function_info a("A", "x"), b("A", "y"), c("B", "a");
  EXPECT_EQ(dv_function_info::_rank(&a, &b), -1);
  EXPECT_EQ(dv_function_info::_rank(&b, &a), 1);
  EXPECT_EQ(dv_function_info::_rank(&b, &c), -1);
  EXPECT_EQ(dv_function_info::_rank(&a, &a), 0);
  // The byte fold of "A" then "x" from the seed, without the multiplier.
  const unsigned expected = ((('x' ^ ((('A' ^ _Coll_fold_seed) * 17u))) * 17u));
  EXPECT_EQ(dv_function_info::_hash(&a), expected);
}

TEST(FunctionMap, FindsRecordsRegisteredBeforeAndAfterTheMapAndForgetsDestroyedOnes) {
  EXPECT_EQ(dv_function_map::find_item("Nobody", "nothing"), nullptr) << "nothing registered yet";
  auto early = std::make_unique<dv_function_info>("Shop", "name", "char*", 4, -1, 0, 0, 1);
  auto doomed = std::make_unique<dv_function_info>("Shop", "gone", "int", 4, -1, 0, 0, 1);
  dv_function_info unregistered("Shop", "hidden", "int", 4, -1, 0, 0, 0);
  doomed.reset();  // leaves the pending records
  EXPECT_EQ(dv_function_map::find_item("Shop", "name"), early.get());  // makes the map
  EXPECT_EQ(dv_function_map::find_item("Shop", "gone"), nullptr);
  EXPECT_EQ(dv_function_map::find_item("Shop", "hidden"), nullptr);
  auto late = std::make_unique<dv_function_info>("Product", "price", "double", 8, -1, 0, 0, 1);
  EXPECT_EQ(dv_function_map::find_item("Product", "price"), late.get());
  EXPECT_EQ(dv_function_map::find_item("Product", "name"), nullptr);
  dv_function_info copy(*late);  // copies are not registered
  late.reset();
  EXPECT_EQ(dv_function_map::find_item("Product", "price"), nullptr);
  EXPECT_EQ(dv_function_map::find_item("Shop", "name"), early.get());
  early.reset();
  EXPECT_EQ(dv_function_map::find_item("Shop", "name"), nullptr);
}

TEST(IndexPath, IsCreatedEmptyCopiedAndDestroyed) {
  dv_index_path& path = dv_index_path::create("Product", "price", nullptr);
  EXPECT_EQ(path.get_steps(), nullptr);
  EXPECT_EQ(path.LI_name(), nullptr);
  EXPECT_EQ(path.DML_name(), nullptr);
  EXPECT_EQ(path.branching(), 0);
  EXPECT_EQ(path.gateway_path(), 0);
  EXPECT_EQ(path.is_multistep(), 0);
  EXPECT_EQ(path.keeping_deref(), 0u);
  dv_index_path copy(path);
  EXPECT_EQ(copy.get_steps(), nullptr);
  dv_index_path::destroy(path);
}

TEST(InterpretFlags, NullPathBit) {
  _DVRTQ_interpret_flags flags;
  EXPECT_EQ(flags.encountered_null_path(), 0);
  flags.set_null_path();
  EXPECT_EQ(flags.encountered_null_path(), 1);
  _DVRTQ_interpret_flags copy;
  copy = flags;
  EXPECT_EQ(copy.encountered_null_path(), 1);
  flags.clear();
  EXPECT_EQ(flags.encountered_null_path(), 0);
}

}  // namespace
