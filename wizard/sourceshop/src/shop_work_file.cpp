// Copying shop files for the migration, and the work file's life.
#include "shop_work_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "app_settings.h"
#include "dv_err.h"
#include "root.h"
#include "source_shop_writer.h"
#include "target_lock.h"
#include "transaction_scope.h"
#include "write_failure.h"

namespace {

// A work file is "Tallyport.<pid>-<n>.work": the process that owns it and
// a number that makes the name new; its companions add ".log" (the
// database's log), ".run" (the copy saved before an add) and ".part" (a
// copy being written) to it.
constexpr char kWorkFilePrefix[] = "Tallyport.";
constexpr char kWorkFileSuffix[] = ".work";
const char* const kWorkCompanions[] = {"", ".log", ".part", ".run", ".run.part", ".run.log"};
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

void RemoveWorkFiles(const std::string& workPath) {
  for (const char* companion : kWorkCompanions) ::unlink((workPath + companion).c_str());
}

// The work files this process made, by program folder.
std::map<std::string, std::string>& OwnWorkFiles() {
  static std::map<std::string, std::string> files;
  return files;
}

void RemoveOwnWorkFilesAtExit() {
  ReleaseTargetLock();
  for (const auto& [folder, path] : OwnWorkFiles()) RemoveWorkFiles(path);
}

// The process a work file's name gives (0 when the name is no work file's).
pid_t OwnerOf(const char* name) {
  const size_t prefix = sizeof kWorkFilePrefix - 1;
  if (std::strncmp(name, kWorkFilePrefix, prefix) != 0 || std::strstr(name, kWorkFileSuffix) == nullptr) return 0;
  char* end = nullptr;
  const long pid = std::strtol(name + prefix, &end, 10);
  return pid > 0 && end != nullptr && *end == '-' ? static_cast<pid_t>(pid) : 0;
}

// Removes the work files (and companions) of runs that are no longer alive.
void RemoveDeadRunsWorkFiles(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = ::readdir(dir)) {
    const pid_t owner = OwnerOf(entry->d_name);
    if (owner == 0 || owner == ::getpid()) continue;
    if (::kill(owner, 0) == 0 || errno != ESRCH) continue;  // alive, or not ours to judge
    ::unlink((folder + "/" + entry->d_name).c_str());
  }
  ::closedir(dir);
}

// Makes a work file name in folder that no other run has, by exclusive
// creation (an empty file the copy then replaces); empty when none can be
// made.
std::string MakeWorkFile(const std::string& folder) {
  for (unsigned n = 1; n < 10000; ++n) {
    const std::string path = folder + "/" + kWorkFilePrefix + std::to_string(::getpid()) + "-" + std::to_string(n) +
                             kWorkFileSuffix;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      return path;
    }
    if (errno != EEXIST) break;
  }
  return std::string();
}

}  // namespace

CString GetWorkShopFilePath() {
  const std::string folder(static_cast<LPCTSTR>(GetAppDirectory()));
  auto& own = OwnWorkFiles();
  static const bool registered = (std::atexit(RemoveOwnWorkFilesAtExit), true);
  (void)registered;
  auto found = own.find(folder);
  if (found != own.end()) {
    // Still ours while it exists; Finish renames it away, and then a new
    // name is taken.
    struct stat st;
    if (::stat(found->second.c_str(), &st) == 0) return found->second.c_str();
    RemoveWorkFiles(found->second);
    own.erase(found);
  }
  RemoveDeadRunsWorkFiles(folder);
  std::string path = MakeWorkFile(folder);
  if (path.empty()) {
    // The folder takes no new file: the name still names this run, and
    // making the copy there reports what the folder refuses.
    path = folder + "/" + kWorkFilePrefix + std::to_string(::getpid()) + "-0" + kWorkFileSuffix;
  }
  own[folder] = path;
  return path.c_str();
}

