// Reading and writing data members through their metaobjects.
#include <cstring>

#include "dv_qem/mop_access.h"
#include "dv_qem/mop_errors.h"

namespace dv_qem {

namespace {

// Refuses a member whose type is not of kind, a bit-field, or a member
// whose type is not as large as the value.
void check(const dv_member_variable& m, int kind, unsigned value_size) {
  const dv_type* type = m.get_type();
  if (type == nullptr || type->get_kind() != kind) throw dv_err_mop("dv_fetch() Mismatched Type Error.");
  if (m.is_field()) throw dv_err_mop("dv_fetch() member \"%s\" is a bit-field", m.get_name());
  if (type->get_size() != value_size)
    throw dv_err_mop("dv_fetch() member \"%s\" is %u bytes, the value %u", m.get_name(), type->get_size(),
                     value_size);
}

template <class T>
T fetch(const void* object, const dv_member_variable& m, int kind, T& out) {
  check(m, kind, sizeof(T));
  std::memcpy(&out, dv_fetch_address(object, m), sizeof(T));
  return out;
}

template <class T>
void store(void* object, const dv_member_variable& m, int kind, const T& value) {
  check(m, kind, sizeof(T));
  std::memcpy(dv_fetch_address(object, m), &value, sizeof(T));
}

}  // namespace

void* dv_fetch_address(void* object, const dv_member_variable& m) { return static_cast<char*>(object) + m.get_offset(); }
const void* dv_fetch_address(const void* object, const dv_member_variable& m) {
  return static_cast<const char*>(object) + m.get_offset();
}
void* dv_fetch_address(void* object, const dv_base_class& b) { return static_cast<char*>(object) + b.get_offset(); }
const void* dv_fetch_address(const void* object, const dv_base_class& b) {
  return static_cast<const char*>(object) + b.get_offset();
}

#define DV_MOP_ACCESS(T, KIND)                                                        \
  T dv_fetch(const void* object, const dv_member_variable& m, T& out) {               \
    return fetch(object, m, dv_type::KIND, out);                                      \
  }                                                                                   \
  void dv_store(void* object, const dv_member_variable& m, T value) { store(object, m, dv_type::KIND, value); }
DV_MOP_ACCESS(unsigned long, Unsigned_long)
DV_MOP_ACCESS(long, Signed_long)
DV_MOP_ACCESS(unsigned int, Unsigned_integer)
DV_MOP_ACCESS(int, Integer)
DV_MOP_ACCESS(unsigned short, Unsigned_short)
DV_MOP_ACCESS(short, Signed_short)
DV_MOP_ACCESS(unsigned char, Unsigned_char)
DV_MOP_ACCESS(signed char, Signed_char)
DV_MOP_ACCESS(char, Char)
DV_MOP_ACCESS(float, Float)
DV_MOP_ACCESS(double, Double)
DV_MOP_ACCESS(long double, Long_double)
#undef DV_MOP_ACCESS

void* dv_fetch(const void* object, const dv_member_variable& m, void*& out) {
  return fetch(object, m, dv_type::Pointer, out);
}

void dv_store(void* object, const dv_member_variable& m, const void* value) {
  store(object, m, dv_type::Pointer, value);
}

}  // namespace dv_qem
