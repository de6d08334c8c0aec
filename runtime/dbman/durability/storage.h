// _Storage: where a database's pages are kept while it is open. Either a
// file of its own (the file form: locked for the whole time it is open,
// shared for a read-only opener, exclusive for any other) or a stream of a
// compound file (the stream form: the stream and its container each held
// by one reference). Every transfer is positioned, and both forms move
// the same bytes, so the image is the same in either.
#pragma once

#include <cstddef>
#include <sys/types.h>

#include "dv_olestorage.h"
#include "dv_platform.h"
#include "dv_types.h"

namespace dv_qem {

struct _Storage {
  _VRN_file* file = nullptr;        // the open file (file form)
  IStorage* container = nullptr;    // the compound file (stream form)
  IStream* stream = nullptr;        // the open stream (stream form)
  char16_t* stream_name = nullptr;  // heap copy of the stream's name (stream form)

  // Opens path with the platform layer's flags and file mode. Returns the
  // platform result code (_VRN_FILE_OK on success) and, on failure, the
  // system's text in text.
  int open(const char* path, int flags, int mode, char* text, size_t text_size);
  // Creates (create) or opens the stream name of container with the stream
  // mode. Returns S_OK, or the failure result with nothing held.
  HRESULT open_stream(IStorage* container, const char16_t* name, DWORD mode, bool create);
  bool is_open() const { return file != nullptr || stream != nullptr; }
  bool is_stream() const { return stream != nullptr; }
  // Whether this stream form lies in other (the same object, by identity).
  bool is_in(IStorage* other) const;

  // Bytes transferred; short only at the end of the file or stream (read)
  // or on a full device or medium (write). Other failures throw
  // dv_err_cant_read_from_file "ReadFile failed: %s" or
  // dv_err_cant_write_to_file "WriteFile failed: %s".
  size_t read_at(void* buffer, size_t length, off_t offset);
  size_t write_at(const void* buffer, size_t length, off_t offset);
  // The same for all length bytes: a short count throws the fixed texts of
  // _VRN_require_whole ("Failed to read %d bytes from file.", "Failed to
  // write %d bytes to file.").
  void read_whole(void* buffer, size_t length, off_t offset);
  void write_whole(const void* buffer, size_t length, off_t offset);
  // Makes every write so far durable: the file is synced, the stream
  // committed. Failure: dv_err_cant_write_to_file "FlushFileBuffers failed: %s".
  void flush();
  // Bytes in the file or stream.
  off_t size();
  // Cuts the file or stream to size bytes. Failure: dv_err_cant_write_to_file
  // "SetEndOfFile failed: %s".
  void truncate(off_t size);
  // Closes the file, or releases the stream and the container; 0, or -1
  // when the system reported a failure.
  int close();
  // Closes and deletes: the file at path (removed while still locked, so no
  // other opener's file is the one removed), or the stream (released, then
  // destroyed in its container). 0, or -1 when deleting failed.
  int close_and_delete(const char* path);
  // Gives what is open to other (which holds nothing) and holds nothing.
  void hand_over_to(_Storage& other);
};

// The name of a compound-file result ("STG_E_MEDIUMFULL"), or null for one
// without a name.
const char* _Storage_result_name(HRESULT result);

}  // namespace dv_qem
