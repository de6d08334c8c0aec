// Making unspecified metaobjects in a schema's database (the protected
// default constructors), for install.
#pragma once

#include "dv_new.h"
#include "dv_qem/mop_schema.h"

namespace dv_qem {

struct _Mop_factory {
  // A new unspecified T in the schema's database.
  template <class T>
  static T* make(const dv_schema& schema) {
    return new (dv_database::of(&schema), T::get_dv_typespec()) T();
  }
  // The schema's type of the source's name, made unspecified and filed when
  // the schema has none; filled by dup when the schema supports reachable
  // types or flag is set and it is still unspecified.
  template <class T>
  static T& install_type(const T& source, dv_schema& schema, int flag);
};

// The installed copy of t (flag 0), null for null.
dv_type* _Mop_install(const dv_type* t, dv_schema& schema);
dv_class_type* _Mop_install(const dv_class_type* c, dv_schema& schema);

}  // namespace dv_qem
