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
  header.n_starts = 1;
  header.starts[0] = header.super.as_start;
}

bool _DB_starts_kept(const _DB_header& header) { return header.n_starts != 0; }

bool _DB_starts_sound(const _DB_header& header) {
  if (header.n_starts > DB_KEPT_STARTS) return false;
  for (dv4u i = 0; i < header.n_starts; ++i)
    if (header.starts[i] == 0 || header.starts[i] % DV_PAGE_SIZE != 0) return false;
  return _DB_start_known(header, header.super.as_start);
}

bool _DB_start_known(const _DB_header& header, dv4u start) {
  if (!_DB_starts_kept(header)) return true;
  const dv4u n = header.n_starts < DB_KEPT_STARTS ? header.n_starts : DB_KEPT_STARTS;
  for (dv4u i = 0; i < n; ++i)
    if (header.starts[i] == start) return true;
  return false;
}

void _DB_note_start(_DB_header& header, dv4u start) {
  header.super.as_start = start;
  if (!_DB_starts_kept(header) || _DB_start_known(header, start)) return;
  if (header.n_starts == DB_KEPT_STARTS) {
    header.n_starts = 0;
    std::memset(header.starts, 0, sizeof header.starts);
    return;
  }
  header.starts[header.n_starts++] = start;
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
