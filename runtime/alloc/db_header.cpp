// Building a new database's header and finding type-information slots.
#include "db_header.h"

#include <cstring>

#include "dv_assertions.h"
#include "dv_err.h"
#include "self_relative.h"

namespace dv_qem {

void _DB_header_build(_DB_header& header) {
  char* behind_super = reinterpret_cast<char*>(&header) + sizeof(_DB_header_super);
  std::memset(behind_super, 0, sizeof(_DB_header) - sizeof(_DB_header_super));
  header.highest_tag = highest_builtin_tag;
}

dv4u _DB_oflo_block_index(dv2u tag) { return (tag - last_header_tag - 1u) / DB_OFLO_TYPE_SLOTS; }
dv4u _DB_oflo_slot_index(dv2u tag) { return (tag - last_header_tag - 1u) % DB_OFLO_TYPE_SLOTS; }

_Pers_type_info_oflo* _DB_oflo_block(_DB_header& header, dv4u index) {
  auto* block = reinterpret_cast<_Pers_type_info_oflo*>(resolve_self_relative(&header.type_info_oflo));
  for (dv4u i = 0; block != nullptr && i < index; ++i)
    block = reinterpret_cast<_Pers_type_info_oflo*>(resolve_self_relative(&block->next));
  return block;
}

_Pers_type_info& _DB_type_slot(_DB_header& header, dv2u tag) {
  if (tag < max_builtin_tag) DV_ASSERTION_FAILED(tag_ge_max_builtin_tag);
  if (tag <= last_header_tag) return header.type_slots[tag - max_builtin_tag];
  _Pers_type_info_oflo* block = _DB_oflo_block(header, _DB_oflo_block_index(tag));
  if (block == nullptr) DV_ASSERTION_FAILED(poflo);
  return block->slots[_DB_oflo_slot_index(tag)];
}

}  // namespace dv_qem
