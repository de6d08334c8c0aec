// The stored layout of a database file's first 2048 bytes.
//
// A database file is the page image of the database's address range: byte N
// of the file is the byte at (start + N) while the database is mapped. Page 0
// opens with _DB_header; its first 48 bytes, _DB_header_super, identify the
// file and are all that is read before the database is placed in memory.
// All integers are little-endian. Pointers inside the header are
// self-relative (see self_relative.h): 0 null, -1 the field itself, else the
// field's address plus the value.
#pragma once

#include <bit>
#include <cstddef>

#include "dv_types.h"

namespace dv_qem {

// The stored integers are read and written in place, as the machine holds
// them: the formats are only right on a little-endian machine.
static_assert(std::endian::native == std::endian::little, "the stored formats are little-endian");

constexpr dv4u DV_PAGE_SIZE = 4096;          // the only page size the allocator supports
constexpr dv4u DB_HEADER_SIZE = 2048;        // header in front of page 0's heap
constexpr dv2u DB_FORMAT_MAJOR = 1;
constexpr dv2u DB_FORMAT_MINOR = 2;
constexpr char DB_MAGIC[] = "GRENVALDOMARK C++ LT PR";
// Written over the start of a file being created, before its first page; it
// fails the magic test, so a half-created file is never taken for a database.
constexpr char DB_IN_CREATION_MARKER[] = "LT PR IN_CREATION";
constexpr size_t DB_IN_CREATION_MARKER_SIZE = sizeof(DB_IN_CREATION_MARKER) - 1;  // no NUL

// Tags 1..23 are the built-in types, the same in every database; tags from
// max_builtin_tag on are assigned per database in order of first use.
constexpr dv2u max_builtin_tag = 24;
// Tags first_system_tag..23 are the runtime's own structures (type-info
// overflow blocks, roots, the large-object map, their hash tables): they live
// on system pages only, linked self-relative.
constexpr dv2u first_system_tag = 17;
constexpr dv2u DB_HEADER_TYPE_SLOTS = 100;   // tags 24..123 live in the header
constexpr dv2u DB_OFLO_TYPE_SLOTS = 100;     // per overflow block, tags from 124

struct _DB_header_super {
  char magic[24];          // DB_MAGIC, NUL-terminated, zero-padded
  dv4u recovery_word;      // 0 clean; 1 a save, commit or copy is writing pages
  dv4u timestamp;          // stamp of the write in progress (0 when clean); the log carries it too
  dv4u as_start;           // start address of the range: the address of this header when mapped
  dv4u db_size;            // bytes of the image in use (one page at creation)
  dv4u page_size;          // DV_PAGE_SIZE
  dv2u major_version;      // DB_FORMAT_MAJOR
  dv2u minor_version;      // DB_FORMAT_MINOR
};
static_assert(sizeof(_DB_header_super) == 48);
static_assert(offsetof(_DB_header_super, recovery_word) == 0x18);
static_assert(offsetof(_DB_header_super, timestamp) == 0x1c);
static_assert(offsetof(_DB_header_super, as_start) == 0x20);
static_assert(offsetof(_DB_header_super, db_size) == 0x24);
static_assert(offsetof(_DB_header_super, page_size) == 0x28);
static_assert(offsetof(_DB_header_super, major_version) == 0x2c);
static_assert(offsetof(_DB_header_super, minor_version) == 0x2e);

// Result of validating a super-block, tested in this order.
enum _DB_super_validity : int {
  super_valid = 0,
  super_bad_magic = 1,       // also a file shorter than the super-block
  super_bad_page_size = 2,
  super_bad_version = 3,
};

// One type-information slot: the record of a tag assigned in this database.
struct _Pers_type_info {
  dv2u tag;                // the type tag (0 in an unused slot)
  dv2u pad;                // zero
  dv4u size;               // size of the type in bytes
  dv4s name;               // self-relative: persistent NUL-terminated copy of the type name
};
static_assert(sizeof(_Pers_type_info) == 12);
static_assert(offsetof(_Pers_type_info, size) == 4);
static_assert(offsetof(_Pers_type_info, name) == 8);

// Overflow block of type-information slots (system page group, zero-filled
// when made); tag t >= 124 lives in block (t - 124) / 100, slot (t - 124) % 100.
struct _Pers_type_info_oflo {
  dv4s next;                                  // self-relative link to the next block (0 = last)
  _Pers_type_info slots[DB_OFLO_TYPE_SLOTS];
};
static_assert(sizeof(_Pers_type_info_oflo) == 1204);

// Page-group descriptor: the pages of one group (0 system, 1 user), their
// size-class bit vectors and the free multi-page regions.
constexpr unsigned N_SIZE_CLASSES = 8;
struct _Page_group_desc {
  dv4u group;                          // 0 system pages, 1 user pages
  dv4u n_pages;                        // pages in the group
  dv4s first_page;                     // self-relative: first page header; pages chain through page header offset 16
  dv4s size_class_bv[N_SIZE_CLASSES];  // self-relative: the size-class bit vectors
  dv2u size_class_limit[N_SIZE_CLASSES];  // 16, 32, 64, 128, 256, 1024, 2048, page size - 32
  dv4s free_page_bv;                   // self-relative: free multi-page regions (null until needed)
  dv4u reserved;                       // zero
  dv4u flags;                          // bit 0: the size-class vectors are being resized
};
static_assert(sizeof(_Page_group_desc) == 72);
static_assert(offsetof(_Page_group_desc, size_class_bv) == 12);
static_assert(offsetof(_Page_group_desc, size_class_limit) == 44);
static_assert(offsetof(_Page_group_desc, free_page_bv) == 60);
static_assert(offsetof(_Page_group_desc, flags) == 68);

constexpr dv4u system_page_group = 0;
constexpr dv4u user_page_group = 1;

// Start addresses the header keeps (they fill what was the header's zero tail).
constexpr dv4u DB_KEPT_STARTS = 156;

struct _DB_header {
  _DB_header_super super;
  dv4s roots;                 // self-relative: the roots dictionary (null until the first root)
  dv4s large_object_map;      // self-relative: _DB_large_object_map
  dv4s type_info_oflo;        // self-relative: first _Pers_type_info_oflo (null until tag 124)
  dv4u highest_tag;           // highest type tag assigned; 23 at creation
  _Page_group_desc groups[2]; // system group, user group
  _Pers_type_info type_slots[DB_HEADER_TYPE_SLOTS];  // tags 24..123
  dv4s schema_paths;          // self-relative: array of pointers to persistent strings
  dv4u schema_path_capacity;  // 8 when first made, doubled when full
  dv4u n_schema_paths;
  // The start addresses the database has been mapped at, each kept once in
  // order of first use: every user page records one of them as its base,
  // and the super-block's start is one of them. n_starts 0: not kept (a file
  // written before they were, or one mapped at more than DB_KEPT_STARTS
  // places), and a base is then only checked for being an address at all.
  dv4u n_starts;
  dv4u starts[DB_KEPT_STARTS];
};
static_assert(sizeof(_DB_header) == DB_HEADER_SIZE);
static_assert(offsetof(_DB_header, roots) == 0x30);
static_assert(offsetof(_DB_header, large_object_map) == 0x34);
static_assert(offsetof(_DB_header, type_info_oflo) == 0x38);
static_assert(offsetof(_DB_header, highest_tag) == 0x3c);
static_assert(offsetof(_DB_header, groups) == 0x40);
static_assert(offsetof(_DB_header, groups) + sizeof(_Page_group_desc) == 0x88);
static_assert(offsetof(_DB_header, type_slots) == 0xd0);
static_assert(offsetof(_DB_header, schema_paths) == 0x580);
static_assert(offsetof(_DB_header, schema_path_capacity) == 0x584);
static_assert(offsetof(_DB_header, n_schema_paths) == 0x588);
static_assert(offsetof(_DB_header, n_starts) == 0x58c);
static_assert(offsetof(_DB_header, starts) == 0x590);

}  // namespace dv_qem
