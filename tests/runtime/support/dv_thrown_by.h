// The message of the dv_err an operation throws: the tests' way of checking
// error texts.
#pragma once

#include <string>

#include "dv_err.h"

namespace dv_test {

// Runs f and answers the report of the dv_err it throws ("" when none).
template <class F>
std::string thrown_by(F f) {
  try {
    f();
  } catch (const dv_qem::dv_err& err) {
    return err.get_report();
  }
  return "";
}

}  // namespace dv_test
