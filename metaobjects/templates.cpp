// Templates, instantiations, their arguments and literals.
#include "dv_qem/mop_template.h"

namespace dv_qem {

dv_enumerator_literal* dv_literal::get_enum_literal() const {
  return kind_ == 1 ? reinterpret_cast<dv_enumerator_literal*>(static_cast<std::uintptr_t>(value_)) : nullptr;
}

dv_literal_template_actual_arg::~dv_literal_template_actual_arg() { delete literal_; }

void dv_literal_template_actual_arg::set_literal(dv_literal* literal) {
  if (literal == literal_) return;
  delete literal_;
  literal_ = literal;
}

dv_template::dv_template(dv_type& type, const dv_List<dv_template_formal_arg>& args, int kind)
    : is_unspecified_(0), kind_(kind), type_(&type) {
  args_ = args;
}

dv_template::~dv_template() { args_.destroy_elements(); }

void dv_template::set_args(const dv_List<dv_template_formal_arg>& args) {
  if (&args == &args_) return;
  args_.destroy_elements();
  args_ = args;
}

dv_template_instantiation::dv_template_instantiation(dv_template& t, const dv_List<dv_template_actual_arg>& args)
    : template_(&t) {
  args_ = args;
}

dv_template_instantiation::~dv_template_instantiation() { args_.destroy_elements(); }

void dv_template_instantiation::set_args(const dv_List<dv_template_actual_arg>& args) {
  if (&args == &args_) return;
  args_.destroy_elements();
  args_ = args;
}

}  // namespace dv_qem
