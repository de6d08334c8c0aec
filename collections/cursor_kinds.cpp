// Which cursors a representation may read as a position: the kind check
// that every operation through a cursor runs before it reads the cursor's
// fields, and the conversions to the representations' views.
#include "coll_algebra.h"
#include "coll_messages.h"
#include "dv_coll_user_ext_cursor.h"
#include "dv_cursor.h"
#include "dv_cursor_views.h"

namespace dv_qem {

void dv_cursor::check_cast() const {
  if (update_insensitive_cursor() || sorted_cursor()) dv_coll_raise<coll_msg::ordered_cursor_operations>();
}

void dv_cursor::check_cast(const dv_collection& rep) const {
  check_cast();
  const dv_collection* bound = contents();
  if (bound == nullptr || bound == &rep) return;
  if (!_Coll_same(*bound, rep)) dv_coll_raise<coll_msg::ordered_cursor_operations>();
}

dv_cursor::operator _Packed_list_cursor&() {
  check_cast();
  return static_cast<_Packed_list_cursor&>(*this);
}

dv_cursor::operator _Chained_list_cursor&() {
  check_cast();
  return static_cast<_Chained_list_cursor&>(*this);
}

dv_cursor::operator _Ixonly_cursor&() {
  check_cast();
  return static_cast<_Ixonly_cursor&>(*this);
}

dv_cursor::operator _Dictionary_cursor&() {
  check_cast();
  return static_cast<_Dictionary_cursor&>(*this);
}

dv_cursor::operator dv_coll_user_ext_cursor&() {
  check_cast();
  return static_cast<dv_coll_user_ext_cursor&>(*this);
}

}  // namespace dv_qem
