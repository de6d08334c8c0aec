// Copying the elements of one collection into another.
#pragma once

#include "dv_collection.h"

namespace dv_qem {

// Inserts every element of from (each occurrence, nulls included) into to:
// at the end when to keeps an order, else by insert.
void _Coll_copy_elements(const dv_collection& from, dv_collection& to);

}  // namespace dv_qem
