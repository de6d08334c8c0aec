// Path index descriptions: creation in transient memory, copies and
// destruction.
#include "dv_index_path.h"

#include <cstddef>
#include <new>

#include "dv_coll_err.h"
#include "dv_new.h"
#include "dv_typespec.h"

DV_DEFINE_TYPESPEC(dv_qem::dv_index_path, "dv_qem::dv_index_path", DV_POINTERS(0, 4, 8), DV_NO_VTABLES);

namespace dv_qem {

struct _Index_path_layout {
  static_assert(sizeof(dv_index_path) == 20);
  static_assert(offsetof(dv_index_path, steps_) == 0);
  static_assert(offsetof(dv_index_path, li_name_) == 4);
  static_assert(offsetof(dv_index_path, dml_name_) == 8);
  static_assert(offsetof(dv_index_path, flags_) == 12);
  static_assert(offsetof(dv_index_path, keeping_deref_) == 16);
};

dv_typespec* dv_index_path::get_dv_typespec() { return &dv_ts<dv_index_path>::the_instance; }

dv_index_path::dv_index_path(const dv_index_path& other)
    : flags_(other.flags_), keeping_deref_(other.keeping_deref_) {}

dv_index_path& dv_index_path::create(const char* type, const char* path, const dv_segment*) {
  void* storage = ::operator new(sizeof(dv_index_path), dv_database::get_transient_database(), get_dv_typespec());
  if (storage == nullptr)
    err_coll_internal.signal("no index path could be allocated (type %s, path %s)", type != nullptr ? type : "(null)",
                             path != nullptr ? path : "(null)");
  return *::new (storage) dv_index_path;
}

void dv_index_path::destroy(dv_index_path& path) {
  path.~dv_index_path();
  ::operator delete(&path);
}

}  // namespace dv_qem
