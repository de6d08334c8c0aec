// CShopSession: the open shop database and its Root. It opens (recovering
// first when needed) or creates a shop file, checks its signature, saves
// and closes it, and keeps the program-wide shop state in line.
#pragma once

#include <optional>

#include "dv_database.h"
#include "dv_err.h"
#include "fw_types.h"
#include "shop_file_root.h"
#include "stored_pointer_faults.h"

class Root;

class CShopSession {
 public:
  // No database; the old-format flag and the current root cleared.
  CShopSession();
  // Closes the shop. Errors of the close pass to the caller, except while
  // an exception unwinds the session.
  ~CShopSession() noexcept(false);
  CShopSession(const CShopSession&) = delete;
  CShopSession& operator=(const CShopSession&) = delete;

  // The value of the root "My Shop" of the open database; null when no
  // database is open (before Open or Create, and after Close).
  Root* GetRoot();
  dv_qem::dv_database* GetDatabase() const { return m_db; }

  // Opens an existing shop file for writing (recovering it first when its
  // log holds unfinished work) and attaches its root. A missing file, a
  // file that is no database, a database locked by another process and a
  // database without a shop are refused, and so is a damaged database (any
  // other store error while the shop is attached, such as a page that
  // fails the heap's checks or a stored pointer that leads nowhere:
  // dv_err_not_a_database naming the file); a refused file is not changed. Until Close, a stored pointer of
  // the shop that leads outside every database raises dv_err_misc where it
  // is followed.
  void Open(LPCSTR path);
  // Creates a new shop file at path (replacing one that is there), builds
  // its Root, commits and saves.
  void Create(LPCSTR path);
  // Brings the default language in line and writes the changes to the
  // file (outside any transaction).
  void Save();
  // Deletes the pool and closes the database; clears the current database,
  // root and pool. A second close does nothing.
  void Close();

 private:
  // Finds the root "My Shop" and reads its signature; with create set a
  // database without one gets a new shop, else it is refused.
  void AttachRoot(bool create);

  Root* m_sRoot;
  dv_qem::dv_database* m_db;
  int m_nUncaught;  // exceptions in flight when the session was made
  std::optional<CStoredPointerFaults> m_wildFaults;  // while a shop opened by Open is open
};
