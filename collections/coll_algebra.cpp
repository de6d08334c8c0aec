// Identity through facades and ownership of new transient collections for the
// set algebra.
#include "coll_algebra.h"

#include "dv_database.h"

namespace dv_qem {

int _Coll_same(const dv_collection& a, const dv_collection& b) {
  if (&a == &b) return 1;
  // _get_innermost_collection changes nothing; it is not const only because
  // it hands out a modifiable pointer.
  return const_cast<dv_collection&>(a)._get_innermost_collection() ==
         const_cast<dv_collection&>(b)._get_innermost_collection();
}

_Coll_transient_result::_Coll_transient_result(unsigned behavior, unsigned expected)
    : collection_(&dv_collection::create(dv_database::get_transient_database(), behavior, expected)) {}

_Coll_transient_result::~_Coll_transient_result() {
  if (collection_ != nullptr) dv_collection::destroy(*collection_);
}

dv_collection& _Coll_transient_result::release() {
  dv_collection* handed = collection_;
  collection_ = nullptr;
  return *handed;
}

}  // namespace dv_qem
