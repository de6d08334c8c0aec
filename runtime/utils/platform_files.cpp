// Files of the platform layer: open with whole-file locks in place of share
// modes, positioned reads and writes at a tracked offset, flushes that never
// pass a failure by, and the small file-system calls around them.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "dv_err.h"
#include "dv_platform.h"
#include "file_fault_hook.h"

namespace dv_qem {

struct _VRN_file {
  int fd;        // open descriptor, close-on-exec
  off_t offset;  // where _VRN_read_file and _VRN_write_file work
};

namespace {

constexpr size_t kTextSize = 320;

// The system text "(%d) %s" of an error number, held for a message.
struct system_text {
  char text[kTextSize];
  explicit system_text(int error_number) {
    _VRN_system_error_text(error_number, text, sizeof text);
  }
};

bool is_device_path(const char* path) {
  return std::strncmp(path, "\\\\.\\", 4) == 0 || std::strncmp(path, "//./", 4) == 0;
}

// open(2) flags for the layer's flags, without O_TRUNC (truncation waits
// for the lock). truncate_after is set when the open must truncate.
int system_open_flags(const char* path, int flags, bool& truncate_after) {
  int access = flags & 3;
  int result = O_CLOEXEC;
  result |= access == _VRN_O_RDONLY ? O_RDONLY : access == _VRN_O_WRONLY ? O_WRONLY : O_RDWR;
  bool create = (flags & _VRN_O_CREAT) != 0;
  bool truncate = (flags & _VRN_O_TRUNC) != 0;
  truncate_after = false;
  if ((flags & _VRN_O_NOFOLLOW) != 0) result |= O_NOFOLLOW;
  if (is_device_path(path)) return result;
  if (create) {
    result |= O_CREAT;
    truncate_after = truncate;
  } else if (truncate && access != _VRN_O_RDONLY) {
    truncate_after = true;
  }
  return result;
}

void report_open_failure(int error_number, int& code, char* text, size_t text_size) {
  code = _VRN_file_error_code(error_number);
  _VRN_system_error_text(error_number, text, text_size);
}

}  // namespace

_VRN_file* _VRN_open_file(const char* path, int flags, int mode, int& code, char* text,
                          size_t text_size) {
  if ((flags & 3) == 3) {
    report_open_failure(EINVAL, code, text, text_size);
    return nullptr;
  }
  bool truncate_after = false;
  int open_flags = system_open_flags(path, flags, truncate_after);
  int fd;
  do {
    fd = ::open(path, open_flags, static_cast<mode_t>(mode));
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    report_open_failure(errno, code, text, text_size);
    return nullptr;
  }

  // Share modes of a regular file: readers share, any other opener is alone.
  // Devices are left unlocked; they are opened by many at once.
  struct stat st;
  int error_number = 0;
  if (::fstat(fd, &st) != 0) {
    error_number = errno;
  } else if (S_ISREG(st.st_mode)) {
    int lock = flags == 0 ? LOCK_SH : LOCK_EX;
    int rc;
    do {
      rc = ::flock(fd, lock | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0)
      error_number = errno;
    else if (truncate_after && ::ftruncate(fd, 0) != 0)
      error_number = errno;
  }
  if (error_number != 0) {
    ::close(fd);
    report_open_failure(error_number, code, text, text_size);
    return nullptr;
  }
  code = _VRN_FILE_OK;
  return new _VRN_file{fd, 0};
}

int _VRN_close_file(_VRN_file* f) {
  int rc = ::close(f->fd);
  delete f;
  return rc == 0 ? 0 : -1;
}

size_t _VRN_pwrite_file(_VRN_file* f, const void* buffer, size_t length, off_t offset) {
  _VRN_file_event(_VRN_FILE_EVENT_WRITE);
  _VRN_file_change_made({_VRN_FILE_CHANGE_WRITE, f->fd, buffer, length, offset});
  const char* from = static_cast<const char*>(buffer);
  size_t done = 0;
  while (done < length) {
    ssize_t n = ::pwrite(f->fd, from + done, length - done, offset + static_cast<off_t>(done));
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n == 0 || errno == ENOSPC || errno == EDQUOT) {
      break;  // the device is full: the caller sees the short count
    } else if (errno != EINTR) {
      throw dv_err_cant_write_to_file("WriteFile failed: %s", system_text(errno).text);
    }
  }
  return done;
}

size_t _VRN_write_file(_VRN_file* f, const void* buffer, size_t length) {
  size_t done = _VRN_pwrite_file(f, buffer, length, f->offset);
  f->offset += static_cast<off_t>(done);
  return done;
}

size_t _VRN_pread_file(_VRN_file* f, void* buffer, size_t length, off_t offset) {
  char* to = static_cast<char*>(buffer);
  size_t done = 0;
  while (done < length) {
    ssize_t n = ::pread(f->fd, to + done, length - done, offset + static_cast<off_t>(done));
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n == 0) {
      break;  // end of file
    } else if (errno != EINTR) {
      throw dv_err_cant_read_from_file("ReadFile failed: %s", system_text(errno).text);
    }
  }
  return done;
}

