// Members of class types: variables, bit-fields, functions and member types.
#include "dv_qem/mop_class.h"

namespace dv_qem {

dv_member::dv_member(const char* name) : name_(name), is_unspecified_(0) {}

dv_member_variable::dv_member_variable(const char* name, dv_type& type) : dv_member(name), type_(&type) {}

unsigned dv_member_variable::get_size() const { return type_ != nullptr ? type_->get_size() : 0; }

dv_field_member_variable::dv_field_member_variable(const char* name, dv_type& type, unsigned char bits)
    : dv_member_variable(name, type), bits_(bits) {}

void dv_field_member_variable::get_offset(unsigned& bytes, unsigned char& bits) const {
  bytes = dv_member_variable::get_offset();
  bits = bit_offset_;
}

void dv_field_member_variable::set_offset(unsigned bytes, unsigned char bits) {
  dv_member_variable::set_offset(bytes);
  bit_offset_ = bits;
}

dv_member_function::dv_member_function(const char* name, dv_function_type& type) : dv_member(name), type_(&type) {}

dv_member_type::dv_member_type(dv_type& type) : dv_member(nullptr), type_(&type) {}

}  // namespace dv_qem
