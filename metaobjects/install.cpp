// Installing metaobjects into a schema: a deep copy that shares types by
// name. Types are looked up by name in the target schema and filled once;
// owned parts (enumerators, bases, members, instantiations, arguments,
// literals) are always new objects in the schema's database.
#include "mop_factory.h"

namespace dv_qem {

thread_local _Mop_install_journal* _Mop_install_journal::active_ = nullptr;

void _Mop_install_journal::filed(dv_schema& schema, const char* name, dv_type* type) {
  if (active_ == nullptr) return;
  std::string key = name != nullptr ? name : "";
  active_->undo_.push_back([&schema, key, type] {
    schema.remove_type(key.c_str(), type);
    delete type;
  });
}

void _Mop_install_journal::filed(dv_schema& schema, const char* name, dv_template* t) {
  if (active_ == nullptr) return;
  std::string key = name != nullptr ? name : "";
  active_->undo_.push_back([&schema, key, t] {
    schema.remove_template(key.c_str(), t);
    delete t;
  });
}

void _Mop_install_journal::undo() {
  // Last done, first undone: a type filled late may name a type filed early.
  for (auto step = undo_.rbegin(); step != undo_.rend(); ++step) {
    try {
      (*step)();
    } catch (...) {
      // The error that refused the install is the one reported; an undo step
      // that fails leaves its object where it is.
    }
  }
}

template <class T>
T& _Mop_factory::install_type(const T& source, dv_schema& schema, int flag) {
  return _Mop_install_journal::run([&]() -> T& {
    T* instance = nullptr;
    if (dv_type* found = schema.find_type(source.get_name())) {
      instance = dynamic_cast<T*>(found);
      if (instance == nullptr)
        throw dv_err_mop("cannot install the %s type \"%s\": the schema holds a %s type of that name",
                         dv_type::get_kind_string(source.get_kind()), source.get_name(),
                         dv_type::get_kind_string(found->get_kind()));
      if ((schema.support_for_reachable_types() || flag) && instance->is_unspecified())
        _Mop_install_journal::filling(instance);
    } else {
      instance = make<T>(schema);
      try {
        schema.add_type(source.get_name(), instance);
      } catch (...) {
        delete instance;
        throw;
      }
      _Mop_install_journal::filed(schema, source.get_name(), instance);
    }
    if ((schema.support_for_reachable_types() || flag) && instance->is_unspecified()) instance->dup(source, schema);
    return *instance;
  });
}

namespace {

// made, filled by fill; freed when the filling is refused.
template <class T, class F>
T& fill_or_free(T* made, F fill) {
  try {
    fill(*made);
  } catch (...) {
    delete made;
    throw;
  }
  return *made;
}

// A new T in the schema's database filled from source.
template <class T, class Base>
T& install_new(const T& source, dv_schema& schema) {
  return _Mop_install_journal::run([&]() -> T& {
    return fill_or_free(_Mop_factory::make<T>(schema),
                        [&](T& made) { made.dup(static_cast<const Base&>(source), schema); });
  });
}

}  // namespace

dv_type* _Mop_install(const dv_type* t, dv_schema& schema) {
  return t != nullptr ? &t->install(schema, 0) : nullptr;
}

dv_class_type* _Mop_install(const dv_class_type* c, dv_schema& schema) {
  if (c == nullptr) return nullptr;
  dv_class_type& installed = c->install(schema, 0);
  return &installed;
}

// ---- types -------------------------------------------------------------------------------

#define DV_MOP_INSTALL_TYPE(T) \
  dv_type& T::install(dv_schema& schema, int flag) const { return _Mop_factory::install_type(*this, schema, flag); }
DV_MOP_INSTALL_TYPE(dv_integral_type)
DV_MOP_INSTALL_TYPE(dv_real_type)
DV_MOP_INSTALL_TYPE(dv_void_type)
DV_MOP_INSTALL_TYPE(dv_enum_type)
DV_MOP_INSTALL_TYPE(dv_indirect_type)
DV_MOP_INSTALL_TYPE(dv_named_indirect_type)
DV_MOP_INSTALL_TYPE(dv_anonymous_indirect_type)
DV_MOP_INSTALL_TYPE(dv_pointer_type)
DV_MOP_INSTALL_TYPE(dv_reference_type)
DV_MOP_INSTALL_TYPE(dv_pointer_to_member_type)
DV_MOP_INSTALL_TYPE(dv_array_type)
DV_MOP_INSTALL_TYPE(dv_function_type)
DV_MOP_INSTALL_TYPE(dv_class_type)
DV_MOP_INSTALL_TYPE(dv_instantiated_class_type)
#undef DV_MOP_INSTALL_TYPE

void dv_type::dup(const dv_type& source, dv_schema& schema) {
  name_ = source.name_;
  is_unspecified_ = 0;
  size_ = source.size_;
  alignment_ = source.alignment_;
  enclosing_class_ = _Mop_install(source.enclosing_class_, schema);
}

void dv_integral_type::dup(const dv_type& source, dv_schema& schema) {
  const dv_integral_type& s = source;
  dv_type::dup(source, schema);
  is_signed_ = s.is_signed_;
  kind_ = s.kind_;
}

void dv_real_type::dup(const dv_type& source, dv_schema& schema) {
  const dv_real_type& s = source;
  dv_type::dup(source, schema);
  kind_ = s.kind_;
}

void dv_enum_type::dup(const dv_type& source, dv_schema& schema) {
  const dv_enum_type& s = source;
  dv_type::dup(source, schema);
  enumerators_.destroy_elements();
  s.enumerators_.each([&](dv_enumerator_literal* e) { enumerators_.insert_last(&e->install(schema)); });
}

void dv_indirect_type::dup(const dv_type& source, dv_schema& schema) {
  const dv_indirect_type& s = source;
  dv_type::dup(source, schema);
  target_ = _Mop_install(s.target_, schema);
}

void dv_anonymous_indirect_type::dup(const dv_type& source, dv_schema& schema) {
  const dv_anonymous_indirect_type& s = source;
  dv_indirect_type::dup(source, schema);
  is_const_ = s.is_const_;
  is_volatile_ = s.is_volatile_;
}

void dv_pointer_type::dup(const dv_type& source, dv_schema& schema) {
  const dv_pointer_type& s = source;
  dv_type::dup(source, schema);
  target_ = _Mop_install(s.target_, schema);
}

void dv_pointer_to_member_type::dup(const dv_type& source, dv_schema& schema) {
  const dv_pointer_to_member_type& s = source;
  dv_pointer_type::dup(source, schema);
  target_class_ = _Mop_install(s.target_class_, schema);
}

void dv_array_type::dup(const dv_type& source, dv_schema& schema) {
  const dv_array_type& s = source;
  dv_type::dup(source, schema);
  count_ = s.count_;
  element_ = _Mop_install(s.element_, schema);
}

void dv_function_type::dup(const dv_type& source, dv_schema& schema) {
  const dv_function_type& s = source;
  dv_type::dup(source, schema);
  arg_list_kind_ = s.arg_list_kind_;
  args_.clear();
  s.args_.each([&](dv_type* t) { args_.insert_last(_Mop_install(t, schema)); });
  return_type_ = _Mop_install(s.return_type_, schema);
}

void dv_class_type::dup(const dv_type& source, dv_schema& schema) {
  const dv_class_type& s = source;
  dv_type::dup(source, schema);
  class_kind_ = s.class_kind_;
  is_forward_definition_ = s.is_forward_definition_;
  is_persistent_ = s.is_persistent_;
  is_abstract_ = s.is_abstract_;
  declares_get_typespec_ = s.declares_get_typespec_;
  defines_virtual_functions_ = s.defines_virtual_functions_;
  introduces_virtual_functions_ = s.introduces_virtual_functions_;
  has_constructor_ = s.has_constructor_;
  has_destructor_ = s.has_destructor_;
  has_dispatch_table_ = s.has_dispatch_table_;
  has_vtbl_maps_ = s.has_vtbl_maps_;
  dispatch_table_pointer_offset_ = s.dispatch_table_pointer_offset_;
  declspec_ = s.declspec_;
  access_of_get_typespec_ = s.access_of_get_typespec_;
  destroy_bases();
  destroy_members();
  s.bases_.each([&](dv_base_class* b) { bases_.insert_last(&b->install(schema)); });
  s.members_.each([&](dv_member* m) { members_.insert_last(&m->install(schema)); });
}

void dv_instantiated_class_type::dup(const dv_type& source, dv_schema& schema) {
  const dv_instantiated_class_type& s = source;
  dv_class_type::dup(source, schema);
  set_instantiation(s.instantiation_ != nullptr ? &s.instantiation_->install(schema) : nullptr);
}

dv_enumerator_literal& dv_enumerator_literal::install(dv_schema& schema) const {
  return *new (dv_database::of(&schema), get_dv_typespec()) dv_enumerator_literal(get_name(), value_);
}

dv_base_class& dv_base_class::install(dv_schema& schema) const {
  return _Mop_install_journal::run([&]() -> dv_base_class& {
    return fill_or_free(new (dv_database::of(&schema), get_dv_typespec()) dv_base_class(*this),
                        [&](dv_base_class& copy) { copy.class_ = _Mop_install(class_, schema); });
  });
}

// ---- members -----------------------------------------------------------------------------

dv_member& dv_member_variable::install(dv_schema& schema) const {
  return install_new<dv_member_variable, dv_member>(*this, schema);
}
dv_member& dv_field_member_variable::install(dv_schema& schema) const {
  return install_new<dv_field_member_variable, dv_member>(*this, schema);
}
dv_member& dv_member_function::install(dv_schema& schema) const {
  return install_new<dv_member_function, dv_member>(*this, schema);
}
dv_member& dv_member_type::install(dv_schema& schema) const {
  return install_new<dv_member_type, dv_member>(*this, schema);
}

void dv_member::dup(const dv_member& source, dv_schema& schema) {
  name_ = source.name_;
  access_ = source.access_;
  is_unspecified_ = 0;
  defining_class_ = _Mop_install(source.defining_class_, schema);
}

void dv_member_variable::dup(const dv_member& source, dv_schema& schema) {
  const dv_member_variable& s = source;
  dv_member::dup(source, schema);
  storage_class_ = s.storage_class_;
  offset_ = s.offset_;
  type_ = _Mop_install(s.type_, schema);
}

void dv_field_member_variable::dup(const dv_member& source, dv_schema& schema) {
  const dv_field_member_variable& s = source;
  dv_member_variable::dup(source, schema);
  bits_ = s.bits_;
  bit_offset_ = s.bit_offset_;
}

void dv_member_function::dup(const dv_member& source, dv_schema& schema) {
  const dv_member_function& s = source;
  dv_member::dup(source, schema);
  is_inline_ = s.is_inline_;
  is_static_ = s.is_static_;
  is_pure_virtual_ = s.is_pure_virtual_;
  is_virtual_ = s.is_virtual_;
  is_overloaded_ = s.is_overloaded_;
  is_const_ = s.is_const_;
  is_volatile_ = s.is_volatile_;
  function_kind_ = s.function_kind_;
  call_linkage_ = s.call_linkage_;
  type_ = nullptr;
  if (s.type_ != nullptr) {
    dv_function_type& installed = s.type_->install(schema, 0);
    type_ = &installed;
  }
}

void dv_member_type::dup(const dv_member& source, dv_schema& schema) {
  const dv_member_type& s = source;
  dv_member::dup(source, schema);
  type_ = _Mop_install(s.type_, schema);
}

// ---- templates ---------------------------------------------------------------------------

dv_template_formal_arg& dv_template_type_formal::install(dv_schema& schema) const {
  return install_new<dv_template_type_formal, dv_template_formal_arg>(*this, schema);
}
dv_template_formal_arg& dv_template_value_formal::install(dv_schema& schema) const {
  return install_new<dv_template_value_formal, dv_template_formal_arg>(*this, schema);
}

void dv_template_formal_arg::dup(const dv_template_formal_arg& source, dv_schema&) { name_ = source.name_; }

void dv_template_value_formal::dup(const dv_template_formal_arg& source, dv_schema& schema) {
  const dv_template_value_formal& s = source;
  dv_template_formal_arg::dup(source, schema);
  type_ = _Mop_install(s.type_, schema);
}

dv_template_actual_arg& dv_type_template_actual_arg::install(dv_schema& schema) const {
  return install_new<dv_type_template_actual_arg, dv_template_actual_arg>(*this, schema);
}
dv_template_actual_arg& dv_literal_template_actual_arg::install(dv_schema& schema) const {
  return install_new<dv_literal_template_actual_arg, dv_template_actual_arg>(*this, schema);
}

void dv_type_template_actual_arg::dup(const dv_template_actual_arg& source, dv_schema& schema) {
  const dv_type_template_actual_arg& s = source;
  type_ = _Mop_install(s.type_, schema);
}

void dv_literal_template_actual_arg::dup(const dv_template_actual_arg& source, dv_schema& schema) {
  const dv_literal_template_actual_arg& s = source;
  set_literal(s.literal_ != nullptr ? &s.literal_->install(schema) : nullptr);
}

dv_literal& dv_literal::install(dv_schema& schema) const {
  return _Mop_install_journal::run([&]() -> dv_literal& {
    return fill_or_free(_Mop_factory::make<dv_literal>(schema), [&](dv_literal& copy) {
      copy.is_unspecified_ = is_unspecified_;
      copy.kind_ = kind_;
      copy.type_ = _Mop_install(type_, schema);
      copy.value_ = value_;
      if (holds_address(kind_)) {
        const dv_enumerator_literal* e = get_enum_literal();
        auto* installed_enum = dynamic_cast<dv_enum_type*>(copy.type_);
        dv_enumerator_literal* found =
            e != nullptr && installed_enum != nullptr ? installed_enum->find_enumerator(e->get_name()) : nullptr;
        copy.value_ = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(found));
      }
    });
  });
}

