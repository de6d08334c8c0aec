// Guards install and copy: installing a named type twice into one schema
// gives one instance and copies nothing the second time; a refused install
// leaves the target as it was; a deep copy of a
// schema into a schema of a second database prints as the source does, keeps
// nothing in the source database, and survives reopening that database in
// another process at another address after the source database is gone; a
// shell installed without reachable types prints its unreachable types as
// empty names.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "dv_new.h"
#include "dv_qem/mop"
#include "dv_test_process.h"
#include "mop_db_test.h"
#include "mop_sample_schema.h"

using namespace dv_qem;

namespace {

class InstallCopy : public dv_test::mop_db_test {
 protected:
  void SetUp() override {
    mop_db_test::SetUp();
    source_ = new (db_, dv_app_schema::get_dv_typespec()) dv_app_schema();
    dv_test::fill_sample_schema(*source_);
    target_db_ = dv_database::create(path("target.db").c_str(), 0644, 1, 0);
    target_ = new (target_db_, dv_app_schema::get_dv_typespec()) dv_app_schema();
  }
  void TearDown() override {
    if (dv_database::is_open(target_db_)) target_db_->close();
    mop_db_test::TearDown();
  }
  dv_app_schema* source_ = nullptr;
  dv_database* target_db_ = nullptr;
  dv_app_schema* target_ = nullptr;
};

// Installs every named sample type (and so every type they reach).
void install_all(const dv_schema& source, dv_schema& target) {
  for (unsigned n = 0; n < dv_test::sample_type_count; ++n)
    source.find_type(dv_test::sample_type_names[n])->install(target, 1);
}

TEST_F(InstallCopy, InstallingTwiceGivesOneInstance) {
  const dv_type* shape = source_->find_type("Shape");
  dv_type& first = shape->install(*target_, 0);
  EXPECT_NE(&first, shape);
  EXPECT_EQ(dv_database::of(&first), target_db_);
  EXPECT_FALSE(first.is_unspecified());
  const auto census = dv_test::object_census(target_db_);
  dv_type& second = shape->install(*target_, 1);
  EXPECT_EQ(&second, &first);
  EXPECT_EQ(dv_test::object_census(target_db_), census) << "the second install copied nothing";
  EXPECT_EQ(&shape->install(*source_, 1), shape) << "a type installs into its own schema as itself";
}

// Shape's second member is a Colour; a target that holds Colour as another
// kind of type refuses the install, and every type the install had filed or
// filled before the refusal is gone again.
TEST_F(InstallCopy, ARefusedInstallLeavesTheTargetAsItWas) {
  auto* other_colour = new (target_db_, dv_integral_type::get_dv_typespec())
      dv_integral_type(dv_type::Integer, 1, 4, 4, "Colour");
  target_->add_type("Colour", other_colour);
  const auto census = dv_test::object_census(target_db_);
  const dv_type* shape = source_->find_type("Shape");
  for (int attempt = 1; attempt <= 2; ++attempt) {
    try {
      shape->install(*target_, 1);
      ADD_FAILURE() << "attempt " << attempt << ": the install was taken";
    } catch (const dv_err_mop& e) {
      EXPECT_NE(std::string(e.get_report()).find("\"Colour\""), std::string::npos) << e.get_report();
    }
    EXPECT_EQ(target_->find_type("Shape"), nullptr) << attempt;
    EXPECT_EQ(target_->find_type("Count"), nullptr) << attempt;
    EXPECT_EQ(target_->find_type("int"), nullptr) << attempt;
    EXPECT_EQ(target_->find_type("Colour"), other_colour) << attempt;
    EXPECT_EQ(target_->get_classes().cardinality(), 0u) << attempt;
    EXPECT_EQ(dv_test::object_census(target_db_), census) << attempt;
  }
  target_db_->self_check();
}

TEST_F(InstallCopy, ACopyPrintsAsTheSourceAndLivesInItsOwnDatabase) {
  const auto source_census = dv_test::object_census(db_);
  install_all(*source_, *target_);
  EXPECT_EQ(dv_test::object_census(db_), source_census) << "nothing was made in the source database";
  EXPECT_EQ(dv_test::describe(*target_, false), dv_test::describe(*source_, false));
  dv_class_type& shape = *target_->find_type("Shape");
  dv_cursor c(shape.get_members());
  void* m = nullptr;
  for (int more = c.first(m); more; more = c.next(m)) {
    const dv_member& member = *static_cast<dv_member*>(m);
    EXPECT_EQ(dv_database::of(&member), target_db_) << member.get_name();
    EXPECT_EQ(member.get_defining_class(), &shape) << member.get_name();
    if (member.get_kind() == dv_member::Member_variable) {
      const dv_member_variable& v = member;
      EXPECT_EQ(dv_database::of(v.get_type()), target_db_) << member.get_name();
    }
  }
  EXPECT_FALSE(shape.has_vtbl_maps() && shape.get_vtbl_map().cardinality() != 0)
      << "the flag is copied, the map is not";
  EXPECT_TRUE(shape.has_vtbl_maps());
  dv_class_type& circle = *target_->find_type("Circle");
  EXPECT_EQ(circle.find_base_class("Shape")->get_class(), &shape);
  EXPECT_EQ(target_->get_classes().cardinality(), 4u);
  EXPECT_NE(target_->find_template("Holder"), nullptr) << "the instantiation's template is filed";
}

TEST_F(InstallCopy, AShellWithoutReachableTypesPrintsEmptyNames) {
  target_->set_support_for_reachable_types(0);
  dv_type& shell = source_->find_type("Circle")->install(*target_, 1);
  std::ostringstream out;
  out << shell;
  EXPECT_NE(out.str().find("TYPE:MVar  NAME:radius  RegStg  TRG:  "), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("BaseClass  TRG:  Pub  "), std::string::npos) << out.str();
  dv_type* unreachable = target_->find_type("double");
  ASSERT_NE(unreachable, nullptr);
  EXPECT_TRUE(unreachable->is_unspecified());
}

// Without reachable types, installing Circle leaves Shape an unspecified
// shell; filling that shell later is refused at Colour, and the shell is
// put back unspecified, where Circle's base record still finds it.
TEST_F(InstallCopy, ARefusedFillingPutsTheShellBackUnspecified) {
  target_->set_support_for_reachable_types(0);
  source_->find_type("Circle")->install(*target_, 1);
  dv_type* shell = target_->find_type("Shape");
  ASSERT_NE(shell, nullptr);
  ASSERT_TRUE(shell->is_unspecified());
  target_->add_type("Colour", new (target_db_, dv_integral_type::get_dv_typespec())
                                  dv_integral_type(dv_type::Integer, 1, 4, 4, "Colour"));
  const auto census = dv_test::object_census(target_db_);
  EXPECT_THROW(source_->find_type("Shape")->install(*target_, 1), dv_err_mop);
  EXPECT_EQ(target_->find_type("Shape"), shell);
  EXPECT_TRUE(shell->is_unspecified());
  EXPECT_EQ(static_cast<dv_class_type*>(shell)->get_members().cardinality(), 0u);
  EXPECT_EQ(target_->find_type("Count"), nullptr);
  EXPECT_EQ(dv_test::object_census(target_db_), census);
  target_db_->self_check();
}

class InstallCopyProcess : public dv_test::mop_db_test {};
class InstallCopyChild : public dv_test::mop_child_test {};

std::string env(const char* name) { return std::getenv(name); }

TEST_F(InstallCopyProcess, ACopySurvivesReopeningWithoutItsSource) {
  const dv_test::env_list files{{"DV_TEST_SOURCE", path("source.db")},
                                {"DV_TEST_FILE", path("copy.db")},
                                {"DV_TEST_TEXT", path("copy.txt")}};
  ASSERT_EQ(dv_test::run_child("InstallCopyChild.Copy", files), 0);
  ASSERT_EQ(std::remove(path("source.db").c_str()), 0);
  dv_test::env_list elsewhere = files;
  elsewhere.emplace_back("DV_QEM_AS_START", "0x24100000");
  EXPECT_EQ(dv_test::run_child("InstallCopyChild.Reopen", elsewhere), 0);
}

TEST_F(InstallCopyChild, Copy) {
  dv_database* source_db = dv_database::create(env("DV_TEST_SOURCE").c_str(), 0644, 1, 0);
  auto* source = new (source_db, dv_app_schema::get_dv_typespec()) dv_app_schema();
  dv_test::fill_sample_schema(*source);
  dv_database* db = dv_database::create(env("DV_TEST_FILE").c_str(), 0644, 1, 0);
  dv_app_schema* copy = dv_app_schema::create(db, MOP_TEST_SCHEMA_FILE);
  install_all(*source, *copy);
  std::ofstream(env("DV_TEST_TEXT")) << dv_test::describe(*source, false);
  db->save();
  db->close();
  source_db->close();
}

TEST_F(InstallCopyChild, Reopen) {
  dv_database* db = dv_database::open(env("DV_TEST_FILE").c_str(), 0, 0, 0);
  ASSERT_EQ(db->as_start(), reinterpret_cast<void*>(0x24100000));
  dv_app_schema* copy = dv_app_schema::get(db);
  std::ifstream in(env("DV_TEST_TEXT"));
  std::stringstream expected;
  expected << in.rdbuf();
  EXPECT_EQ(dv_test::describe(*copy, false), expected.str());
  db->self_check();
  db->close();
}

}  // namespace
