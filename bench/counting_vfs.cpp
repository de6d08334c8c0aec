// The counting VFS: a file is the default VFS's file placed right after a
// small header whose methods count and forward.
#include "counting_vfs.h"

#include <sqlite3.h>

#include <cstring>

#include "bench_util.h"

namespace bench {

namespace {

vfs_counts counts;
sqlite3_vfs counting_vfs;
sqlite3_vfs* base_vfs = nullptr;

struct counting_file {
  sqlite3_file header;  // pMethods: counting_methods
  sqlite3_file* inner() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

sqlite3_file* inner(sqlite3_file* f) { return reinterpret_cast<counting_file*>(f)->inner(); }

int c_close(sqlite3_file* f) {
  sqlite3_file* in = inner(f);
  return in->pMethods != nullptr ? in->pMethods->xClose(in) : SQLITE_OK;
}
int c_read(sqlite3_file* f, void* data, int amount, sqlite3_int64 offset) {
  counts.bytes_read += amount;
  ++counts.reads;
  return inner(f)->pMethods->xRead(inner(f), data, amount, offset);
}
int c_write(sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset) {
  counts.bytes_written += amount;
  ++counts.writes;
  return inner(f)->pMethods->xWrite(inner(f), data, amount, offset);
}
int c_truncate(sqlite3_file* f, sqlite3_int64 size) { return inner(f)->pMethods->xTruncate(inner(f), size); }
int c_sync(sqlite3_file* f, int flags) {
  ++counts.syncs;
  return inner(f)->pMethods->xSync(inner(f), flags);
}
int c_file_size(sqlite3_file* f, sqlite3_int64* size) { return inner(f)->pMethods->xFileSize(inner(f), size); }
int c_lock(sqlite3_file* f, int level) { return inner(f)->pMethods->xLock(inner(f), level); }
int c_unlock(sqlite3_file* f, int level) { return inner(f)->pMethods->xUnlock(inner(f), level); }
int c_check_reserved(sqlite3_file* f, int* out) { return inner(f)->pMethods->xCheckReservedLock(inner(f), out); }
int c_file_control(sqlite3_file* f, int op, void* arg) { return inner(f)->pMethods->xFileControl(inner(f), op, arg); }
int c_sector_size(sqlite3_file* f) { return inner(f)->pMethods->xSectorSize(inner(f)); }
int c_device_characteristics(sqlite3_file* f) { return inner(f)->pMethods->xDeviceCharacteristics(inner(f)); }
int c_shm_map(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
  return inner(f)->pMethods->xShmMap(inner(f), region, size, extend, out);
}
int c_shm_lock(sqlite3_file* f, int offset, int n, int flags) {
  return inner(f)->pMethods->xShmLock(inner(f), offset, n, flags);
}
void c_shm_barrier(sqlite3_file* f) { inner(f)->pMethods->xShmBarrier(inner(f)); }
int c_shm_unmap(sqlite3_file* f, int delete_flag) { return inner(f)->pMethods->xShmUnmap(inner(f), delete_flag); }

// Version 2: no memory-mapped reads, so every page SQLite reads is counted.
const sqlite3_io_methods counting_methods = {
    2,        c_close,         c_read,   c_write,          c_truncate,     c_sync,
    c_file_size, c_lock,       c_unlock, c_check_reserved, c_file_control, c_sector_size,
    c_device_characteristics, c_shm_map, c_shm_lock,       c_shm_barrier,  c_shm_unmap,
    nullptr,  nullptr};

int c_open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* out_flags) {
  sqlite3_file* in = reinterpret_cast<counting_file*>(f)->inner();
  int rc = base_vfs->xOpen(base_vfs, name, in, flags, out_flags);
  // The header's methods stay null when the open failed: SQLite then calls
  // no close on it.
  f->pMethods = rc == SQLITE_OK ? &counting_methods : nullptr;
  return rc;
}

void register_counting_vfs() {
  base_vfs = sqlite3_vfs_find(nullptr);
  if (base_vfs == nullptr) fail("SQLite has no default VFS");
  // Every other method is the default VFS's own, with its own app data.
  counting_vfs = *base_vfs;
  counting_vfs.iVersion = base_vfs->iVersion;
  counting_vfs.szOsFile = static_cast<int>(sizeof(counting_file)) + base_vfs->szOsFile;
  counting_vfs.pNext = nullptr;
  counting_vfs.zName = "bench_counting";
  counting_vfs.xOpen = c_open;
  if (sqlite3_vfs_register(&counting_vfs, 0) != SQLITE_OK) fail("cannot register the counting VFS");
}

}  // namespace

const char* counting_vfs_name() {
  if (base_vfs == nullptr) register_counting_vfs();
  return counting_vfs.zName;
}

const vfs_counts& counted_io() { return counts; }

}  // namespace bench
