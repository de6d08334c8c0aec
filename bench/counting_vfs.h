// A SQLite VFS that passes every call to the default VFS and counts the bytes
// read and written and the syncs, so SQLite's figures are counted as the
// store's are.
#pragma once

namespace bench {

struct vfs_counts {
  double bytes_read = 0;
  double bytes_written = 0;
  unsigned reads = 0;
  unsigned writes = 0;
  unsigned syncs = 0;
};

// The VFS's name for sqlite3_open_v2; registered on first use.
const char* counting_vfs_name();
// The counts since the process started (every file, journal included).
const vfs_counts& counted_io();

}  // namespace bench
