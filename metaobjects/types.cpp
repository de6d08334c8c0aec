// The type metaobjects but class types: construction, kinds, sizes; and the
// checked downcasts of every metaobject family (types, members, template
// arguments).
#include <cstring>
#include <typeinfo>

#include "dv_qem/mop_class.h"
#include "dv_qem/mop_errors.h"
#include "dv_qem/mop_template.h"

namespace dv_qem {

namespace {

// Names of the type kinds 0..30, by code.
constexpr const char* kind_names[] = {
    "Undefined",      "Type",           "Void",           "Unsigned_char",
    "Signed_char",    "Unsigned_short", "Signed_short",   "Integer",
    "Unsigned_integer", "Signed_long",  "Unsigned_long",  "Float",
    "Double",         "Long_double",    "Named_indirect", "Anonymous_indirect",
    "Pointer",        "Reference",      "Pointer_to_member", "Array",
    "Class",          "Instantiated_class", "Enum",       "Function",
    "Char",           "Wchar_t",        "Bool_t",         "Signed_int64",
    "Unsigned_int64", "Floating_extension", "Last_type",
};
static_assert(sizeof kind_names / sizeof kind_names[0] == dv_type::Last_type + 1);

}  // namespace

const char* dv_type::get_kind_string(int kind) {
  if (kind < 0 || kind > Last_type) return kind_names[Undefined];
  return kind_names[kind];
}

dv_type::dv_type(unsigned size, unsigned alignment, const char* name)
    : name_(name), is_unspecified_(0), size_(size), alignment_(alignment) {}

dv_type::~dv_type() = default;

char* dv_type::get_string() const { return ::strdup(get_name()); }

void dv_type::refuse_fixed_size(const char* what, unsigned value) const {
  throw dv_err_mop("a %s type has a fixed %s: %u refused for type \"%s\"", get_kind_string(get_kind()), what,
                   value, get_name());
}

const char* _Mop_name_of(const dv_type* t) { return t != nullptr ? t->get_name() : ""; }

dv_integral_type::dv_integral_type(int kind, int is_signed, unsigned size, unsigned alignment, const char* name)
    : dv_type(size, alignment, name), is_signed_(is_signed), kind_(kind) {}

dv_real_type::dv_real_type(int kind, unsigned size, unsigned alignment, const char* name)
    : dv_type(size, alignment, name), kind_(kind) {}

dv_void_type::dv_void_type(const char* name) : dv_type(0, 1, name) {}

dv_enum_type::dv_enum_type(const char* name, const dv_List<dv_enumerator_literal>& enumerators)
    : dv_type(4, 4, name) {
  enumerators_ = enumerators;
}

dv_enum_type::~dv_enum_type() { enumerators_.destroy_elements(); }

void dv_enum_type::set_enumerators(const dv_List<dv_enumerator_literal>& enumerators) {
  if (&enumerators == &enumerators_) return;
  enumerators_.destroy_elements();
  enumerators_ = enumerators;
}

dv_enumerator_literal* dv_enum_type::find_enumerator(const char* name) const {
  dv_enumerator_literal* found = nullptr;
  enumerators_.each([&](dv_enumerator_literal* e) {
    if (found == nullptr && name != nullptr && std::strcmp(name, e->get_name()) == 0) found = e;
  });
  return found;
}

dv_indirect_type::dv_indirect_type(dv_type& target, const char* name) : dv_type(0, 0, name), target_(&target) {}

unsigned dv_indirect_type::get_size() const { return target_ != nullptr ? target_->get_size() : 0; }

unsigned dv_indirect_type::get_alignment() const { return target_ != nullptr ? target_->get_alignment() : 0; }

dv_pointer_type::dv_pointer_type(dv_type& target) : dv_type(4, 4, nullptr), target_(&target) {}

dv_pointer_to_member_type::dv_pointer_to_member_type(dv_class_type& target_class, dv_type& target)
    : dv_pointer_type(target), target_class_(&target_class) {}

dv_array_type::dv_array_type(dv_type& element, unsigned count) : dv_type(0, 0, nullptr), count_(count), element_(&element) {}

unsigned dv_array_type::get_size() const { return element_ != nullptr ? element_->get_size() * count_ : 0; }

unsigned dv_array_type::get_alignment() const { return element_ != nullptr ? element_->get_alignment() : 0; }

dv_function_type::dv_function_type(int arg_list_kind, const dv_List<dv_type>& args, dv_type& return_type)
    : dv_type(4, 4, nullptr), arg_list_kind_(arg_list_kind), return_type_(&return_type) {
  args_ = args;
}

// ---- checked downcasts (of the types, members and template arguments) -----------------

#define DV_MOP_DOWNCAST(BASE, T)                                                   \
  BASE::operator T&() { return dynamic_cast<T&>(*this); }                          \
  BASE::operator const T&() const { return dynamic_cast<const T&>(*this); }
DV_MOP_DOWNCAST(dv_type, dv_integral_type)
DV_MOP_DOWNCAST(dv_type, dv_real_type)
DV_MOP_DOWNCAST(dv_type, dv_void_type)
DV_MOP_DOWNCAST(dv_type, dv_enum_type)
DV_MOP_DOWNCAST(dv_type, dv_indirect_type)
DV_MOP_DOWNCAST(dv_type, dv_named_indirect_type)
DV_MOP_DOWNCAST(dv_type, dv_anonymous_indirect_type)
DV_MOP_DOWNCAST(dv_type, dv_pointer_type)
DV_MOP_DOWNCAST(dv_type, dv_reference_type)
DV_MOP_DOWNCAST(dv_type, dv_pointer_to_member_type)
DV_MOP_DOWNCAST(dv_type, dv_array_type)
DV_MOP_DOWNCAST(dv_type, dv_function_type)
DV_MOP_DOWNCAST(dv_type, dv_class_type)
DV_MOP_DOWNCAST(dv_type, dv_instantiated_class_type)
DV_MOP_DOWNCAST(dv_member, dv_member_variable)
DV_MOP_DOWNCAST(dv_member, dv_field_member_variable)
DV_MOP_DOWNCAST(dv_member, dv_member_function)
DV_MOP_DOWNCAST(dv_member, dv_member_type)
DV_MOP_DOWNCAST(dv_template_formal_arg, dv_template_type_formal)
DV_MOP_DOWNCAST(dv_template_formal_arg, dv_template_value_formal)
DV_MOP_DOWNCAST(dv_template_actual_arg, dv_type_template_actual_arg)
DV_MOP_DOWNCAST(dv_template_actual_arg, dv_literal_template_actual_arg)
#undef DV_MOP_DOWNCAST

}  // namespace dv_qem
