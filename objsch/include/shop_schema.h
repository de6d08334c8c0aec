// The shop schema: the 159 persistent classes of a shop database, each with
// its one type descriptor, registered in this order during static
// initialisation of the library and deregistered at exit.
#pragma once

#include <cstddef>

#include "dv_typespec.h"

namespace objsch {

struct shop_class {
  const char* name;                // the registered type name
  dv_qem::dv_basic_typespec* typespec;  // dv_ts<T>::the_instance
};

inline constexpr size_t kShopClassCount = 159;

// The classes in registration order.
const shop_class* shop_classes();

}  // namespace objsch
