// The checked conversions from dv_collection to the kind classes. Every kind
// class derives from dv_collection alone, so the object is its own kind
// object at the same address.
#include "coll_messages.h"
#include "dv_collection.h"

namespace dv_qem {

namespace {

template <class Kind>
Kind& same_object(const dv_collection& c) {
  return *reinterpret_cast<Kind*>(const_cast<dv_collection*>(&c));
}

void check_list(const dv_collection& c) {
  if ((c.get_behavior() & dv_maintain_order) == 0) dv_coll_raise<coll_msg::cast_unordered_to_list>();
}
void check_set(const dv_collection& c) {
  if ((c.get_behavior() & dv_allow_duplicates) != 0) dv_coll_raise<coll_msg::cast_duplicates_to_set>();
}
void check_bag(const dv_collection& c) {
  if ((c.get_behavior() & dv_allow_duplicates) == 0) dv_coll_raise<coll_msg::cast_no_duplicates_to_bag>();
}
void check_array(const dv_collection& c) {
  if ((c.get_behavior() & dv_maintain_order) == 0) dv_coll_raise<coll_msg::cast_unordered_to_array>();
}

}  // namespace

dv_collection::operator dv_list&() { check_list(*this); return same_object<dv_list>(*this); }
dv_collection::operator const dv_list&() const { check_list(*this); return same_object<dv_list>(*this); }
dv_collection::operator dv_set&() { check_set(*this); return same_object<dv_set>(*this); }
dv_collection::operator const dv_set&() const { check_set(*this); return same_object<dv_set>(*this); }
dv_collection::operator dv_bag&() { check_bag(*this); return same_object<dv_bag>(*this); }
dv_collection::operator const dv_bag&() const { check_bag(*this); return same_object<dv_bag>(*this); }
dv_collection::operator dv_array&() { check_array(*this); return same_object<dv_array>(*this); }
dv_collection::operator const dv_array&() const { check_array(*this); return same_object<dv_array>(*this); }

}  // namespace dv_qem
