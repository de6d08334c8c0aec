// The stored typespecs of every metaobject class. Offsets: every class with
// virtual functions has its virtual-table pointer at 0; each embedded list or
// dictionary facade has its own virtual-table pointer and its representation
// pointer 4 bytes further.
#include "dv_qem/mop_schema.h"

using namespace dv_qem;

// A class whose typespec learns virtual-table addresses from an instance
// built by its dv_probe_t constructor (also for classes that are not
// polymorphic themselves but embed a facade).
#define DV_MOP_TYPESPEC(T, POINTERS, VTABLES)                                                       \
  template <>                                                                                       \
  dv_basic_typespec dv_ts<T>::the_instance("dv_qem::" #T, sizeof(T), POINTERS, VTABLES,             \
                                           [](void* scratch) { ::new (scratch) T(dv_probe); });    \
  dv_typespec* T::get_dv_typespec() { return &dv_ts<T>::the_instance; }
// A class without virtual-table pointers.
#define DV_MOP_PLAIN_TYPESPEC(T, POINTERS)                                                      \
  DV_DEFINE_TYPESPEC(T, "dv_qem::" #T, POINTERS, DV_NO_VTABLES);                                \
  dv_typespec* T::get_dv_typespec() { return &dv_ts<T>::the_instance; }

// dv_type: name text 4, enclosing class 8.
DV_MOP_TYPESPEC(dv_integral_type, DV_POINTERS(4, 8), DV_VTABLES(0))
DV_MOP_TYPESPEC(dv_real_type, DV_POINTERS(4, 8), DV_VTABLES(0))
DV_MOP_TYPESPEC(dv_void_type, DV_POINTERS(4, 8), DV_VTABLES(0))
// Enumerator list facade at 24.
DV_MOP_TYPESPEC(dv_enum_type, DV_POINTERS(4, 8, 28), DV_VTABLES(0, 24))
// Target 24.
DV_MOP_TYPESPEC(dv_indirect_type, DV_POINTERS(4, 8, 24), DV_VTABLES(0))
DV_MOP_TYPESPEC(dv_named_indirect_type, DV_POINTERS(4, 8, 24), DV_VTABLES(0))
DV_MOP_TYPESPEC(dv_anonymous_indirect_type, DV_POINTERS(4, 8, 24), DV_VTABLES(0))
DV_MOP_TYPESPEC(dv_pointer_type, DV_POINTERS(4, 8, 24), DV_VTABLES(0))
DV_MOP_TYPESPEC(dv_reference_type, DV_POINTERS(4, 8, 24), DV_VTABLES(0))
// Target class 28.
DV_MOP_TYPESPEC(dv_pointer_to_member_type, DV_POINTERS(4, 8, 24, 28), DV_VTABLES(0))
// Element type 28.
DV_MOP_TYPESPEC(dv_array_type, DV_POINTERS(4, 8, 28), DV_VTABLES(0))
// Argument list facade at 28, return type 40.
DV_MOP_TYPESPEC(dv_function_type, DV_POINTERS(4, 8, 32, 40), DV_VTABLES(0, 28))
// Base list facade at 76, member list facade at 88, vtbl map facade at 104;
// an instantiated class adds its instantiation at 116.
DV_MOP_TYPESPEC(dv_class_type, DV_POINTERS(4, 8, 80, 92, 108), DV_VTABLES(0, 76, 88, 104))
DV_MOP_TYPESPEC(dv_instantiated_class_type, DV_POINTERS(4, 8, 80, 92, 108, 116), DV_VTABLES(0, 76, 88, 104))

// dv_member: name text 4, defining class 16; type 24 (variables), 52
// (functions), 20 (member types).
DV_MOP_TYPESPEC(dv_member_variable, DV_POINTERS(4, 16, 24), DV_VTABLES(0))
DV_MOP_TYPESPEC(dv_field_member_variable, DV_POINTERS(4, 16, 24), DV_VTABLES(0))
DV_MOP_TYPESPEC(dv_member_function, DV_POINTERS(4, 16, 52), DV_VTABLES(0))
DV_MOP_TYPESPEC(dv_member_type, DV_POINTERS(4, 16, 20), DV_VTABLES(0))

// Formal arguments: name text 4, type 8; actual arguments: type or literal 4.
DV_MOP_TYPESPEC(dv_template_type_formal, DV_POINTERS(4), DV_VTABLES(0))
DV_MOP_TYPESPEC(dv_template_value_formal, DV_POINTERS(4, 8), DV_VTABLES(0))
DV_MOP_TYPESPEC(dv_type_template_actual_arg, DV_POINTERS(4), DV_VTABLES(0))
DV_MOP_TYPESPEC(dv_literal_template_actual_arg, DV_POINTERS(4), DV_VTABLES(0))
// Template: formal list facade at 0, type 20. Instantiation: template 0,
// actual list facade at 4.
DV_MOP_TYPESPEC(dv_template, DV_POINTERS(4, 20), DV_VTABLES(0))
DV_MOP_TYPESPEC(dv_template_instantiation, DV_POINTERS(0, 8), DV_VTABLES(4))

// Schema: type and template dictionaries at 4 and 16, class and unnamed
// lists at 28 and 40.
DV_MOP_TYPESPEC(dv_app_schema, DV_POINTERS(8, 20, 32, 44), DV_VTABLES(0, 4, 16, 28, 40))

// Base class: class 0. Enumerator: name text 0. Literal: type 8 (its value
// word, an address for enumerator literals, is moved by the hook below).
DV_MOP_PLAIN_TYPESPEC(dv_base_class, DV_POINTERS(0))
DV_MOP_PLAIN_TYPESPEC(dv_enumerator_literal, DV_POINTERS(0))
DV_MOP_PLAIN_TYPESPEC(dv_literal, DV_POINTERS(8))

#undef DV_MOP_TYPESPEC
#undef DV_MOP_PLAIN_TYPESPEC

void dv_literal::relocate_value(void* literal, int delta, void*) {
  auto* l = static_cast<dv_literal*>(literal);
  if (holds_address(l->kind_) && l->value_ != 0) l->value_ += static_cast<std::uint32_t>(delta);
}

namespace {

const bool literal_hook_set = [] {
  dv_ts<dv_literal>::the_instance._set_fetch_hook(1, &dv_literal::relocate_value, nullptr);
  return true;
}();

}  // namespace
