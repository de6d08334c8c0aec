// The database header beyond its super-block: building it for a new
// database, and finding the type-information slot of a tag (in the header for
// tags 24..123, in the chain of overflow blocks from tag 124 on).
#pragma once

#include "db_format.h"

namespace dv_qem {

// Tags up to this one live in the header's own slots.
constexpr dv2u last_header_tag = max_builtin_tag + DB_HEADER_TYPE_SLOTS - 1;  // 123
// The highest tag of a new database: the last built-in tag.
constexpr dv2u highest_builtin_tag = max_builtin_tag - 1;  // 23

// Everything of a new database's header behind its super-block: no roots, no
// large-object map, no overflow block, highest tag 23, both page-group
// descriptors, the type slots, the schema-path fields and the tail zero. The
// allocator then sets up the page groups and the large-object map.
void _DB_header_build(_DB_header& header);

// The kept start addresses (db_format.h, n_starts): whether they are kept,
// whether they are sound (a count no larger than the room, each start a
// nonzero page address, the super-block's start among them), whether start
// is among them (always true when they are not kept), and noting the start
// the database is mapped at now (set as the super-block's start and kept,
// unless kept already; when the room is full the starts stop being kept).
bool _DB_starts_kept(const _DB_header& header);
bool _DB_starts_sound(const _DB_header& header);
bool _DB_start_known(const _DB_header& header, dv4u start);
void _DB_note_start(_DB_header& header, dv4u start);

// The overflow block that holds tag (>= 124) and the tag's index in it.
dv4u _DB_oflo_block_index(dv2u tag);
dv4u _DB_oflo_slot_index(dv2u tag);

// The slot of tag. A tag below max_builtin_tag is the internal assertion
// "tag >= max_builtin_tag"; a tag whose overflow block is missing is the
// internal assertion "poflo".
_Pers_type_info& _DB_type_slot(_DB_header& header, dv2u tag);

// The overflow block number index of the chain (0 = the one anchored in the
// header), or null when the chain is shorter.
_Pers_type_info_oflo* _DB_oflo_block(_DB_header& header, dv4u index);

}  // namespace dv_qem
