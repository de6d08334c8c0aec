// Readers of environment variables as switches and integers.
#include "dv_env.h"

#include <cctype>
#include <cerrno>

#include "dv_assertions.h"
#include "dv_err.h"
#include "dv_platform.h"

namespace dv_qem {

namespace {

void report_set(int* set_flag, bool set) {
  if (set_flag != nullptr) *set_flag = set ? 1 : 0;
}

// strtoul accepts a sign and wraps a negative number around; an integer
// setting may not have one.
bool has_minus_sign(const char* value) {
  while (std::isspace(static_cast<unsigned char>(*value))) ++value;
  return *value == '-';
}

}  // namespace

int _VRN_getenv_bool(const char* name, int* set_flag) {
  const char* value = _VRN_getenv(name);
  report_set(set_flag, value != nullptr);
  if (value == nullptr) return 0;
  char* end = nullptr;
  dv4u number = _VRN_strto4u(value, &end, 0);
  return number != 0 || *end != '\0';
}

dv4u _VRN_getenv_integer(const char* name, int* set_flag, dv4u truncate) {
  if (!_VRN_power_of_two_p(truncate))
    DV_ASSERTION_FAILED(vrn_power_of_two_p_truncate);
  const char* value = _VRN_getenv(name);
  report_set(set_flag, value != nullptr);
  if (value == nullptr) return 0;

  char* end = nullptr;
  errno = 0;
  dv4u number = _VRN_strto4u(value, &end, 0);
  bool out_of_range = errno == ERANGE;
  if (*end != '\0' || out_of_range || has_minus_sign(value))
    throw dv_err_misc("The value of %s, \"%s\", is not a valid integer.", name, value);
  return number & ~(truncate - 1);
}

}  // namespace dv_qem
