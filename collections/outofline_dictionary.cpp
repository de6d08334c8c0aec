// The dictionary facade: ownership of its representation, copies that get a
// representation of their own, and the forwarding slots that add something.
#include <cstddef>

#include "coll_messages.h"
#include "coll_raise.h"
#include "dv_coll_err.h"
#include "dv_outofline_dictionary.h"
#include "outofline_dictionary_copy.h"

DV_DEFINE_TYPESPEC(dv_qem::dv_outofline_dictionary, "dv_qem::dv_outofline_dictionary", DV_POINTERS(4),
                   DV_VTABLES(0));

namespace dv_qem {

struct _Dictionary_facade_layout {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
  static_assert(sizeof(dv_outofline_dictionary) == 12);
  static_assert(offsetof(dv_outofline_dictionary, rep_) == 4);
  static_assert(offsetof(dv_outofline_dictionary, reserved_) == 8);
#pragma GCC diagnostic pop
};

dv_typespec* dv_outofline_dictionary::get_dv_typespec() { return &dv_ts<dv_outofline_dictionary>::the_instance; }

dv_outofline_dictionary::dv_outofline_dictionary(const dv_outofline_dictionary& other)
    : _dv_outofline_forwarding(other), reserved_(other.reserved_) {
  if (other.rep_ != nullptr) rep_ = copy_representation(*other.rep_, this);
}

dv_outofline_dictionary& dv_outofline_dictionary::operator=(const dv_outofline_dictionary& other) {
  if (this == &other) return *this;
  dv_dictionary* copy = other.rep_ != nullptr ? copy_representation(*other.rep_, this) : nullptr;
  delete rep_;
  rep_ = copy;
  reserved_ = other.reserved_;
  return *this;
}

dv_outofline_dictionary::~dv_outofline_dictionary() { delete rep_; }

dv_dictionary& dv_outofline_dictionary::rep() const {
  if (rep_ == nullptr) err_coll_internal.signal("dv_outofline_dictionary at %p has no representation", this);
  return *rep_;
}

void* dv_outofline_dictionary::_pick() const { return rep()._empty() ? nullptr : rep()._pick(); }

void* dv_outofline_dictionary::_only() const {
  const unsigned n = rep()._cardinality();
  if (n == 0) return nullptr;
  if (n > 1) dv_coll_raise<coll_msg::only_on_several_elements>();
  return rep()._only();
}

dv_dictionary* dv_outofline_dictionary::copy_representation(const dv_dictionary& source, const void* where) {
  return _Coll_copy_dictionary(source, where);
}

}  // namespace dv_qem
