// _Storage: the open file that holds a database's pages. Every transfer is
// positioned; the file is locked for the whole time it is open (shared for
// a read-only opener, exclusive for any other).
#pragma once

#include <cstddef>
#include <sys/types.h>

#include "dv_platform.h"
#include "dv_types.h"

namespace dv_qem {

struct _Storage {
  _VRN_file* file = nullptr;

  // Opens path with the platform layer's flags and file mode. Returns the
  // platform result code (_VRN_FILE_OK on success) and, on failure, the
  // system's text in text.
  int open(const char* path, int flags, int mode, char* text, size_t text_size);
  bool is_open() const { return file != nullptr; }
  // Bytes transferred; short only at the end of the file (read) or on a
  // full device (write). Other failures throw.
  size_t read_at(void* buffer, size_t length, off_t offset);
  size_t write_at(const void* buffer, size_t length, off_t offset);
  // Makes every write so far durable.
  void flush();
  off_t size();
  // Closes the file; 0, or -1 when the system reported a failure.
  int close();
  // Gives the open file to other and leaves this storage closed.
  void hand_over_to(_Storage& other);
};

}  // namespace dv_qem
