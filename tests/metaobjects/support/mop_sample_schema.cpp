// The sample schema of the metaobject tests.
#include "mop_sample_schema.h"

#include <sstream>
#include <vector>

#include "dv_new.h"

using namespace dv_qem;

namespace dv_test {

const char* const sample_type_names[] = {"int",   "double", "void",   "Colour",      "Count",
                                         "Shape", "Circle", "Holder", "Holder<int>"};
const unsigned sample_type_count = sizeof sample_type_names / sizeof sample_type_names[0];

namespace {

template <class T, class... Args>
T* make(dv_schema& schema, Args&&... args) {
  return new (dv_database::of(&schema), T::get_dv_typespec()) T(std::forward<Args>(args)...);
}

// The caller's lists the sample fills metaobjects from; destroyed at the end.
std::vector<dv_collection*> scratch_lists;

template <class T>
dv_List<T>& new_list(dv_schema& schema) {
  dv_List<T>& list = dv_List<T>::create(dv_database::of(&schema));
  scratch_lists.push_back(&list);
  return list;
}

template <class F>
void for_each_member(const dv_collection& list, F f) {
  dv_cursor c(list);
  void* m = nullptr;
  for (int more = c.first(m); more; more = c.next(m)) f(static_cast<dv_member*>(m));
}

}  // namespace

void fill_sample_schema(dv_schema& schema) {
  auto* i = make<dv_integral_type>(schema, dv_type::Integer, 1, 4, 4, "int");
  auto* d = make<dv_real_type>(schema, dv_type::Double, 8, 8, "double");
  auto* v = make<dv_void_type>(schema, "void");
  dv_List<dv_enumerator_literal>& values = new_list<dv_enumerator_literal>(schema);
  values.insert_last(make<dv_enumerator_literal>(schema, "red", 0));
  auto* green = make<dv_enumerator_literal>(schema, "green", 1);
  values.insert_last(green);
  auto* colour = make<dv_enum_type>(schema, "Colour", values);
  auto* count = make<dv_named_indirect_type>(schema, *i, "Count");

  auto* shape = make<dv_class_type>(schema, "Shape");
  shape->set_size(64);
  shape->set_alignment(8);
  shape->set_is_forward_definition(0);
  shape->set_dispatch_table_pointer_offset(0);
  shape->add_vtbl_info(0, "Shape::area");
  auto* shape_pointer = make<dv_pointer_type>(schema, *shape);
  auto* ints = make<dv_array_type>(schema, *i, 10);
  dv_List<dv_type>& args = new_list<dv_type>(schema);
  args.insert_last(d);
  args.insert_last(shape_pointer);
  auto* area_type = make<dv_function_type>(schema, 0, args, *d);
  auto* const_int = make<dv_anonymous_indirect_type>(schema, *i);
  const_int->set_is_const(1);

  dv_List<dv_member>& members = new_list<dv_member>(schema);
  auto* x = make<dv_member_variable>(schema, "x", *count);
  x->set_access(1);
  x->set_offset(4);
  members.insert_last(x);
  auto* paint = make<dv_member_variable>(schema, "paint", *colour);
  paint->set_offset(8);
  members.insert_last(paint);
  members.insert_last(make<dv_member_variable>(schema, "next", *shape_pointer));
  members.insert_last(make<dv_member_variable>(schema, "cells", *ints));
  members.insert_last(make<dv_member_variable>(schema, "limit", *const_int));
  members.insert_last(make<dv_field_member_variable>(schema, "flags", *i, 3));
  auto* area = make<dv_member_function>(schema, "area", *area_type);
  area->set_is_virtual(1);
  area->set_is_const(1);
  members.insert_last(area);
  members.insert_last(make<dv_member_type>(schema, *count));
  shape->set_members(members);
  for_each_member(members, [&](dv_member* m) { m->set_defining_class(shape); });

  auto* circle = make<dv_class_type>(schema, "Circle");
  circle->set_class_kind(1);
  circle->set_size(72);
  dv_List<dv_base_class>& bases = new_list<dv_base_class>(schema);
  auto* base = make<dv_base_class>(schema, 1, 0, *shape);
  bases.insert_last(base);
  circle->set_base_classes(bases);
  auto* radius = make<dv_member_variable>(schema, "radius", *d);
  radius->set_offset(64);
  dv_List<dv_member>& circle_members = new_list<dv_member>(schema);
  circle_members.insert_last(radius);
  circle->set_members(circle_members);
  radius->set_defining_class(circle);
  auto* member_pointer = make<dv_pointer_to_member_type>(schema, *circle, *d);
  auto* circle_ref = make<dv_reference_type>(schema, *circle);

  auto* holder = make<dv_class_type>(schema, "Holder");
  dv_List<dv_template_formal_arg>& formals = new_list<dv_template_formal_arg>(schema);
  formals.insert_last(make<dv_template_type_formal>(schema, "T"));
  formals.insert_last(make<dv_template_value_formal>(schema, "C", *colour));
  auto* holder_template = make<dv_template>(schema, *holder, formals, 0);
  dv_List<dv_template_actual_arg>& actuals = new_list<dv_template_actual_arg>(schema);
  actuals.insert_last(make<dv_type_template_actual_arg>(schema, *i));
  auto* chosen = make<dv_literal>(schema, *green);
  chosen->set_type(colour);
  actuals.insert_last(make<dv_literal_template_actual_arg>(schema, *chosen));
  actuals.insert_last(make<dv_literal_template_actual_arg>(schema, *make<dv_literal>(schema, -3)));
  auto* holder_int =
      make<dv_instantiated_class_type>(schema, "Holder<int>", *make<dv_template_instantiation>(schema, *holder_template, actuals));

  for (dv_type* t : std::initializer_list<dv_type*>{i, d, v, colour, count, shape, circle, holder, holder_int})
    schema.add_type(t->get_name(), t);
  for (dv_type* t : std::initializer_list<dv_type*>{shape_pointer, ints, area_type, const_int, member_pointer, circle_ref})
    schema.add_type(nullptr, t);
  schema.add_template("Holder", holder_template);
  for (dv_collection* list : scratch_lists) dv_collection::destroy(*list);
  scratch_lists.clear();
}

std::string describe(const dv_schema& schema, bool unnamed) {
  std::ostringstream out;
  for (unsigned n = 0; n < sample_type_count; ++n) {
    const dv_type* t = schema.find_type(sample_type_names[n]);
    if (t == nullptr)
      out << "-";
    else
      out << *t;
    out << "\n";
  }
  if (const dv_template* t = schema.find_template("Holder")) out << *t << "\n";
  if (!unnamed) return out.str();
  dv_cursor c(schema.get_unnamed_types());
  void* t = nullptr;
  for (int more = c.first(t); more; more = c.next(t)) out << *static_cast<dv_type*>(t) << "\n";
  return out.str();
}

}  // namespace dv_test
