// The target page's check of an existing shop file: it opens the file
// under a read-only transaction, checks it as the session and kvcdump do
// (objsch::CheckShopDatabase: the self-check and a root "My Shop" that
// holds a Root) and compares the shop's signature. Whatever happens, the
// transaction is ended and the database closed before the answer is given.
#pragma once

#include "fw_string.h"

enum class ShopFileCheck {
  Good,        // a shop of this program's version (or one with no signature)
  OldVersion,  // a shop with another signature
  NotAShop,    // not a database, or a database without a shop
  Locked,      // open elsewhere, or not writable
  DiskFull,    // its disk is full (or it is at the file-size limit): it cannot be opened
};

// The signature of the shops this program writes.
constexpr const char* kShopFileSignature = "KESTRELMARK_DBASE_VER5";

// Checks the shop file at path (a native path). Starts the runtime and
// turns transactions on the first time it runs, when nothing did so
// before. A file whose log holds unfinished work is recovered first, as
// opening it for the import would.
ShopFileCheck CheckShopFile(const CString& path);

// The message of a refused check: a string id (0 for the literal texts of
// OldVersion and DiskFull) and that literal text (DiskFull names path);
// Good gives 0 and an empty text.
UINT ShopFileCheckMessageId(ShopFileCheck result);
CString ShopFileCheckMessageText(ShopFileCheck result, const CString& path = CString());
