// The runtime as the program starts it, for tests that open databases: the
// runtime initialised, transactions turned on, and a fault guard on the
// test's thread for the life of the object.
#pragma once

#include "durnavel.h"
#include "dv_fault_handler.h"
#include "dv_transaction.h"

namespace shop_test {

class runtime {
 public:
  runtime() {
    dv_qem::durnavel::initialize();
    dv_qem::dv_transaction::initialize();
  }

 private:
  dv_qem::_VRN_fault_handler guard_;
};

}  // namespace shop_test
