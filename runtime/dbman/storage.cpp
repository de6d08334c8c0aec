// The file side of a database: open, positioned transfers, flush, close.
#include "storage.h"

#include "dv_err.h"

namespace dv_qem {

int _Storage::open(const char* path, int flags, int mode, char* text, size_t text_size) {
  DV_ASSERT(file == nullptr);
  int code = _VRN_FILE_OK;
  file = _VRN_open_file(path, flags, mode, code, text, text_size);
  return file != nullptr ? _VRN_FILE_OK : code;
}

size_t _Storage::read_at(void* buffer, size_t length, off_t offset) {
  DV_ASSERT(file != nullptr);
  return _VRN_pread_file(file, buffer, length, offset);
}

size_t _Storage::write_at(const void* buffer, size_t length, off_t offset) {
  DV_ASSERT(file != nullptr);
  return _VRN_pwrite_file(file, buffer, length, offset);
}

void _Storage::flush() {
  DV_ASSERT(file != nullptr);
  _VRN_flush_file(file);
}

off_t _Storage::size() {
  DV_ASSERT(file != nullptr);
  return _VRN_file_size(file);
}

int _Storage::close() {
  if (file == nullptr) return 0;
  _VRN_file* f = file;
  file = nullptr;
  return _VRN_close_file(f);
}

void _Storage::hand_over_to(_Storage& other) {
  DV_ASSERT(other.file == nullptr);
  other.file = file;
  file = nullptr;
}

}  // namespace dv_qem
