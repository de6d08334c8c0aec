// The out-of-line members of the small support classes of the public surface.
#include "dv_reference.h"
#include "dv_typespec.h"

namespace dv_qem {

dv_typespec* dv_reference::get_dv_typespec() { return dv_typespec::get_pointer(); }

dv_virtual_behavior::~dv_virtual_behavior() = default;

basic_undo::~basic_undo() = default;

}  // namespace dv_qem
