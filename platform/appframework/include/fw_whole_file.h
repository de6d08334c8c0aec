// Settings files written whole: a file is replaced through a temporary file
// in its own folder and a rename, so a reader (this or another process)
// sees the old bytes or the new ones, never a mixture; a symbolic link is
// written through to the file it names. Names here are native (Linux) paths.
#pragma once

#include <string>

#include "fw_string.h"

// The file path names once every symbolic link on the last component is
// followed (a relative link from the link's folder); path itself when it
// names no link. The file need not exist.
std::string FwFollowLinks(const std::string& path);

// Replaces the file at path (after FwFollowLinks) with bytes. 0 when done;
// else the errno of the step that failed and the file as it was: EACCES for
// a file that exists but may not be written (read-only), ENOSPC for a full
// disk, EFBIG for a file past the size limit, and so on.
int FwWriteWholeFile(const std::string& path, const std::string& bytes);

// Holds the folder of path locked against every other writer that takes
// this lock (any process), for a read-change-write of one of its files.
// Without a folder to lock (a missing folder) it locks nothing.
class FwFolderWriteLock {
 public:
  explicit FwFolderWriteLock(const std::string& path);
  ~FwFolderWriteLock();
  FwFolderWriteLock(const FwFolderWriteLock&) = delete;
  FwFolderWriteLock& operator=(const FwFolderWriteLock&) = delete;

 private:
  int fd_;
};

// "<file>: <reason>" for a write of file that failed with error: "the disk
// is full", "the file is too large", "the file or its folder is read-only",
// else the system's text.
CString FwWriteFailureText(LPCTSTR file, int error);