size_t _VRN_read_file(_VRN_file* f, void* buffer, size_t length) {
  size_t done = _VRN_pread_file(f, buffer, length, f->offset);
  f->offset += static_cast<off_t>(done);
  return done;
}

off_t _VRN_seek_file(_VRN_file* f, off_t distance, int whence) {
  off_t base;
  if (whence == 0) {
    base = 0;
  } else if (whence == 2) {
    struct stat st;
    if (::fstat(f->fd, &st) != 0)
      throw dv_err_file("SetFilePointer failed: %s", system_text(errno).text);
    base = st.st_size;
  } else {
    throw dv_err_file("SetFilePointer failed: Invalid whence - %d", whence);
  }
  if (base + distance < 0) throw dv_err_file("SetFilePointer failed: %s", system_text(EINVAL).text);
  f->offset = base + distance;
  return f->offset;
}

void _VRN_flush_file(_VRN_file* f) {
  _VRN_file_event(_VRN_FILE_EVENT_FLUSH);
  _VRN_file_change_made({_VRN_FILE_CHANGE_FLUSH, f->fd, nullptr, 0, 0});
  int rc;
  do {
    rc = ::fsync(f->fd);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0)
    throw dv_err_cant_write_to_file("FlushFileBuffers failed: %s", system_text(errno).text);
}

off_t _VRN_file_size(_VRN_file* f) {
  struct stat st;
  if (::fstat(f->fd, &st) != 0)
    throw dv_err_file("GetFileSize failed: %s", system_text(errno).text);
  return st.st_size;
}

void _VRN_truncate_file(_VRN_file* f, off_t size) {
  _VRN_file_change_made({_VRN_FILE_CHANGE_TRUNCATE, f->fd, nullptr, static_cast<size_t>(size), 0});
  int rc;
  do {
    rc = ::ftruncate(f->fd, size);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) throw dv_err_cant_write_to_file("SetEndOfFile failed: %s", system_text(errno).text);
}

void _VRN_flush_directory_of(const char* path) {
  _VRN_file_event(_VRN_FILE_EVENT_FLUSH);
  _VRN_file_change_made({_VRN_FILE_CHANGE_FLUSH_DIRECTORY, -1, nullptr, 0, 0});
  const char* slash = std::strrchr(path, '/');
  std::string directory = slash == nullptr ? std::string(".")
                          : slash == path  ? std::string("/")
                                           : std::string(path, slash);
  int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  int rc = -1;
  if (fd >= 0) {
    do {
      rc = ::fsync(fd);
    } while (rc != 0 && errno == EINTR);
  }
  if (rc != 0) {
    system_text failure(errno);
    if (fd >= 0) ::close(fd);
    throw dv_err_cant_write_to_file("FlushFileBuffers failed: %s: %s", directory.c_str(),
                                    failure.text);
  }
  ::close(fd);
}

int _VRN_delete_file(const char* path) { return ::unlink(path) == 0 ? 0 : -1; }

int _VRN_rename_file(const char* from, const char* to) { return ::rename(from, to) == 0 ? 0 : -1; }

int _VRN_get_mode(const char* path) {
  struct stat st;
  if (::stat(path, &st) != 0) return -1;
  return (st.st_mode & 0222) == 0 ? 0444 : 0666;
}

int _VRN_access(const char* path, int mode) { return ::access(path, mode & 6); }

}  // namespace dv_qem
