// Guards the metaobject model: the kind strings (codes outside the table
// answer "Undefined"), the size and alignment rules (arrays, indirect types
// that stand for their target, fixed-size types refusing set_size and
// set_alignment with dv_err_mop), checked downcasts, find_member_variable
// over every member kind, the dispatch-table flag, String copies and
// self-assignment, the zeroed state of unspecified metaobjects, and that a
// class type frees its bases, members and vtbl map names.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <typeinfo>

#include "dv_new.h"
#include "dv_qem/mop"
#include "mop_db_test.h"

using namespace dv_qem;

namespace {

class MopModel : public dv_test::mop_db_test {
 protected:
  template <class T, class... Args>
  T* make(Args&&... args) {
    return new (db_, T::get_dv_typespec()) T(std::forward<Args>(args)...);
  }
  dv_integral_type* int_type() { return make<dv_integral_type>(dv_type::Integer, 1, 4, 4, "int"); }
};

TEST(MopKindStrings, NameEveryCodeAndUndefinedOutsideTheTable) {
  const struct {
    int kind;
    const char* name;
  } cases[] = {{0, "Undefined"},  {1, "Type"},         {2, "Void"},           {7, "Integer"},
               {13, "Long_double"}, {14, "Named_indirect"}, {21, "Instantiated_class"}, {22, "Enum"},
               {25, "Wchar_t"},   {29, "Floating_extension"}, {30, "Last_type"}, {31, "Undefined"},
               {-1, "Undefined"}, {1000, "Undefined"}};
  for (const auto& c : cases) EXPECT_STREQ(dv_type::get_kind_string(c.kind), c.name) << "kind " << c.kind;
}

TEST_F(MopModel, KindsOfEveryTypeClass) {
  dv_integral_type* i = int_type();
  dv_class_type* c = make<dv_class_type>("Shape");
  dv_List<dv_type>& no_args = dv_List<dv_type>::create(db_);
  dv_List<dv_enumerator_literal>& no_values = dv_List<dv_enumerator_literal>::create(db_);
  const struct {
    dv_type* type;
    int kind;
  } cases[] = {
      {i, dv_type::Integer},
      {make<dv_real_type>(dv_type::Double, 8, 8, "double"), dv_type::Double},
      {make<dv_void_type>("void"), dv_type::Void},
      {make<dv_enum_type>("Colour", no_values), dv_type::Enum},
      {make<dv_named_indirect_type>(*i, "Count"), dv_type::Named_indirect},
      {make<dv_anonymous_indirect_type>(*i), dv_type::Anonymous_indirect},
      {make<dv_pointer_type>(*i), dv_type::Pointer},
      {make<dv_reference_type>(*i), dv_type::Reference},
      {make<dv_pointer_to_member_type>(*c, *i), dv_type::Pointer_to_member},
      {make<dv_array_type>(*i, 3), dv_type::Array},
      {make<dv_function_type>(0, no_args, *i), dv_type::Function},
      {c, dv_type::Class},
  };
  for (const auto& k : cases) EXPECT_EQ(k.type->get_kind(), k.kind) << dv_type::get_kind_string(k.kind);
  EXPECT_TRUE(cases[0].type->is_integral_type());
  EXPECT_TRUE(cases[1].type->is_real_type());
  EXPECT_TRUE(c->is_class_type());
  for (int p : {6, 7, 8}) EXPECT_TRUE(cases[p].type->is_pointer_type()) << p;
  EXPECT_FALSE(i->is_pointer_type());
}

TEST_F(MopModel, SizesAndAlignments) {
  dv_integral_type* i = int_type();
  dv_array_type* a = make<dv_array_type>(*i, 10);
  EXPECT_EQ(a->get_size(), 40u);
  EXPECT_EQ(a->get_alignment(), 4u);
  dv_real_type* d = make<dv_real_type>(dv_type::Double, 8, 4, "double");
  dv_named_indirect_type* alias = make<dv_named_indirect_type>(*d, "Money");
  EXPECT_EQ(alias->get_size(), 8u) << "an indirect type is as large as its target";
  EXPECT_EQ(alias->get_alignment(), 4u);
  dv_anonymous_indirect_type* konst = make<dv_anonymous_indirect_type>(*alias);
  konst->set_is_const(1);
  EXPECT_EQ(konst->get_size(), 8u);
  EXPECT_TRUE(konst->is_const());
  EXPECT_FALSE(konst->is_volatile());
  EXPECT_EQ(make<dv_void_type>("void")->get_alignment(), 1u);
  EXPECT_EQ(make<dv_pointer_type>(*d)->get_size(), 4u);
  dv_class_type* c = make<dv_class_type>("Shape");
  EXPECT_EQ(c->get_size(), 0u);
  c->set_size(24);
  c->set_alignment(8);
  EXPECT_EQ(c->get_size(), 24u);
  EXPECT_EQ(make<dv_array_type>(*c, 2)->get_size(), 48u);
  EXPECT_EQ(make<dv_array_type>(*c, 2)->get_alignment(), 8u);
}

TEST_F(MopModel, FixedSizeTypesRefuseSizeAndAlignment) {
  dv_integral_type* i = int_type();
  dv_type* fixed[] = {i,
                      make<dv_real_type>(dv_type::Float, 4, 4, "float"),
                      make<dv_void_type>("void"),
                      make<dv_named_indirect_type>(*i, "Count"),
                      make<dv_anonymous_indirect_type>(*i),
                      make<dv_pointer_type>(*i),
                      make<dv_reference_type>(*i),
                      make<dv_array_type>(*i, 4)};
  for (dv_type* t : fixed) {
    const unsigned size = t->get_size(), alignment = t->get_alignment();
    try {
      t->set_size(99);
      ADD_FAILURE() << dv_type::get_kind_string(t->get_kind()) << " took a size";
    } catch (const dv_err_mop& e) {
      EXPECT_NE(std::strstr(e.get_report(), "dv_err_mop - "), nullptr);
      EXPECT_NE(std::strstr(e.get_report(), "99"), nullptr) << e.get_report();
    }
    EXPECT_THROW(t->set_alignment(16), dv_err_mop) << dv_type::get_kind_string(t->get_kind());
    EXPECT_EQ(t->get_size(), size);
    EXPECT_EQ(t->get_alignment(), alignment);
  }
  dv_List<dv_type>& no_args = dv_List<dv_type>::create(db_);
  dv_List<dv_enumerator_literal>& no_values = dv_List<dv_enumerator_literal>::create(db_);
  dv_type* stored[] = {make<dv_class_type>("Shape"), make<dv_enum_type>("Colour", no_values),
                       make<dv_function_type>(0, no_args, *i),
                       make<dv_pointer_to_member_type>(*make<dv_class_type>("Shape"), *i)};
  for (dv_type* t : stored) {
    t->set_size(12);
    t->set_alignment(2);
    EXPECT_EQ(t->get_size(), 12u) << dv_type::get_kind_string(t->get_kind());
    EXPECT_EQ(t->get_alignment(), 2u);
  }
}

TEST_F(MopModel, CheckedDowncasts) {
  dv_integral_type* i = int_type();
  dv_type& pointer = *make<dv_pointer_type>(*i);
  EXPECT_THROW({ dv_class_type& c = pointer; (void)c; }, std::bad_cast);
  dv_pointer_type& p = pointer;
  EXPECT_EQ(&p, &pointer);
  const dv_type& reference = *make<dv_reference_type>(*i);
  const dv_pointer_type& as_pointer = reference;  // a reference is a pointer type
  EXPECT_EQ(as_pointer.get_target_type(), i);
  EXPECT_THROW({ const dv_array_type& a = reference; (void)a; }, std::bad_cast);

  dv_member& field = *make<dv_field_member_variable>("flags", *i, 3);
  dv_member_variable& variable = field;  // a bit-field is a member variable
  EXPECT_TRUE(variable.is_field());
  EXPECT_THROW({ dv_member_function& f = field; (void)f; }, std::bad_cast);
  dv_template_formal_arg& formal = *make<dv_template_type_formal>("T");
  EXPECT_THROW({ dv_template_value_formal& v = formal; (void)v; }, std::bad_cast);
  dv_template_actual_arg& actual = *make<dv_type_template_actual_arg>(*i);
  EXPECT_THROW({ dv_literal_template_actual_arg& l = actual; (void)l; }, std::bad_cast);
  dv_type_template_actual_arg& type_arg = actual;
  EXPECT_EQ(type_arg.get_type(), i);
}

TEST_F(MopModel, FindMemberVariableSeesOnlyOrdinaryVariables) {
  dv_integral_type* i = int_type();
  dv_List<dv_type>& no_args = dv_List<dv_type>::create(db_);
  dv_function_type* f = make<dv_function_type>(0, no_args, *i);
  auto* c = make<dv_class_type>("Shape");
  auto* type_member = make<dv_member_type>(*i);
  type_member->set_name("width");
  dv_List<dv_member>& members = dv_List<dv_member>::create(db_);
  members.insert_last(make<dv_field_member_variable>("width", *i, 4));
  members.insert_last(make<dv_member_function>("width", *f));
  members.insert_last(type_member);
  members.insert_last(make<dv_member_variable>("height", *i));
  c->set_members(members);
  EXPECT_EQ(c->find_member_variable("width"), nullptr) << "bit-field, function and member type are not variables";
  dv_member_variable* height = c->find_member_variable("height");
  ASSERT_NE(height, nullptr);
  EXPECT_EQ(c->find_member_variable("depth"), nullptr);

  auto* v = make<dv_member_variable>("width", *i);
  members.clear();
  members.insert_last(v);
  c->set_members(members);
  EXPECT_EQ(c->find_member_variable("width"), v);
}

TEST_F(MopModel, BasesAndDispatchTable) {
  auto* base = make<dv_class_type>("Base");
  base->set_size(16);
  auto* c = make<dv_class_type>("Derived");
  EXPECT_FALSE(c->has_dispatch_table());
  c->set_dispatch_table_pointer_offset(0);
  EXPECT_TRUE(c->has_dispatch_table());
  dv_List<dv_base_class>& bases = dv_List<dv_base_class>::create(db_);
  auto* b = new (db_, dv_base_class::get_dv_typespec()) dv_base_class(1, 1, *base);
  b->set_virtual_base_class_pointer_offset(0);
  EXPECT_TRUE(b->virtual_base_class_has_pointer());
  b->set_virtual_base_class_no_pointer();
  EXPECT_FALSE(b->virtual_base_class_has_pointer());
  bases.insert_last(b);
  c->set_base_classes(bases);
  EXPECT_EQ(c->find_base_class("Base"), b);
  EXPECT_EQ(c->find_base_class("Other"), nullptr);
  EXPECT_EQ(b->get_size(), 16u);
}

TEST_F(MopModel, MembersStartWithZeroAccessKindAndLinkage) {
  dv_integral_type i(dv_type::Integer, 1, 4, 4, "int");
  dv_member_variable v("x", i);
  EXPECT_EQ(v.get_access(), 0);
  EXPECT_EQ(v.get_storage_class(), 0);
  dv_List<dv_type>& no_args = dv_List<dv_type>::create(dv_database::get_transient_database());
  dv_function_type f(0, no_args, i);
  dv_member_function m("run", f);
  EXPECT_EQ(m.get_access(), 0);
  EXPECT_EQ(m.get_function_kind(), 0);
  EXPECT_EQ(m.get_call_linkage(), 0);
  EXPECT_FALSE(m.is_unspecified());
  dv_collection::destroy(no_args);
}

TEST(MopString, CopiesComparesAndSurvivesSelfAssignment) {
  String a("beta");
  String& same = a;
  a = same;
  EXPECT_STREQ(a.get_str(), "beta");
  String empty(nullptr);
  EXPECT_STREQ(empty.get_str(), "");
  EXPECT_STREQ(String().get_str(), "");
  String b(a);
  EXPECT_NE(b.get_str(), a.get_str());
  EXPECT_TRUE(b == a);
  String alpha("alpha"), high("\xC3");
  EXPECT_TRUE(alpha < a);
  EXPECT_TRUE(high > a) << "bytes compare unsigned";
  EXPECT_TRUE(alpha != a);
  b = alpha;
  EXPECT_STREQ(b.get_str(), "alpha");
  char* copy = dv_void_type("void").get_string();
  EXPECT_STREQ(copy, "void");
  std::free(copy);
}

TEST_F(MopModel, StringTextLivesInTheDatabaseOfTheString) {
  auto* s = new (db_, String::get_dv_typespec()) String("persistent");
  EXPECT_EQ(dv_database::of(s->get_str()), db_);
  *s = *s;
  EXPECT_STREQ(s->get_str(), "persistent");
  String transient("heap");
  EXPECT_FALSE(durnavel::is_persistent(transient.get_str()));
}

TEST_F(MopModel, DeletingAClassFreesBasesMembersAndVtblNames) {
  const auto before = dv_test::object_census(db_);
  dv_integral_type* i = int_type();
  auto* base = make<dv_class_type>("Base");
  auto* c = make<dv_class_type>("Shape");
  c->add_vtbl_info(1, "Shape::draw");
  c->add_vtbl_info(2, "Shape::area");
  EXPECT_TRUE(c->has_vtbl_maps());
  ASSERT_NE(c->get_vtbl_map().pick(2u), nullptr);
  EXPECT_STREQ(c->get_vtbl_map().pick(2u)->get_str(), "Shape::area");
  dv_List<dv_member>& members = dv_List<dv_member>::create(db_);
  members.insert_last(make<dv_member_variable>("x", *i));
  c->set_members(members);
  dv_List<dv_base_class>& bases = dv_List<dv_base_class>::create(db_);
  bases.insert_last(new (db_, dv_base_class::get_dv_typespec()) dv_base_class(1, 0, *base));
  c->set_base_classes(bases);
  dv_collection::destroy(members);
  dv_collection::destroy(bases);
  delete c;
  delete base;
  delete i;
  EXPECT_EQ(dv_test::object_census(db_), before);
}

}  // namespace
