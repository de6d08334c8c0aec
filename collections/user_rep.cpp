// The user-defined representation's refusals and its indexed variant's
// index list.
#include "coll_messages.h"
#include "dv_coll_user_ext.h"
#include "dv_indexes.h"

namespace dv_qem {

void _user_rep_not_supported() { dv_coll_raise<coll_msg::user_rep_entrypoint_unsupported>(); }

int dv_coll_user_ext::_remove_first(const void*&) { dv_coll_raise<coll_msg::remove_first_unordered>(rep_name()); }
int dv_coll_user_ext::_remove_last(const void*&) { dv_coll_raise<coll_msg::remove_last_unordered>(rep_name()); }
int dv_coll_user_ext::_retrieve_first(const void*&) const {
  dv_coll_raise<coll_msg::retrieve_first_unordered>(rep_name());
}
int dv_coll_user_ext::_retrieve_last(const void*&) const {
  dv_coll_raise<coll_msg::retrieve_last_unordered>(rep_name());
}

dv_coll_user_ext_ix::dv_coll_user_ext_ix(const dv_coll_user_ext_ix& other)
    : dv_coll_user_ext(other), indexes_(other.indexes_ != nullptr ? new _Indexes : nullptr) {}

dv_coll_user_ext_ix::~dv_coll_user_ext_ix() { delete indexes_; }

}  // namespace dv_qem
