// Guards the schema container and its roots: destroying a schema frees
// every metaobject it owns and nothing twice; adding types (classes also in
// the class list, unnamed types only in the unnamed list), a second type
// under one name refused with dv_err_mop and nothing changed, lookups of
// unknown names, the type of a persistent object; creating an application
// schema (the library's file name part stored; either root already there
// refused before anything is written); and every loading failure with its
// message, including library names that are not bare file names.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dv_database_root.h"
#include "dv_new.h"
#include "dv_qem/mop"
#include "mop_db_test.h"
#include "mop_sample_schema.h"

using namespace dv_qem;

namespace {

class Schema : public dv_test::mop_db_test {
 protected:
  template <class T, class... Args>
  T* make(Args&&... args) {
    return new (db_, T::get_dv_typespec()) T(std::forward<Args>(args)...);
  }
  dv_app_schema* schema() { return make<dv_app_schema>(); }
  // The message of the dv_err_no_schema that loading this database throws.
  std::string load_failure() {
    try {
      dv_app_schema::get(db_);
    } catch (const dv_err_no_schema& e) {
      return e.get_report();
    }
    return "(loaded)";
  }
};

TEST_F(Schema, TypesByNameClassesAndUnnamedTypes) {
  dv_app_schema* s = schema();
  EXPECT_EQ(s->get_kind(), 0);
  EXPECT_TRUE(s->support_for_reachable_types());
  auto* i = make<dv_integral_type>(dv_type::Integer, 1, 4, 4, "int");
  auto* shape = make<dv_class_type>("Shape");
  auto* anonymous = make<dv_class_type>("");
  auto* pointer = make<dv_pointer_type>(*i);
  s->add_type("int", i);
  s->add_type("Shape", shape);
  s->add_type("", anonymous);
  s->add_type(nullptr, pointer);
  EXPECT_EQ(s->find_type("int"), i);
  EXPECT_EQ(s->find_type("Shape"), shape);
  EXPECT_EQ(s->find_type(""), nullptr) << "an unnamed type is never found by name";
  EXPECT_EQ(s->find_type(nullptr), nullptr);
  EXPECT_EQ(s->find_type("Circle"), nullptr);
  EXPECT_EQ(s->get_classes().cardinality(), 2u);
  EXPECT_TRUE(s->get_classes().contains(shape));
  EXPECT_TRUE(s->get_classes().contains(anonymous));
  EXPECT_EQ(s->get_unnamed_types().cardinality(), 2u);
  EXPECT_TRUE(s->get_unnamed_types().contains(anonymous));
  EXPECT_TRUE(s->get_unnamed_types().contains(pointer));
}

TEST_F(Schema, ASecondTypeUnderOneNameIsRefused) {
  dv_app_schema* s = schema();
  auto* first = make<dv_class_type>("Shape");
  s->add_type("Shape", first);
  auto* second = make<dv_class_type>("Shape");
  try {
    s->add_type("Shape", second);
    FAIL() << "a second Shape was taken";
  } catch (const dv_err_mop& e) {
    EXPECT_STREQ(e.get_report(), "dv_err_mop - add_type: the schema already holds a type named \"Shape\"");
  }
  EXPECT_EQ(s->find_type("Shape"), first);
  EXPECT_EQ(s->get_classes().cardinality(), 1u) << "the refused type went nowhere";
  delete second;
}

// The schema owns its types: one type filed twice, under two names or twice
// unnamed, would be destroyed twice.
TEST_F(Schema, OneTypeFiledTwiceIsRefused) {
  const auto before = dv_test::object_census(db_);
  dv_app_schema* s = schema();
  auto* shape = make<dv_class_type>("Shape");
  auto* pointer = make<dv_pointer_type>(*shape);
  s->add_type("Shape", shape);
  s->add_type(nullptr, pointer);
  struct Case {
    const char* name;
    dv_type* type;
  } cases[] = {{"Figure", shape}, {"", shape}, {"Shape*", pointer}, {nullptr, pointer}};
  for (const Case& c : cases) {
    try {
      s->add_type(c.name, c.type);
      ADD_FAILURE() << "filed again as " << (c.name ? c.name : "(null)");
    } catch (const dv_err_mop& e) {
      EXPECT_NE(std::string(e.get_report()).find("already holds this type"), std::string::npos) << e.get_report();
    }
  }
  EXPECT_EQ(s->find_type("Figure"), nullptr);
  EXPECT_EQ(s->find_type("Shape*"), nullptr);
  EXPECT_EQ(s->get_classes().cardinality(), 1u);
  EXPECT_EQ(s->get_unnamed_types().cardinality(), 1u);
  delete s;
  EXPECT_EQ(dv_test::object_census(db_), before);
}

TEST_F(Schema, DestroyingASchemaFreesEverythingItOwns) {
  const auto before = dv_test::object_census(db_);
  dv_app_schema* s = schema();
  dv_test::fill_sample_schema(*s);
  EXPECT_NE(dv_test::object_census(db_), before);
  delete s;
  EXPECT_EQ(dv_test::object_census(db_), before);
}

TEST_F(Schema, ATypeNameIsCopiedOnce) {
  dv_app_schema* s = schema();
  s->add_type("int", make<dv_integral_type>(dv_type::Integer, 1, 4, 4, "int"));
  auto* shape = make<dv_class_type>("Shape");
  auto before = dv_test::object_census(db_);
  s->add_type("Shape", shape);
  auto after = dv_test::object_census(db_);
  EXPECT_EQ(after["char"], before["char"] + 1) << "one copy of the name, the table's key";
}

TEST_F(Schema, TemplatesByName) {
  dv_app_schema* s = schema();
  auto* holder = make<dv_class_type>("Holder");
  dv_List<dv_template_formal_arg>& formals = dv_List<dv_template_formal_arg>::create(db_);
  formals.insert_last(make<dv_template_type_formal>("T"));
  auto* t = make<dv_template>(*holder, formals, 0);
  s->add_template("Holder", t);
  s->add_template("", make<dv_template>(*holder, dv_List<dv_template_formal_arg>::create(db_), 0));
  EXPECT_EQ(s->find_template("Holder"), t);
  EXPECT_EQ(s->find_template(""), nullptr);
  EXPECT_EQ(s->find_template("Other"), nullptr);
  EXPECT_STREQ(t->get_name(), "Holder");
}

TEST_F(Schema, TypeOfAPersistentObject) {
  dv_app_schema* s = schema();
  auto* i = make<dv_integral_type>(dv_type::Integer, 1, 4, 4, "int");
  auto* class_meta = make<dv_class_type>("dv_qem::dv_class_type");
  s->add_type("dv_qem::dv_class_type", class_meta);
  const void* start = nullptr;
  unsigned count = 0;
  const char* inside = reinterpret_cast<const char*>(class_meta) + 8;
  EXPECT_EQ(s->type_containing(inside, start, count), class_meta);
  EXPECT_EQ(start, class_meta);
  EXPECT_EQ(s->type_at(class_meta), class_meta);
  EXPECT_EQ(s->type_at(i), nullptr) << "no type of that typespec's name in the schema";
  int on_stack = 0;
  EXPECT_EQ(s->type_at(&on_stack), nullptr);
}

TEST_F(Schema, CreateStoresTheLibrarysFileName) {
  const struct {
    const char* path;
    const char* stored;
  } cases[] = {{"C:\\apps\\shop.dll", "shop.dll"}, {"lib/x.dll", "x.dll"}, {"plain.so", "plain.so"},
               {"/opt/app/lib/libshop.so", "libshop.so"}};
  int n = 0;
  for (const auto& c : cases) {
    dv_database* db = dv_database::create(path("create" + std::to_string(n++) + ".db").c_str(), 0644, 1, 0);
    dv_app_schema* s = dv_app_schema::create(db, c.path);
    EXPECT_EQ(dv_database::of(s), db);
    EXPECT_EQ(db->find_root("the_app_schema")->get_value(dv_app_schema::get_dv_typespec()), s);
    auto* stored = static_cast<String*>(db->find_root("the_app_loc")->get_value(String::get_dv_typespec()));
    EXPECT_STREQ(stored->get_str(), c.stored) << c.path;
    db->close();
  }
}

TEST_F(Schema, CreateRefusesEitherRootBeforeWritingAnything) {
  for (const char* existing : {"the_app_schema", "the_app_loc"}) {
    dv_database* db = dv_database::create(path(std::string(existing) + ".db").c_str(), 0644, 1, 0);
    db->create_root(existing);
    const auto before = dv_test::object_census(db);
    EXPECT_THROW(dv_app_schema::create(db, "libshop.so"), dv_err_root_exists) << existing;
    EXPECT_EQ(dv_test::object_census(db), before) << existing;
    const char* other = std::strcmp(existing, "the_app_schema") == 0 ? "the_app_loc" : "the_app_schema";
    EXPECT_EQ(db->find_root(other), nullptr) << "the other root was not made";
    db->close();
  }
}

TEST_F(Schema, LoadingFailuresNameWhatIsMissing) {
  EXPECT_EQ(load_failure(), "dv_err_no_schema - Invalid Schema DB. Can't find schema root.");
  dv_database_root* root = db_->create_root("the_app_schema");
  EXPECT_EQ(load_failure(), "dv_err_no_schema - Invalid Schema DB. Schema root is 0.");
  root->set_value(schema(), dv_app_schema::get_dv_typespec());
  EXPECT_EQ(load_failure(), "dv_err_no_schema - Invalid Schema DB. Can't find schema location.");
  dv_database_root* location = db_->create_root("the_app_loc");
  EXPECT_EQ(load_failure(), "dv_err_no_schema - Invalid Schema DB. Schema location is 0.");
  location->set_value(make<String>("libno_such_schema.so"), String::get_dv_typespec());
  EXPECT_EQ(load_failure(), "dv_err_no_schema - Could Not Load Schema DLL \"libno_such_schema.so\". Error 2")
      << "the error code is the errno of the missing file";
  location->set_value(make<String>("shop.dll"), String::get_dv_typespec());
  EXPECT_EQ(load_failure(), "dv_err_no_schema - Could Not Load Schema DLL \"shop.dll\". Error 2");
}

TEST_F(Schema, OnlyBareLibraryNamesAreLoaded) {
  db_->create_root("the_app_schema")->set_value(schema(), dv_app_schema::get_dv_typespec());
  dv_database_root* location = db_->create_root("the_app_loc");
  for (const char* name : {"/usr/lib/libc.so.6", "..\\shop.dll", "sub\\x.so", "..", "a/../b.so", ""}) {
    location->set_value(make<String>(name), String::get_dv_typespec());
    EXPECT_EQ(load_failure(), "dv_err_no_schema - Could Not Load Schema DLL \"" + std::string(name) + "\". Error -1")
        << name;
  }
}

TEST_F(Schema, RootsOfAnotherTypeAreRefused) {
  auto* not_a_schema = make<String>("text");
  db_->create_root("the_app_schema")->set_value(not_a_schema, String::get_dv_typespec());
  EXPECT_EQ(load_failure(),
            "dv_err_no_schema - Invalid Schema DB. Root \"the_app_schema\" holds a dv_qem::String, not a "
            "dv_qem::dv_app_schema.");
}

}  // namespace
