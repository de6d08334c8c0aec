// The lock that keeps two imports off one target shop file: a run holds it
// from the moment it takes its copy of the target until Finish or Cancel,
// and a second run that picks the same target is told that the shop is in
// use. The lock is an exclusive flock on "<target>.tallyport-lock" beside
// the target (the target itself is opened and flocked by the database, and
// may not exist yet); the kernel drops it when the holding process dies.
#pragma once

#include "fw_string.h"

// Results of TakeTargetLock.
enum class TargetLock {
  Held,        // this process holds the target's lock
  InUse,       // another process holds it
  CannotLock,  // the lock file could not be made (errno kept)
};

// The message shown when another import holds path's lock: the literal
// text with the path.
CString TargetInUseMessage(LPCTSTR targetPath);

// Takes the lock of targetPath for this process (one target at a time:
// a lock held on another target is released first). Never waits.
TargetLock TakeTargetLock(LPCTSTR targetPath);

// Releases the lock this process holds, if any (its lock file removed).
void ReleaseTargetLock();

// TRUE when another process holds the lock of targetPath; this process's
// own lock does not count.
BOOL TargetLockedByAnotherRun(LPCTSTR targetPath);

// The lock file of targetPath: beside it, its folder's links resolved.
CString TargetLockPath(LPCTSTR targetPath);
