// The pointer-slot hash: generic reads of 8-byte slots (element pointer,
// key word) and the overflow cursor over a slot's collection.
#include "dv_rhash_pt_sub.h"

#include <cstdint>

#include "dv_cursor.h"
#include "dv_typespec.h"
#include "key_type_map.h"

DV_DEFINE_TYPESPEC(dv_qem::_Rhash_pt_sub, "dv_qem::_Rhash_pt_sub", DV_POINTERS(24, 28, 32), DV_VTABLES(0));

namespace dv_qem {

dv_typespec* _Rhash_pt_sub::get_dv_typespec() { return &dv_ts<_Rhash_pt_sub>::the_instance; }

int _Rhash_pt_sub::slot_occupied(const void* slot) const {
  const void* e = words(slot).element.resolve();
  return e != nullptr && e != this;
}

_RH_slot_status _Rhash_pt_sub::slot_status(void* slot, const void*, _RH_search_type, _Rank_fcn, unsigned) const {
  const void* e = words(slot).element.resolve();
  if (e == nullptr) return _RH_empty;
  if (e == this) return _RH_removed;
  return _RH_other_key;
}

void* _Rhash_pt_sub::slot_key(const void* slot, unsigned) const {
  const char* name = _key_type();
  if (_key_type_is(name, "dv_pvoid") || _key_type_is(name, "char*") || _key_type_is(name, "dv_char_star_nocopy"))
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(words(slot).key));
  return const_cast<dv4u*>(&words(slot).key);
}

void* _Rhash_pt_sub::slot_value(const void* slot, const _Rhash_cursor* c, unsigned overflow) const {
  if (!overflow) return words(slot).element.resolve();
  dv_cursor* oc = c != nullptr ? c->get_oflo_current() : nullptr;
  return oc != nullptr ? oc->retrieve() : nullptr;
}

template <class Step>
int _Rhash_pt_sub::step_overflow(const void* slot, _Rhash_cursor* c, void*& element, bool make, Step step) const {
  element = nullptr;
  if (c == nullptr) return 0;
  if (make) {
    c->activate_oflo_cursor(*static_cast<const dv_collection*>(words(slot).element.resolve()));
  }
  dv_cursor* oc = c->get_oflo_current();
  if (oc == nullptr) return 0;
  step(*oc, element);
  if (!oc->more()) element = nullptr;
  return oc->more();
}

int _Rhash_pt_sub::slot_first(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const {
  if (!overflow) {
    element = slot_occupied(slot) ? words(slot).element.resolve() : nullptr;
    return slot_occupied(slot);
  }
  return step_overflow(slot, c, element, true, [](dv_cursor& oc, void*& e) { oc.first(e); });
}

int _Rhash_pt_sub::slot_last(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const {
  if (!overflow) {
    element = slot_occupied(slot) ? words(slot).element.resolve() : nullptr;
    return slot_occupied(slot);
  }
  return step_overflow(slot, c, element, true, [](dv_cursor& oc, void*& e) { oc.last(e); });
}

int _Rhash_pt_sub::slot_next(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const {
  if (!overflow) return 0;
  return step_overflow(slot, c, element, false, [](dv_cursor& oc, void*& e) { oc.next(e); });
}

int _Rhash_pt_sub::slot_previous(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const {
  if (!overflow) return 0;
  return step_overflow(slot, c, element, false, [](dv_cursor& oc, void*& e) { oc.previous(e); });
}

int _Rhash_pt_sub::slot_null(const void* slot, const _Rhash_cursor* c, unsigned overflow) const {
  if (!overflow) return !slot_occupied(slot);
  const dv_cursor* oc = c != nullptr ? c->get_oflo_current() : nullptr;
  return oc == nullptr || !oc->more();
}

}  // namespace dv_qem
