// The slot members that allocate or free: key storage, removal, clearing;
// the relocatable hash of pointer values; the slot typespecs of the thirteen key types.
#include <cstring>
#include <new>

#include "durnavel.h"
#include "dv_new.h"
#include "dv_rh_slot.h"
#include "dv_typespec.h"

namespace dv_qem {

unsigned _Pvoid_hash_relocatable(const void* key) {
  return durnavel::compute_ptr_hash(*static_cast<const void* const*>(key));
}

template <class KT>
void _RH_slot<KT>::free_key_copy() {
  if constexpr (form == _RH_key_form::string_copy) {
    void* copy = key_word().resolve();
    key_word() = nullptr;
    if (copy != nullptr) ::operator delete(copy);
  }
}

template <class KT>
void _RH_slot<KT>::store_key(const void* key, const void* key_storage) {
  if constexpr (form == _RH_key_form::scalar) {
    KT value;
    std::memcpy(&value, key, sizeof value);
    key_.set(value);
  } else if constexpr (form == _RH_key_form::string_copy) {
    free_key_copy();
    const char* text = *static_cast<const char* const*>(key);
    if (text == nullptr) return;
    unsigned size = static_cast<unsigned>(std::strlen(text)) + 1;
    void* copy = ::operator new(size, dv_database::of(&key_), dv_typespec::get_char(), size);
    std::memcpy(copy, text, size);
    key_word() = copy;
  } else if constexpr (form == _RH_key_form::pointer_value || form == _RH_key_form::text_pointer) {
    key_word() = *static_cast<void* const*>(key);
  } else {
    key_word() = const_cast<void*>(key_storage);
  }
}

template <class KT>
void _RH_slot<KT>::mark_removed(const void* owner) {
  free_key_copy();
  element_ = const_cast<void*>(owner);
  std::memset(static_cast<void*>(&key_), 0, sizeof key_);
  set_stored_hash(0);
}

template <class KT>
void _RH_slot<KT>::clear() {
  free_key_copy();
  element_ = nullptr;
  std::memset(static_cast<void*>(&key_), 0, sizeof key_);
  set_stored_hash(0);
}

template <class KT>
dv_typespec* _RH_slot<KT>::get_dv_typespec() {
  return &dv_ts<_RH_slot<KT>>::the_instance;
}

}  // namespace dv_qem

// Element pointer at 0; key pointer at 4 for the pointer forms (the inline
// keys of scalar slots are values, never relocated).
#define DV_RH_SCALAR_SLOT_TYPESPEC(KT, NAME)                                                                \
  DV_DEFINE_TYPESPEC(dv_qem::_RH_slot<KT>, "dv_qem::_RH_slot<" NAME ">", DV_POINTERS(0), DV_NO_VTABLES); \
  template class dv_qem::_RH_slot<KT>;
#define DV_RH_POINTER_SLOT_TYPESPEC(KT, NAME)                                                                  \
  DV_DEFINE_TYPESPEC(dv_qem::_RH_slot<KT>, "dv_qem::_RH_slot<" NAME ">", DV_POINTERS(0, 4), DV_NO_VTABLES); \
  template class dv_qem::_RH_slot<KT>;

using dv_qem::_dv_char_star_nocopy;
using dv_qem::_dv_pt_key;
using dv_qem::_dv_pt_key_point_only;
using dv_qem::_dv_pvoid_index_key;

DV_RH_SCALAR_SLOT_TYPESPEC(char, "char")
DV_RH_SCALAR_SLOT_TYPESPEC(short, "short")
DV_RH_SCALAR_SLOT_TYPESPEC(unsigned short, "unsigned short")
DV_RH_SCALAR_SLOT_TYPESPEC(int, "int")
DV_RH_SCALAR_SLOT_TYPESPEC(unsigned int, "unsigned int")
DV_RH_SCALAR_SLOT_TYPESPEC(unsigned long, "unsigned long")
DV_RH_SCALAR_SLOT_TYPESPEC(float, "float")
DV_RH_POINTER_SLOT_TYPESPEC(char*, "char*")
DV_RH_POINTER_SLOT_TYPESPEC(void*, "void*")
DV_RH_POINTER_SLOT_TYPESPEC(_dv_char_star_nocopy, "_dv_char_star_nocopy")
DV_RH_POINTER_SLOT_TYPESPEC(_dv_pt_key, "_dv_pt_key")
DV_RH_POINTER_SLOT_TYPESPEC(_dv_pt_key_point_only, "_dv_pt_key_point_only")
DV_RH_POINTER_SLOT_TYPESPEC(_dv_pvoid_index_key, "_dv_pvoid_index_key")
#undef DV_RH_SCALAR_SLOT_TYPESPEC
#undef DV_RH_POINTER_SLOT_TYPESPEC
