// Making keyed hash tables by key-type name: the table of makers that the
// slot-class library fills at its start-up, and _Rhash::create choosing the
// slot class and its flags.
#include <atomic>

#include "coll_messages.h"
#include "coll_raise.h"
#include "dv_rhash.h"
#include "key_type_map.h"
#include "rhash_messages.h"

namespace dv_qem {

namespace {

std::atomic<_RH_maker> makers[_RH_key_class_count];

bool is_char_pointer_name(const char* name) { return _key_type_is(name, "char*"); }

bool is_char_array_name(const char* name) { return _key_type_is(name, "char[]"); }

}  // namespace

_RH_maker _Rhash_register_maker(_RH_key_class key_class, _RH_maker maker) {
  return makers[static_cast<int>(key_class)].exchange(maker);
}

_RH_maker _Rhash_maker_of(_RH_key_class key_class) { return makers[static_cast<int>(key_class)].load(); }

_RH_key_class _Rhash::key_class_for(const char* key_type, unsigned behavior, unsigned& extra_flags) {
  extra_flags = 0;
  const char* name = key_type != nullptr ? key_type : "";
  switch (_key_type_code_normalized(key_type)) {
    case 1: case 2: case 14: return _RH_key_class::char_key;
    case 3: return _RH_key_class::short_key;
    case 4: return _RH_key_class::ushort_key;
    case 5: return _RH_key_class::int_key;
    case 6: return _RH_key_class::uint_key;
    case 7: case 8: return _RH_key_class::ulong_key;
    case 9: return _RH_key_class::float_key;
    case 10: case 11:
      extra_flags = out_of_line_key_bit;
      return _RH_key_class::pt_key;
    case 12: return _RH_key_class::pvoid_index_key;
    case 0: break;
    default: dv_coll_raise<coll_msg::rhash_create_key_type>();
  }
  if (_key_type_is(name, "dv_pvoid")) {
    extra_flags = dv_pvoid_key_bit;
    return _RH_key_class::pvoid_value;
  }
  const bool point_only = (behavior & 0x8) != 0;
  const unsigned array_bit = is_char_array_name(name) ? dv4u{char_array_key_bit} : 0u;
  if (is_char_pointer_name(name)) {
    extra_flags = point_only ? (char_star_key_bit | point_to_key_bit) : char_star_key_bit;
    return point_only ? _RH_key_class::char_star_nocopy : _RH_key_class::char_star;
  }
  if (point_only) {
    extra_flags = point_to_key_bit | array_bit;
    return _RH_key_class::pt_key_point_only;
  }
  extra_flags = out_of_line_key_bit | user_hash_fnc_bit | array_bit;
  return _RH_key_class::pt_key;
}

_Rhash* _Rhash::create(const void* where, _Coll_clustering clustering, const char* key_type, unsigned a,
                       unsigned b, unsigned expected, unsigned behavior, _Fn_Pathop*) {
  if (clustering != 0 && clustering != 1 && clustering != 2)
    dv_coll_raise<rhash_msg::unknown_clustering>(static_cast<int>(clustering));
  unsigned flags = keyed_bit | ((behavior & 0x2) == 0 ? dv4u{allow_dup_bit} : 0u) |
                   ((behavior & 0x4) != 0 ? dv4u{signal_dup_bit} : 0u);
  unsigned extra = 0;
  const _RH_key_class key_class = key_class_for(key_type, behavior, extra);
  _RH_maker maker = _Rhash_maker_of(key_class);
  if (maker == nullptr) dv_coll_raise<rhash_msg::keyed_class_missing>(key_type != nullptr ? key_type : "(null)");
  return maker(where, key_type, a * b, expected, flags | extra);
}

}  // namespace dv_qem
