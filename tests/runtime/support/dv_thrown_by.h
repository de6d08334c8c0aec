// The message of the dv_err an operation throws: the tests' way of checking
// error texts.
#pragma once

#include <string>

#include "dv_err.h"

namespace dv_test {

// Runs f and answers the report of the error of class E it throws ("" when
// none); an error of another class goes on to the caller, failing the test.
template <class E = dv_qem::dv_err, class F>
std::string thrown_by(F f) {
  try {
    f();
  } catch (const E& err) {
    return err.get_report();
  }
  return "";
}

}  // namespace dv_test