dv_template& dv_template::install(dv_schema& schema) const {
  return _Mop_install_journal::run([&]() -> dv_template& {
    return fill_or_free(_Mop_factory::make<dv_template>(schema), [&](dv_template& copy) {
      args_.each([&](dv_template_formal_arg* a) { copy.args_.insert_last(&a->install(schema)); });
      copy.is_unspecified_ = 0;
      copy.kind_ = kind_;
      copy.type_ = _Mop_install(type_, schema);
    });
  });
}

dv_template_instantiation& dv_template_instantiation::install(dv_schema& schema) const {
  return _Mop_install_journal::run([&]() -> dv_template_instantiation& {
    return fill_or_free(_Mop_factory::make<dv_template_instantiation>(schema), [&](dv_template_instantiation& copy) {
      if (template_ != nullptr) {
        // The schema's template of that name, or a copy filed under it (the
        // schema owns its templates).
        copy.template_ = schema.find_template(template_->get_name());
        if (copy.template_ == nullptr) {
          dv_template* made = &template_->install(schema);
          try {
            schema.add_template(made->get_name(), made);
          } catch (...) {
            delete made;
            throw;
          }
          _Mop_install_journal::filed(schema, made->get_name(), made);
          copy.template_ = made;
        }
      }
      args_.each([&](dv_template_actual_arg* a) { copy.args_.insert_last(&a->install(schema)); });
    });
  });
}

}  // namespace dv_qem
