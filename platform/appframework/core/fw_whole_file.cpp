// Settings files written whole (see fw_whole_file.h).
#include "fw_whole_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

std::string folder_of(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Writes all of bytes to fd; 0 or the errno of the failing write.
int write_all(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : ENOSPC;
    done += static_cast<size_t>(n);
  }
  return 0;
}

}  // namespace

std::string FwFollowLinks(const std::string& path) {
  std::string current = path;
  // As the system does: a chain longer than 40 links is a loop.
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    char target[4096];
    ssize_t n = ::readlink(current.c_str(), target, sizeof target - 1);
    if (n <= 0) return current;
    target[n] = '\0';
    current = target[0] == '/' ? std::string(target) : folder_of(current) + "/" + target;
  }
  return current;
}

int FwWriteWholeFile(const std::string& path, const std::string& bytes) {
  const std::string file = FwFollowLinks(path);
  struct stat st;
  const bool exists = ::stat(file.c_str(), &st) == 0;
  // A rename would replace a read-only file: it is refused as a write to it
  // would be. A file without any write permission is read-only for every
  // user, the superuser too.
  if (exists && (st.st_mode & 0222) == 0) return EACCES;
  if (exists && ::access(file.c_str(), W_OK) != 0) return errno;
  std::string temporary = file + ".tmpXXXXXX";
  int fd = ::mkstemp(temporary.data());
  if (fd < 0) return errno;
  int error = 0;
  if (::fchmod(fd, exists ? (st.st_mode & 07777) : 0644) != 0) error = errno;
  if (error == 0) error = write_all(fd, bytes);
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temporary.c_str(), file.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    return error;
  }
  // The rename is durable once the folder is flushed (some file systems
  // cannot flush a folder: EINVAL is no failure).
  int folder = ::open(folder_of(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return errno;
  if (::fsync(folder) != 0 && errno != EINVAL) error = errno;
  ::close(folder);
  return error;
}

FwFolderWriteLock::FwFolderWriteLock(const std::string& path)
    : fd_(::open(folder_of(FwFollowLinks(path)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
  if (fd_ < 0) return;
  while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
  }
}

FwFolderWriteLock::~FwFolderWriteLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

CString FwWriteFailureText(LPCTSTR file, int error) {
  const char* reason;
  switch (error) {
    case ENOSPC:
    case EDQUOT: reason = "the disk is full"; break;
    case EFBIG: reason = "the file is too large"; break;
    case EACCES:
    case EPERM:
    case EROFS: reason = "the file or its folder is read-only"; break;
    default: reason = std::strerror(error); break;
  }
  CString text;
  text.Format("%s: %s", file != nullptr ? file : "", reason);
  return text;
}
