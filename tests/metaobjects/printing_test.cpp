// Guards printing: each metaobject class's text against a table of expected
// texts (keys, words and two-space gaps, the indented base and member lines,
// headers written only when asked by the classes that make them optional),
// and a null referenced type printed as an empty name.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "dv_new.h"
#include "dv_qem/mop"
#include "mop_db_test.h"

using namespace dv_qem;

namespace {

class Printing : public dv_test::mop_db_test {
 protected:
  template <class T, class... Args>
  T* make(Args&&... args) {
    return new (db_, T::get_dv_typespec()) T(std::forward<Args>(args)...);
  }
  template <class T>
  static std::string text(const T& object) {
    std::ostringstream out;
    out << object;
    return out.str();
  }
  static std::string headless(const dv_type& t) {
    std::ostringstream out;
    t.print(out, 0);
    return out.str();
  }
};

TEST_F(Printing, TypesAgainstTheirExpectedTexts) {
  auto* i = make<dv_integral_type>(dv_type::Integer, 1, 4, 4, "int");
  auto* u = make<dv_integral_type>(dv_type::Unsigned_short, 0, 2, 2, "unsigned short");
  auto* odd = make<dv_integral_type>(dv_type::Double, 1, 8, 8, "odd");
  auto* d = make<dv_real_type>(dv_type::Double, 8, 8, "double");
  auto* v = make<dv_void_type>("void");
  auto* shape = make<dv_class_type>("Shape");
  shape->set_size(8);
  shape->set_alignment(4);
  auto* nested = make<dv_named_indirect_type>(*i, "Count");
  nested->set_enclosing_class(shape);
  auto* konst = make<dv_anonymous_indirect_type>(*i);
  konst->set_is_const(1);
  dv_List<dv_enumerator_literal>& values = dv_List<dv_enumerator_literal>::create(db_);
  values.insert_last(make<dv_enumerator_literal>("red", 0));
  values.insert_last(make<dv_enumerator_literal>("blue", 7));
  auto* colour = make<dv_enum_type>("Colour", values);
  dv_List<dv_type>& args = dv_List<dv_type>::create(db_);
  args.insert_last(i);
  args.insert_last(d);
  auto* f = make<dv_function_type>(0, args, *v);

  const struct {
    const dv_type* type;
    const char* expected;
  } cases[] = {
      {v, "TYPE:Void_type  NAME:void  SCOPE:Global  SIZE:0  ALIGN:1  "},
      {i, "TYPE:Int  NAME:int  SCOPE:Global  SIZE:4  ALIGN:4  "},
      {u, "TYPE:UShort  NAME:unsigned short  SCOPE:Global  SIZE:2  ALIGN:2  "},
      {odd, "TYPE:Unknown  NAME:odd  SCOPE:Global  SIZE:8  ALIGN:8  "},
      {d, "TYPE:Double  NAME:double  SCOPE:Global  SIZE:8  ALIGN:8  "},
      {nested, "TYPE:NIndirect  NAME:Count  SCOPE:Shape  SIZE:4  ALIGN:4  TRG:int  "},
      {konst, "TYPE:AIndirect  NAME:  SCOPE:Global  SIZE:4  ALIGN:4  TRG:int  Const  NonVolatile  "},
      {make<dv_pointer_type>(*d), "TYPE:Ptr  NAME:  SCOPE:Global  SIZE:4  ALIGN:4  TRG:double  "},
      {make<dv_reference_type>(*d), "TYPE:Ref  NAME:  SCOPE:Global  SIZE:4  ALIGN:4  TRG:double  "},
      {make<dv_pointer_to_member_type>(*shape, *i),
       "TYPE:Ptr  NAME:  SCOPE:Global  SIZE:4  ALIGN:4  TRG:int  TRG:Shape  "},
      {make<dv_array_type>(*i, 10), "TYPE:Arr  NAME:  SCOPE:Global  SIZE:40  ALIGN:4  #Elem:10  TRG:int  "},
      {colour, "TYPE:Enum  NAME:Colour  SCOPE:Global  SIZE:4  ALIGN:4  ELit  red:0   ELit  blue:7     "},
      {f, "TYPE:Func  NAME:  SCOPE:Global  SIZE:4  ALIGN:4    ARGLIST:int double   RetVal:void"},
      {shape, "TYPE:Class  NAME:Shape  SCOPE:Global  SIZE:8  ALIGN:4  Class  "},
  };
  for (const auto& c : cases) EXPECT_EQ(text(*c.type), c.expected);
  EXPECT_EQ(headless(*shape), "NAME:Shape  SCOPE:Global  SIZE:8  ALIGN:4  Class  ");
  EXPECT_EQ(headless(*make<dv_pointer_type>(*d)), "NAME:  SCOPE:Global  SIZE:4  ALIGN:4  TRG:double  ");
  EXPECT_EQ(headless(*make<dv_indirect_type>(*d, "Money")), "NAME:Money  SCOPE:Global  SIZE:8  ALIGN:8  TRG:double  ");
  EXPECT_EQ(text(*make<dv_indirect_type>(*d, "Money")),
            "TYPE:Indirect  NAME:Money  SCOPE:Global  SIZE:8  ALIGN:8  TRG:double  ");
}

TEST_F(Printing, ClassWithBasesAndMembers) {
  auto* i = make<dv_integral_type>(dv_type::Integer, 1, 4, 4, "int");
  auto* base = make<dv_class_type>("Base");
  auto* c = make<dv_class_type>("Circle");
  c->set_class_kind(1);
  c->set_size(12);
  c->set_alignment(4);
  dv_List<dv_base_class>& bases = dv_List<dv_base_class>::create(db_);
  bases.insert_last(new (db_, dv_base_class::get_dv_typespec()) dv_base_class(1, 1, *base));
  bases.insert_last(new (db_, dv_base_class::get_dv_typespec()) dv_base_class(9, 0, *base));
  c->set_base_classes(bases);
  dv_List<dv_type>& no_args = dv_List<dv_type>::create(db_);
  auto* area = make<dv_member_function>("area", *make<dv_function_type>(0, no_args, *i));
  area->set_access(1);
  area->set_is_virtual(1);
  area->set_is_const(1);
  auto* radius = make<dv_member_variable>("radius", *i);
  radius->set_access(3);
  radius->set_storage_class(1);
  auto* bits = make<dv_field_member_variable>("bits", *i, 3);
  auto* kind = make<dv_member_type>(*i);
  kind->set_name("kind");
  kind->set_access(2);
  dv_List<dv_member>& members = dv_List<dv_member>::create(db_);
  for (dv_member* m : std::initializer_list<dv_member*>{radius, bits, area, kind}) members.insert_last(m);
  c->set_members(members);
  const std::string i8 = "\n        ", i13 = "\n             ";
  EXPECT_EQ(text(*c), "TYPE:Class  NAME:Circle  SCOPE:Global  SIZE:12  ALIGN:4  Struct  " + i8 + "BASES:" + i13 +
                          "BaseClass  TRG:Base  Pub  Virtual  " + i13 + "BaseClass  TRG:Base  Unknown  \n" + i8 +
                          "MEMBERS:" + i13 + "TYPE:MVar  NAME:radius  Prot  PerStg  TRG:int  " + i13 +
                          "TYPE:FieldMem  NAME:bits  RegStg  TRG:int  SIZE:3  " + i13 +
                          "TYPE:MFunc  NAME:area  Pub  Virtual  TYPE:Func  NAME:  SCOPE:Global  SIZE:4  ALIGN:4    "
                          "ARGLIST:  RetVal:int  Const  " +
                          i13 + "TYPE:Type  NAME:kind  Priv  TRG:int  \n");
  auto* pure = make<dv_member_function>("draw", *make<dv_function_type>(0, no_args, *i));
  pure->set_is_virtual(1);
  pure->set_is_pure_virtual(1);
  pure->set_is_inline(1);
  pure->set_is_static(1);
  pure->set_is_overloaded(1);
  EXPECT_EQ(text(*pure), "TYPE:MFunc  NAME:draw  Inline  Static  PVirtual  Ovrldd  TYPE:Func  NAME:  SCOPE:Global  "
                         "SIZE:4  ALIGN:4    ARGLIST:  RetVal:int  ");
  dv_member_variable* headless_variable = radius;
  std::ostringstream out;
  headless_variable->print(out, 0);
  EXPECT_EQ(out.str(), "NAME:radius  Prot  PerStg  TRG:int  ");
}

TEST_F(Printing, TemplatesArgumentsAndLiterals) {
  auto* i = make<dv_integral_type>(dv_type::Integer, 1, 4, 4, "int");
  auto* holder = make<dv_class_type>("Holder");
  dv_List<dv_template_formal_arg>& formals = dv_List<dv_template_formal_arg>::create(db_);
  formals.insert_last(make<dv_template_type_formal>("T"));
  formals.insert_last(make<dv_template_value_formal>("N", *i));
  auto* t = make<dv_template>(*holder, formals, 0);
  EXPECT_EQ(text(*t), "Templ  ARGS:TYPE:TFormalArg  NAME:T   TYPE:TFormalArg  NAME:N  TRG:int     Holder  ");

  dv_List<dv_enumerator_literal>& values = dv_List<dv_enumerator_literal>::create(db_);
  auto* green = make<dv_enumerator_literal>("green", 2);
  values.insert_last(green);
  auto* colour = make<dv_enum_type>("Colour", values);
  auto* by_enum = make<dv_literal>(*green);
  by_enum->set_type(colour);
  dv_List<dv_template_actual_arg>& actuals = dv_List<dv_template_actual_arg>::create(db_);
  actuals.insert_last(make<dv_type_template_actual_arg>(*i));
  actuals.insert_last(make<dv_literal_template_actual_arg>(*make<dv_literal>(42)));
  actuals.insert_last(make<dv_literal_template_actual_arg>(*by_enum));
  auto* inst = make<dv_template_instantiation>(*t, actuals);
  const std::string i20 = "\n                    ";
  EXPECT_EQ(text(*inst), "TYPE:InstTempl  INST_OF:Holder  ARGS:" + i20 + "TYPE:TypeArg  TRG:int   " + i20 +
                             "TYPE:LitArg  TRG:Lit  42     " + i20 + "TYPE:LitArg  TRG:Lit  ELit  green:2         ");
  auto* instantiated = make<dv_instantiated_class_type>("Holder<int>", *inst);
  EXPECT_EQ(text(*instantiated).substr(0, 65), "TYPE:InstClass  NAME:Holder<int>  SCOPE:Global  SIZE:0  ALIGN:0  ");
  EXPECT_NE(text(*instantiated).find("Class  \n        TRG:\n             TYPE:InstTempl  INST_OF:Holder  "),
            std::string::npos)
      << text(*instantiated);

  const struct {
    dv_literal* literal;
    const char* expected;
  } literals[] = {
      {make<dv_literal>('x'), "Lit  x  "},
      {make<dv_literal>(static_cast<unsigned char>('y')), "Lit  y  "},
      {make<dv_literal>(static_cast<short>(-5)), "Lit  -5  "},
      {make<dv_literal>(static_cast<std::uint16_t>(0x263A)), "Lit  9786  "},
      {make<dv_literal>(-7), "Lit  -7  "},
      {make<dv_literal>(4000000000u), "Lit  4000000000  "},
      {make<dv_literal>(-9L), "Lit  -9  "},
      {make<dv_literal>(9UL), "Lit  9  "},
  };
  for (const auto& l : literals) EXPECT_EQ(text(*l.literal), l.expected);
  EXPECT_EQ(text(*green), "ELit  green:2  ");
}

TEST_F(Printing, NullReferencedTypesPrintAsEmptyNames) {
  dv_app_schema* schema = make<dv_app_schema>();
  auto* i = make<dv_integral_type>(dv_type::Integer, 1, 4, 4, "int");
  auto* p = make<dv_pointer_type>(*i);
  p->set_target_type(nullptr);
  auto* m = make<dv_member_variable>("x", *i);
  m->set_type(nullptr);
  EXPECT_EQ(text(*p), "TYPE:Ptr  NAME:  SCOPE:Global  SIZE:4  ALIGN:4  TRG:  ");
  EXPECT_EQ(text(*m), "TYPE:MVar  NAME:x  RegStg  TRG:  ");
  EXPECT_EQ(text(String("plain")), "plain");
  (void)schema;
}

}  // namespace
