// Copying shop files for the migration, and the work file's life.
#include "shop_work_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app_settings.h"
#include "dv_err.h"
#include "root.h"
#include "source_shop_writer.h"
#include "transaction_scope.h"

namespace {

constexpr char kWorkFileName[] = "Tallyport.work";
constexpr UINT kIdsInputMissing = 21044;
constexpr UINT kIdsCannotWrite = 21004;
constexpr UINT kIdsCannotRead = 21005;
constexpr UINT kIdsReadFailed = 21045;
constexpr UINT kIdsWriteFailed = 21046;
constexpr UINT kIdsShopFileLocked = 51524;

int g_lastFileError = 0;

bool Exists(LPCTSTR path) {
  struct stat st;
  return ::stat(path, &st) == 0;
}

// Fails with result, keeping errno for ShowLastError.
int Failed(int result) {
  g_lastFileError = errno;
  return result;
}

CString LogPathOf(LPCTSTR databasePath) { return CString(databasePath) + ".log"; }

bool SameFile(LPCTSTR a, LPCTSTR b) {
  struct stat sa, sb;
  return ::stat(a, &sa) == 0 && ::stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace

CString GetWorkShopFilePath() {
  CString path;
  path.Format("%s/%s", static_cast<LPCTSTR>(GetAppDirectory()), kWorkFileName);
  return path;
}

int CopyShopFile(LPCTSTR source, LPCTSTR destination) {
  if (!Exists(source)) return kShopFileSourceMissing;
  if (SameFile(source, destination)) return kShopFileSameFile;
  const int in = ::open(source, O_RDONLY);
  if (in < 0) return Failed(kShopFileCannotRead);
  const CString partial = CString(destination) + ".part";
  const int out = ::open(partial, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out < 0) {
    int result = Failed(kShopFileCannotWrite);
    ::close(in);
    return result;
  }
  int result = kShopFileDone;
  char buffer[65536];
  for (;;) {
    ssize_t got = ::read(in, buffer, sizeof buffer);
    if (got < 0) {
      result = Failed(kShopFileReadFailed);
      break;
    }
    if (got == 0) break;
    for (ssize_t done = 0; done < got;) {
      ssize_t wrote = ::write(out, buffer + done, static_cast<size_t>(got - done));
      if (wrote <= 0) {
        result = Failed(kShopFileWriteFailed);
        break;
      }
      done += wrote;
    }
    if (result != kShopFileDone) break;
  }
  ::close(in);
  if (result == kShopFileDone && ::fsync(out) != 0) result = Failed(kShopFileWriteFailed);
  if (::close(out) != 0 && result == kShopFileDone) result = Failed(kShopFileWriteFailed);
  if (result == kShopFileDone && ::rename(partial, destination) != 0) result = Failed(kShopFileCannotWrite);
  if (result != kShopFileDone) ::unlink(partial);
  return result;
}

void ReportCopyResult(int result, LPCTSTR source, LPCTSTR destination) {
  CString text;
  switch (result) {
    case kShopFileSameFile:
    case kShopFileCannotWrite:
      text.Format(kIdsCannotWrite, destination);
      FwMessageBoxFromString(kIdsCannotWrite, text);
      break;
    case kShopFileCannotRead:
      text.Format(kIdsCannotRead, source);
      FwMessageBoxFromString(kIdsCannotRead, text);
      break;
    case kShopFileReadFailed:
      AfxMessageBox(kIdsReadFailed);
      break;
    case kShopFileWriteFailed:
      AfxMessageBox(kIdsWriteFailed);
      break;
    default:  // done, or no target yet: nothing to show
      break;
  }
}

void ShowLastError() { AfxMessageBox(std::strerror(g_lastFileError), MB_ICONINFORMATION); }

int PrepareWorkShopFile(CShopSession& session, LPCTSTR targetPath, LPCTSTR workPath) {
  // A log left by an earlier work file would be replayed onto the new copy.
  ::unlink(LogPathOf(workPath));
  if (Exists(targetPath)) {
    // Opening recovers the target when its log asks for it, and refuses a
    // target that is open elsewhere or read-only.
    try {
      session.Open(targetPath);
      session.Close();
    } catch (const dv_qem::dv_err_database_is_locked&) {
      session.Close();
      AfxMessageBox(kIdsShopFileLocked, MB_ICONERROR);
      return kShopFileLockedOnOpen;
    }
    int result = CopyShopFile(targetPath, workPath);
    ReportCopyResult(result, targetPath, workPath);
    if (result != kShopFileDone) return result;
  } else {
    try {
      session.Create(workPath);
      session.GetDatabase()->save();
      session.Close();
    } catch (const dv_qem::dv_err_database_is_locked&) {
      session.Close();
      AfxMessageBox(kIdsShopFileLocked, MB_ICONERROR);
      return kShopFileLockedOnCreate;
    }
  }
  try {
    session.Open(workPath);
    session.Close();
  } catch (const dv_qem::dv_err_database_is_locked&) {
    session.Close();
    AfxMessageBox(kIdsShopFileLocked, MB_ICONERROR);
    return kShopFileLockedOnOpen;
  }
  return kShopFileDone;
}

int FinishWorkShopFile(LPCTSTR workPath, LPCTSTR targetPath) {
  // The closed work file is whole and flushed: on the target's file system
  // it takes the target's name in one step (nothing to copy, however large
  // the shop); elsewhere, or when that is refused, it is copied.
  if (Exists(workPath) && !SameFile(workPath, targetPath) && ::rename(workPath, targetPath) == 0) {
    ::unlink(LogPathOf(workPath));
    return kShopFileDone;
  }
  int result = CopyShopFile(workPath, targetPath);
  if (result == kShopFileDone) {
    ::unlink(workPath);
    ::unlink(LogPathOf(workPath));
  }
  return result;
}
