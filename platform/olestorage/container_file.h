// Container files on disk: opening one under a whole-file lock, reading and
// checking its directory and streams, and replacing it crash-safely with a
// new container written beside it.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dv_olestorage.h"
#include "storage_base.h"

namespace dv_qem {

// One stream as the directory of a container file records it.
struct stored_stream {
  std::u16string name;
  stored_run run;
};

// Opens path with open_flags (O_CREAT / O_EXCL create it with mode
// create_mode) and takes the flock kind lock without waiting, on the file the
// path names once the lock is held. Held by another opener:
// STG_E_SHAREVIOLATION; the lock not available at all: STG_E_LOCKVIOLATION.
HRESULT open_locked(const std::string& path, int open_flags, mode_t create_mode, int lock,
                    int* fd);

// Creates a new file named prefix plus six unique characters (mode 0600),
// locked with lock; its name goes to *path.
HRESULT create_unique(const std::string& prefix, int lock, std::string* path, int* fd);

// Reads and checks the directory of the container open at fd. Not a
// container: STG_E_FILEALREADYEXISTS; damaged or unreadable: STG_E_READFAULT.
HRESULT read_directory(int fd, std::vector<stored_stream>* streams);

// Reads the bytes of run from fd and checks them (damaged: STG_E_READFAULT).
HRESULT read_run(int fd, const stored_run& run, std::vector<std::uint8_t>* bytes);

// S_OK when path holds a container header, S_FALSE for any other file.
HRESULT probe_container(const std::string& path);

// A stream of a container about to be written: its bytes in memory, or else
// a run of the current file.
struct stream_to_write {
  const std::u16string* name;
  const std::vector<std::uint8_t>* image;  // null: copy run from the current file
  stored_run run;
};

// Writes a container of streams (sorted by name) to a new file beside path,
// with the mode of the file open at *fd, locks it with lock, flushes it and
// renames it over path. Once renamed, *replaced is true, *fd is the new file
// (the old one closed) and runs[i] tells where streams[i] now lies; the
// result is S_OK, or STG_E_WRITEFAULT when the directory could not be
// flushed after the rename. A failure before (STG_E_MEDIUMFULL,
// STG_E_WRITEFAULT, STG_E_READFAULT, ...) leaves path and *fd as they were.
HRESULT replace_container(const std::string& path, int* fd, int lock,
                          const std::vector<stream_to_write>& streams,
                          std::vector<stored_run>* runs, bool* replaced);

// Removes path when it still names the file open at fd.
void remove_if_same(const std::string& path, int fd);

}  // namespace dv_qem
