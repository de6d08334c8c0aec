// The target's lock file, taken with flock and checked to be the file that
// is at the path (a holder removes the file when it releases it):
// invariant 6 of DESIGN.md.
#include "target_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "fw_paths.h"

namespace {

constexpr char kLockSuffix[] = ".tallyport-lock";

// The lock this process holds: its path and descriptor (-1 when none).
struct HeldLock {
  CString path;
  int fd = -1;
};

HeldLock& Held() {
  static HeldLock held;
  return held;
}

// Locks the file at lockPath without waiting: the descriptor, or -1 with
// errno (EWOULDBLOCK when another holds it).
int LockFile(const CString& lockPath) {
  for (;;) {
    // Read-only is enough for flock, and lets every user who may import
    // into the target take its lock.
    const int fd = ::open(lockPath, O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) return -1;
    int rc;
    do {
      rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
      const int error = errno;
      ::close(fd);
      errno = error;
      return -1;
    }
    // A holder that released removed the file it locked: the lock counts
    // only on the file that is still at the path.
    struct stat opened, named;
    if (::fstat(fd, &opened) == 0 && ::stat(lockPath, &named) == 0 && opened.st_dev == named.st_dev &&
        opened.st_ino == named.st_ino)
      return fd;
    ::close(fd);
  }
}

void Unlock(const CString& lockPath, int fd) {
  ::unlink(lockPath);
  ::close(fd);
}

}  // namespace

CString TargetLockPath(LPCTSTR targetPath) {
  // One target, one lock, however its path is spelt: the folder is taken
  // with its links resolved.
  const CString path = FwNativePath(targetPath);
  const int slash = path.ReverseFind('/');
  const CString folder = slash < 0 ? CString(".") : slash == 0 ? CString("/") : path.Left(slash);
  char resolved[PATH_MAX];
  if (::realpath(folder, resolved) == nullptr) return path + kLockSuffix;
  return CString(resolved) + (std::strcmp(resolved, "/") == 0 ? "" : "/") + path.Mid(slash + 1) + kLockSuffix;
}

CString TargetInUseMessage(LPCTSTR targetPath) {
  CString text;
  text.Format("The Tradeloft Pro file %s is in use by another import. Please wait until that import is finished, or "
              "choose another file.",
              targetPath);
  return text;
}

TargetLock TakeTargetLock(LPCTSTR targetPath) {
  const CString lockPath = TargetLockPath(targetPath);
  HeldLock& held = Held();
  if (held.fd >= 0 && held.path == lockPath) return TargetLock::Held;
  ReleaseTargetLock();
  const int fd = LockFile(lockPath);
  if (fd < 0) return errno == EWOULDBLOCK ? TargetLock::InUse : TargetLock::CannotLock;
  held.path = lockPath;
  held.fd = fd;
  return TargetLock::Held;
}

void ReleaseTargetLock() {
  HeldLock& held = Held();
  if (held.fd < 0) return;
  Unlock(held.path, held.fd);
  held.fd = -1;
  held.path.Empty();
}

BOOL TargetLockedByAnotherRun(LPCTSTR targetPath) {
  const CString lockPath = TargetLockPath(targetPath);
  const HeldLock& held = Held();
  if (held.fd >= 0 && held.path == lockPath) return FALSE;
  const int fd = LockFile(lockPath);
  if (fd >= 0) {
    Unlock(lockPath, fd);
    return FALSE;
  }
  return errno == EWOULDBLOCK;
}
