// The import's work file: the chosen target shop file is copied to this
// run's own work file in the program folder when the import or migration
// page opens, the import writes only the copy, and Finish puts the copy in
// the target's place. The name has no shop-file extension, so no target
// (the target page always gives one) can be the work file. The target is
// never changed before Finish, a copy that fails never deletes its source,
// and the target stays locked against other imports (target_lock.h) from
// its copy until Finish or Cancel.
#pragma once

#include "fw_string.h"
#include "shop_session.h"

// Results of the shop-file steps (0 = done).
enum ShopFileResult : int {
  kShopFileDone = 0,
  kShopFileSourceMissing = -100,    // 21044 "Input file %s does not exist!"
  kShopFileCannotWrite = -101,      // 21004 "Failure in opening output file: %s"
  kShopFileCannotRead = -102,       // 21005 "Failure in opening input file: %s"
  kShopFileReadFailed = -103,       // 21045 "Failure in reading input!"
  kShopFileWriteFailed = -104,      // 21046 "Failure in writting output!"
  kShopFileLockedOnCreate = -106,   // 51524, the new work file could not be made
  kShopFileLockedOnOpen = -107,     // 51524, the shop file is open elsewhere or read-only
  kShopFileSameFile = -108,         // 21004, source and destination are one file
  kShopFileInUse = -109,            // another import holds the target (TargetInUseMessage)
  kShopFileDamaged = -110,          // the copy's self-check failed: the damage is named
};

// This run's work file in the program folder, "Tallyport.<pid>-<n>.work":
// its name is taken by exclusive creation the first time it is asked for
// (and again once Finish moved it away), so no other run can take it; the
// left-over work files of runs no longer alive are removed then. The work
// files a process made are removed when it ends.
CString GetWorkShopFilePath();

// Cancel: removes the work file with its companions and releases the
// target's lock.
void ReleaseWorkShopFile(LPCTSTR workPath);

// Copies source over destination: the bytes go to a file beside the
// destination, which then takes the destination's name in one step, so the
// destination is either the old file or the whole copy. The source is never
// deleted; a copy of a file onto itself is refused before anything is
// written. The copy's errno is kept for ShowLastError.
int CopyShopFile(LPCTSTR source, LPCTSTR destination);

// Shows the message of a copy result (nothing for 0 and -100).
void ReportCopyResult(int result, LPCTSTR source, LPCTSTR destination);

// The system's text of the last failed file operation, in a box with the
// information icon.
void ShowLastError();

// Makes the work file when the page opens: takes the target's lock (a
// target another import holds is refused with kShopFileInUse), then a
// copy of the target (recovered first when its log holds unfinished
// work), or a new shop as made (its sample departments included) when the
// target does not exist yet; then checks that the work file opens and that
// the runtime's self-check of it passes (a damaged shop is refused with
// kShopFileDamaged, the damage named). A stale log of an earlier work file
// is removed first. On any failure the work file is removed and the lock
// released. Returns 0 or the failure's result (its message was shown).
int PrepareWorkShopFile(CShopSession& session, LPCTSTR targetPath, LPCTSTR workPath);

// Puts the work file (its database closed) in the target's place: renamed
// over it on the same file system, else copied and then deleted; on
// failure the target and the work file are both kept (and the target's
// lock held). A target another import holds is never written over
// (kShopFileInUse). Returns 0 or the copy's result.
int FinishWorkShopFile(LPCTSTR workPath, LPCTSTR targetPath);
