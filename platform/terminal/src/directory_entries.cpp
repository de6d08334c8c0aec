// The narrow readdir() the toolkit's file dialog calls, answered from the
// large-file readdir64(). The toolkit is built without large-file support,
// so its readdir() fails with EOVERFLOW wherever a file system hands out
// 64-bit entry offsets to this 32-bit program (ext4 under an emulator, XFS
// with large inodes): the dialog then shows "Reading directory" and no
// entries. This library comes before the C library in the lookup order, so
// its readdir() is the one the toolkit reaches; programs built with
// large-file support, as ours are, call readdir64() and never come here.
//
// This file alone is compiled with the narrow `struct dirent`.
#undef _FILE_OFFSET_BITS
#include <dirent.h>

#include <cerrno>
#include <cstring>

static_assert(sizeof(long) == 4, "the narrow entry holds 32-bit numbers");

namespace {
// Offsets only go back to seekdir()/telldir(), which the toolkit never
// calls; an inode number that does not fit is kept in its low half, which
// the dialog never compares.
void CopyEntry(const struct dirent64& wide, struct dirent& narrow) {
  narrow.d_ino = static_cast<decltype(narrow.d_ino)>(wide.d_ino);
  narrow.d_off = static_cast<decltype(narrow.d_off)>(wide.d_off);
  narrow.d_type = wide.d_type;
  std::strncpy(narrow.d_name, wide.d_name, sizeof narrow.d_name - 1);
  narrow.d_name[sizeof narrow.d_name - 1] = '\0';
  narrow.d_reclen = sizeof narrow;
}
}  // namespace

// Like readdir(): the next entry, or null at the end (errno untouched) or on
// failure (errno set). The entry stays valid until this thread's next call.
extern "C" struct dirent* readdir(DIR* stream) {
  thread_local struct dirent entry;
  struct dirent64* wide = readdir64(stream);
  if (wide == nullptr) return nullptr;
  CopyEntry(*wide, entry);
  return &entry;
}
