// The stored layout of a database's recovery log: a 512-byte header at
// offset 0, then entries of 56 bytes, each page-image entry followed at once
// by the page's bytes. A complete log ends with its end entry; the entries of
// a log in progress end at an empty slot (56 zero bytes, no valid tag) or the
// file's end. All integers are little-endian.
#pragma once

#include <cstddef>
#include <cstring>

#include "dv_types.h"

namespace dv_qem {

constexpr char DB_LOG_COOKIE[] = "GRENVALDOMARK C++ LOG LT PR";
constexpr char DB_LOG_STATE_IN_PROGRESS[] = "BAD";
constexpr char DB_LOG_STATE_COMPLETE[] = "-OK";
constexpr char DB_LOG_ENTRY_TAG[] = "TaggY";
constexpr dv2u DB_LOG_VERSION_1 = 1;
constexpr dv2u DB_LOG_VERSION_2 = 2;
// Room for a file name in the header, terminator included.
constexpr size_t DB_LOG_NAME_SIZE = 128;

// Kinds of log entries.
enum _DB_log_kind : dv4s {
  log_page_image = 1,  // "rw": the page's bytes before the write follow the entry
  log_db_grew = 2,     // "new": the database grew; old_size is its size before
  log_end = 3,         // "end": the log is complete up to here
};

struct _DB_log_header {
  char request[32];                  // in-memory write bookkeeping; written as zeros, meaningless on disk
  char cookie[28];                   // DB_LOG_COOKIE, NUL-terminated
  char state[4];                     // "BAD" while in progress, "-OK" when complete
  dv4s in_progress;                  // 1 while in progress, 0 when complete
  dv4s timestamp;                    // stamp of the write the log protects (0 while in progress)
  char db_name[DB_LOG_NAME_SIZE];    // the database's file name, NUL-padded
  char log_name[DB_LOG_NAME_SIZE];   // the log's file name (a temporary log: its whole path), NUL-padded
  dv4s page_size;                    // the system page size when written
  dv2u version_1;                    // DB_LOG_VERSION_1
  dv2u version_2;                    // DB_LOG_VERSION_2
  // Byte offset just past the end entry, set with the completion marks (so
  // an end entry forged earlier in the log shows); 0 while in progress and
  // in logs written before it was kept (not checked then).
  dv4u entries_end;
  char reserved[172];                // zeros

  // Cookie, page size (the given system page size) and version words match.
  bool is_valid(dv4u system_page_size) const {
    return std::memcmp(cookie, DB_LOG_COOKIE, sizeof cookie) == 0 &&
           page_size == static_cast<dv4s>(system_page_size) && version_1 == DB_LOG_VERSION_1 &&
           version_2 == DB_LOG_VERSION_2;
  }
  // Complete only with both marks: state "-OK" and in_progress 0.
  bool is_complete() const {
    return in_progress == 0 && std::memcmp(state, DB_LOG_STATE_COMPLETE, sizeof state) == 0;
  }
};
static_assert(sizeof(DB_LOG_COOKIE) == 28);
static_assert(sizeof(_DB_log_header) == 512);
static_assert(offsetof(_DB_log_header, cookie) == 32);
static_assert(offsetof(_DB_log_header, state) == 60);
static_assert(offsetof(_DB_log_header, in_progress) == 64);
static_assert(offsetof(_DB_log_header, timestamp) == 68);
static_assert(offsetof(_DB_log_header, db_name) == 72);
static_assert(offsetof(_DB_log_header, log_name) == 200);
static_assert(offsetof(_DB_log_header, page_size) == 328);
static_assert(offsetof(_DB_log_header, version_1) == 332);
static_assert(offsetof(_DB_log_header, version_2) == 334);
static_assert(offsetof(_DB_log_header, entries_end) == 336);
static_assert(offsetof(_DB_log_header, reserved) == 340);

struct _DB_log_entry {
  char request[32];   // in-memory write bookkeeping; written as zeros, meaningless on disk
  char tag[6];        // DB_LOG_ENTRY_TAG, NUL-terminated
  dv2u pad;           // 0
  dv4s kind;          // _DB_log_kind
  dv4s offset;        // log_page_image: the page's byte offset in the database file; else 0
  dv4s page_size;     // log_page_image: bytes of the image that follows; else 0
  dv4s old_size;      // log_db_grew: the database size in bytes before it grew;
                      // log_page_image: the page's number + 1, a second record of
                      // offset (0 in logs written before it was kept: not checked);
                      // else 0

  // Tag "TaggY" and a known kind.
  bool is_valid() const {
    return std::memcmp(tag, DB_LOG_ENTRY_TAG, sizeof tag) == 0 && kind >= log_page_image &&
           kind <= log_end;
  }
};
static_assert(sizeof(DB_LOG_ENTRY_TAG) == 6);
static_assert(sizeof(_DB_log_entry) == 56);
static_assert(offsetof(_DB_log_entry, tag) == 32);
static_assert(offsetof(_DB_log_entry, pad) == 38);
static_assert(offsetof(_DB_log_entry, kind) == 40);
static_assert(offsetof(_DB_log_entry, offset) == 44);
static_assert(offsetof(_DB_log_entry, page_size) == 48);
static_assert(offsetof(_DB_log_entry, old_size) == 52);

}  // namespace dv_qem
