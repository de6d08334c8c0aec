// How the in-page heap learns type tags: a database's type manager maps each
// typespec to the 16-bit tag stored in block headers, and back.
#pragma once

#include "dv_typespec.h"

namespace dv_qem {

class _Type_tag_source {
 public:
  virtual ~_Type_tag_source() = default;
  // The tag of ts in this database, assigned on first use; never 0.
  virtual dv2u tag_of(const dv_typespec* ts) = 0;
  // The typespec a stored tag names; raises dv_err_unmarked_type when the
  // type is not registered in this process.
  virtual const dv_typespec* typespec_of(dv2u tag) = 0;
};

}  // namespace dv_qem
