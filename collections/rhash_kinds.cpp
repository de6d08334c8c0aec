// The thirteen keyed hash-table classes: their instantiation, typespecs, and
// their registration with _Rhash::create, done when the library is loaded.
#include "rhash_slot_protocol.h"

// The table object: virtual-table pointer at 0; the directory, the key-type
// name copy and the index list are pointers at 24, 28 and 32.
#define DV_RH_TYPESPEC(KT, NAME)                                                                          \
  template class dv_qem::_RH<KT>;                                                                         \
  DV_DEFINE_TYPESPEC(dv_qem::_RH<KT>, "dv_qem::_RH<" NAME ">", DV_POINTERS(24, 28, 32), DV_VTABLES(0)); \
  static_assert(sizeof(dv_qem::_RH<KT>) == 36);

using dv_qem::_dv_char_star_nocopy;
using dv_qem::_dv_pt_key;
using dv_qem::_dv_pt_key_point_only;
using dv_qem::_dv_pvoid_index_key;

DV_RH_TYPESPEC(char, "char")
DV_RH_TYPESPEC(short, "short")
DV_RH_TYPESPEC(unsigned short, "unsigned short")
DV_RH_TYPESPEC(int, "int")
DV_RH_TYPESPEC(unsigned int, "unsigned int")
DV_RH_TYPESPEC(unsigned long, "unsigned long")
DV_RH_TYPESPEC(float, "float")
DV_RH_TYPESPEC(char*, "char*")
DV_RH_TYPESPEC(void*, "void*")
DV_RH_TYPESPEC(_dv_char_star_nocopy, "_dv_char_star_nocopy")
DV_RH_TYPESPEC(_dv_pt_key, "_dv_pt_key")
DV_RH_TYPESPEC(_dv_pt_key_point_only, "_dv_pt_key_point_only")
DV_RH_TYPESPEC(_dv_pvoid_index_key, "_dv_pvoid_index_key")
#undef DV_RH_TYPESPEC

namespace dv_qem {

namespace {

bool register_keyed_tables() {
  _Rhash_register_maker(_RH_key_class::char_key, &_RH<char>::make);
  _Rhash_register_maker(_RH_key_class::short_key, &_RH<short>::make);
  _Rhash_register_maker(_RH_key_class::ushort_key, &_RH<unsigned short>::make);
  _Rhash_register_maker(_RH_key_class::int_key, &_RH<int>::make);
  _Rhash_register_maker(_RH_key_class::uint_key, &_RH<unsigned int>::make);
  _Rhash_register_maker(_RH_key_class::ulong_key, &_RH<unsigned long>::make);
  _Rhash_register_maker(_RH_key_class::float_key, &_RH<float>::make);
  _Rhash_register_maker(_RH_key_class::pt_key, &_RH<_dv_pt_key>::make);
  _Rhash_register_maker(_RH_key_class::pvoid_index_key, &_RH<_dv_pvoid_index_key>::make);
  _Rhash_register_maker(_RH_key_class::char_star, &_RH<char*>::make);
  _Rhash_register_maker(_RH_key_class::char_star_nocopy, &_RH<_dv_char_star_nocopy>::make);
  _Rhash_register_maker(_RH_key_class::pt_key_point_only, &_RH<_dv_pt_key_point_only>::make);
  _Rhash_register_maker(_RH_key_class::pvoid_value, &_RH<void*>::make);
  return true;
}

const bool keyed_tables_registered = register_keyed_tables();

}  // namespace

}  // namespace dv_qem
