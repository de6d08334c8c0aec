// The narrow readdir() the toolkit's file dialog calls, answered from the
// large-file readdir64(). The toolkit is built without large-file support,
// so its readdir() fails with EOVERFLOW wherever a file system hands out
// 64-bit entry offsets to this 32-bit program (ext4 under an emulator, XFS
// with large inodes): the dialog then shows "Reading directory" and no
// entries. This library comes before the C library in the lookup order, so
// its readdir() is the one the toolkit (and any other library built without
// large-file support) reaches; code built with large-file support, as ours
// is, calls readdir64() and never comes here.
//
// This file alone is compiled with the narrow `struct dirent`.
#undef _FILE_OFFSET_BITS
#include <dirent.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <mutex>

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

// One entry per open stream, as readdir() promises: an entry stays valid
// until the next call on its own stream. Streams are told apart by address;
// a slot is taken over, oldest first, once more streams are read at the
// same time than there are slots.
constexpr int kStreamSlots = 16;
struct StreamSlot {
  DIR* stream = nullptr;
  struct dirent entry;
};

// Like readdir(): the next entry, or null at the end (errno untouched) or on
// failure (errno set).
extern "C" struct dirent* readdir(DIR* stream) {
  static std::mutex guard;
  static StreamSlot slots[kStreamSlots];
  static int oldest = 0;
  struct dirent64* wide = readdir64(stream);
  if (wide == nullptr) return nullptr;
  std::lock_guard<std::mutex> lock(guard);
  StreamSlot* slot = std::find_if(std::begin(slots), std::end(slots), [stream](const StreamSlot& s) { return s.stream == stream; });
  if (slot == std::end(slots)) {
    slot = &slots[oldest];
    oldest = (oldest + 1) % kStreamSlots;
    slot->stream = stream;
  }
  CopyEntry(*wide, slot->entry);
  return &slot->entry;
}
