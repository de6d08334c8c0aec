// Telling a full disk and a file at its size limit from other failed writes.
#include "write_failure.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cerrno>

namespace {

// Less free space than this counts as full: the database writes whole
// 4096-byte pages, its log a little more per page.
constexpr unsigned long long kFullBelowBytes = 64 * 1024;

CString FolderOf(const CString& path) {
  const int slash = path.ReverseFind('/');
  return slash < 0 ? CString(".") : slash == 0 ? CString("/") : path.Left(slash);
}

CString DiskFullText(LPCTSTR path) {
  CString text;
  text.Format("The disk is full: %s could not be written.", path);
  return text;
}

CString TooLargeText(LPCTSTR path, unsigned long long limit) {
  CString text;
  text.Format("The file %s is too large: it could not be written (the limit is %llu bytes).", path, limit);
  return text;
}

unsigned long long FileSizeLimit() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 0;
  return static_cast<unsigned long long>(limit.rlim_cur);
}

}  // namespace

bool IsDiskFullError(int error) { return error == ENOSPC || error == EDQUOT || error == EFBIG; }

CString WriteFailureText(LPCTSTR path, int error) {
  if (error == ENOSPC || error == EDQUOT) return DiskFullText(path);
  if (error == EFBIG) return TooLargeText(path, FileSizeLimit());
  if (error != 0) return CString();
  struct statvfs space {};
  if (::statvfs(FolderOf(path), &space) == 0 &&
      static_cast<unsigned long long>(space.f_bavail) * space.f_frsize < kFullBelowBytes)
    return DiskFullText(path);
  if (const unsigned long long limit = FileSizeLimit()) {
    for (const CString& file : {CString(path), CString(path) + ".log"}) {
      struct stat st {};
      if (::stat(file, &st) == 0 && static_cast<unsigned long long>(st.st_size) + 4096 > limit)
        return TooLargeText(file, limit);
    }
  }
  return CString();
}