void ReleaseWorkShopFile(LPCTSTR workPath) {
  ReleaseTargetLock();
  const std::string path(workPath);
  for (auto it = OwnWorkFiles().begin(); it != OwnWorkFiles().end(); ++it) {
    if (it->second != path) continue;
    RemoveWorkFiles(path);
    OwnWorkFiles().erase(it);
    return;
  }
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
  // A full disk, or a file at its size limit, is said so, with the file.
  if ((result == kShopFileCannotWrite || result == kShopFileWriteFailed) && IsDiskFullError(g_lastFileError)) {
    AfxMessageBox(WriteFailureText(destination, g_lastFileError), MB_ICONSTOP);
    return;
  }
  switch (result) {
    case kShopFileInUse:
      AfxMessageBox(TargetInUseMessage(destination), MB_ICONSTOP);
      break;
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

namespace {

// The text of a refused shop: the damage the runtime found, or a full disk.
CString DamagedShopText(LPCTSTR targetPath, LPCTSTR workPath, const dv_qem::dv_err& error) {
  CString full = WriteFailureText(workPath);
  if (!full.IsEmpty()) return full;
  CString text;
  text.Format("The Tradeloft Pro file %s is damaged and cannot be imported into: %s", targetPath,
              error.get_report() != nullptr ? error.get_report() : "its self-check failed");
  return text;
}

// The copy (or new shop) and its checks, with the target's lock held.
int MakeWorkShopFile(CShopSession& session, LPCTSTR targetPath, LPCTSTR workPath) {
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
    } catch (const dv_qem::dv_err& error) {
      // The opening's own checks found the damage.
      session.Close();
      AfxMessageBox(DamagedShopText(targetPath, targetPath, error), MB_ICONSTOP);
      return kShopFileDamaged;
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
    } catch (const dv_qem::dv_err& error) {
      session.Close();
      CString text = WriteFailureText(workPath);
      if (text.IsEmpty())
        text.Format("The new shop %s could not be made: %s", workPath,
                    error.get_report() != nullptr ? error.get_report() : "an error of the shop file");
      AfxMessageBox(text, MB_ICONSTOP);
      return kShopFileCannotWrite;
    }
  }
  // The copy opens, and the runtime's self-check of the whole file passes:
  // a damaged shop is refused here, before anything is written into it.
  try {
    session.Open(workPath);
    {
      CTransactionScope scope;  // read only: it ends without a commit
      session.GetDatabase()->self_check();
    }
    session.Close();
  } catch (const dv_qem::dv_err_database_is_locked&) {
    session.Close();
    AfxMessageBox(kIdsShopFileLocked, MB_ICONERROR);
    return kShopFileLockedOnOpen;
  } catch (const dv_qem::dv_err& error) {
    session.Close();
    AfxMessageBox(DamagedShopText(targetPath, workPath, error), MB_ICONSTOP);
    return kShopFileDamaged;
  }
  return kShopFileDone;
}

}  // namespace

int PrepareWorkShopFile(CShopSession& session, LPCTSTR targetPath, LPCTSTR workPath) {
  // The target is this run's from its copy to Finish or Cancel. Without
  // its lock, no copy of an earlier target is left for Finish either.
  switch (TakeTargetLock(targetPath)) {
    case TargetLock::Held: break;
    case TargetLock::InUse:
      RemoveWorkFiles(std::string(workPath));
      AfxMessageBox(TargetInUseMessage(targetPath), MB_ICONSTOP);
      return kShopFileInUse;
    case TargetLock::CannotLock: {
      RemoveWorkFiles(std::string(workPath));
      // The lock file goes beside the target: what refuses it refuses the
      // target's folder, which is what the person chose.
      g_lastFileError = errno;
      CString text = WriteFailureText(targetPath, g_lastFileError);
      if (text.IsEmpty()) {
        text.Format(kIdsCannotWrite, targetPath);
        text += CString(": ") + std::strerror(g_lastFileError);
      }
      FwMessageBoxFromString(kIdsCannotWrite, text);
      return kShopFileCannotWrite;
    }
  }
  // Whatever fails, no part of a copy is left for Finish to put in the
  // target's place, and the target is free again.
  auto giveUp = [&] {
    session.Close();
    RemoveWorkFiles(std::string(workPath));
    ReleaseTargetLock();
  };
  int result;
  try {
    result = MakeWorkShopFile(session, targetPath, workPath);
  } catch (...) {
    giveUp();
    throw;
  }
  if (result != kShopFileDone) giveUp();
  return result;
}

int FinishWorkShopFile(LPCTSTR workPath, LPCTSTR targetPath) {
  // Another import's target is never written over.
  if (TargetLockedByAnotherRun(targetPath)) return kShopFileInUse;
  // The closed work file is whole and flushed: on the target's file system
  // it takes the target's name in one step (nothing to copy, however large
  // the shop); elsewhere, or when that is refused, it is copied.
  if (Exists(workPath) && !SameFile(workPath, targetPath) && ::rename(workPath, targetPath) == 0) {
    ::unlink(LogPathOf(workPath));
    ReleaseTargetLock();
    return kShopFileDone;
  }
  int result = CopyShopFile(workPath, targetPath);
  if (result == kShopFileDone) {
    ::unlink(workPath);
    ::unlink(LogPathOf(workPath));
    ReleaseTargetLock();
  }
  return result;
}
