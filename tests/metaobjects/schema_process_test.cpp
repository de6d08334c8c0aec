// Guards a stored schema seen by another process that maps its database at
// another address: one process creates an application schema with a
// metaobject of every kind and stores it; another opens the database at
// DV_QEM_AS_START=0x24100000, loads the schema, which loads the test schema
// library by its file name (registering the library's typespec, unknown
// before), and finds every metaobject printing as it did when stored, the
// enumerator a literal points at included.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "dv_database_root.h"
#include "dv_qem/mop"
#include "dv_test_process.h"
#include "mop_db_test.h"
#include "mop_sample_schema.h"

using namespace dv_qem;

namespace {

class SchemaProcess : public dv_test::mop_db_test {};
class SchemaProcessChild : public dv_test::mop_child_test {};

std::string env(const char* name) { return std::getenv(name); }

std::string read_file(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST_F(SchemaProcess, AStoredSchemaLoadsWithItsLibraryInAnotherProcess) {
  const dv_test::env_list files{{"DV_TEST_FILE", path("app.db")}, {"DV_TEST_TEXT", path("app.txt")}};
  ASSERT_EQ(dv_test::run_child("SchemaProcessChild.Store", files), 0);
  dv_test::env_list elsewhere = files;
  elsewhere.emplace_back("DV_QEM_AS_START", "0x24100000");
  EXPECT_EQ(dv_test::run_child("SchemaProcessChild.Load", elsewhere), 0);
}

TEST_F(SchemaProcessChild, Store) {
  dv_database* db = dv_database::create(env("DV_TEST_FILE").c_str(), 0644, 1, 0);
  dv_app_schema* schema = dv_app_schema::create(db, MOP_TEST_SCHEMA_PATH);
  dv_test::fill_sample_schema(*schema);
  std::ofstream(env("DV_TEST_TEXT")) << dv_test::describe(*schema);
  db->save();
  db->close();
}

TEST_F(SchemaProcessChild, Load) {
  ASSERT_EQ(dv_typespec::get_typespec("MopTestGadget"), nullptr) << "the schema library is not loaded yet";
  dv_database* db = dv_database::open(env("DV_TEST_FILE").c_str(), 0, 0, 0);
  ASSERT_EQ(db->as_start(), reinterpret_cast<void*>(0x24100000));
  auto* location = static_cast<String*>(db->find_root("the_app_loc")->get_value(String::get_dv_typespec()));
  EXPECT_STREQ(location->get_str(), MOP_TEST_SCHEMA_FILE) << "only the file name is stored";
  dv_app_schema* schema = dv_app_schema::get(db);
  ASSERT_NE(schema, nullptr);
  EXPECT_NE(dv_typespec::get_typespec("MopTestGadget"), nullptr) << "loading registered the library's typespec";
  EXPECT_EQ(dv_test::describe(*schema), read_file(env("DV_TEST_TEXT")));

  dv_instantiated_class_type& holder_int = *schema->find_type("Holder<int>");
  dv_cursor c(holder_int.get_instantiation()->get_args());
  void* arg = nullptr;
  ASSERT_TRUE(c.first(arg) && c.next(arg));
  dv_literal_template_actual_arg& by_enum = *static_cast<dv_template_actual_arg*>(arg);
  ASSERT_NE(by_enum.get_literal()->get_enum_literal(), nullptr);
  EXPECT_STREQ(by_enum.get_literal()->get_enum_literal()->get_name(), "green");
  dv_class_type& shape = *schema->find_type("Shape");
  EXPECT_STREQ(shape.get_vtbl_map().pick(0u)->get_str(), "Shape::area");
  EXPECT_EQ(schema->get_classes().cardinality(), 4u);
  EXPECT_EQ(schema->type_at(&shape), nullptr) << "the schema describes the application's types, not its own";
  db->close();
}

}  // namespace
