// CQEMDocument: a framework document whose data is one database file. A new
// document works in a temporary database file ("QEM_db..." in the temporary
// directory) until it is saved under a name; opening a document opens its
// database file, and never creates a missing one. New, Open and Save answer
// FALSE on failure (a failed open or save is reported with the prompts
// AFX_IDP_FAILED_TO_OPEN_DOC or AFX_IDP_FAILED_TO_SAVE_DOC) and leave no
// database half-open; a failed save keeps the modified flag.
#pragma once

#include "dv_database.h"
#include "fw_document.h"

class CQEMDocument : public CDocument {
  DECLARE_DYNAMIC(CQEMDocument)
 public:
  CQEMDocument() = default;
  // Closes the database still open (a temporary one is deleted).
  ~CQEMDocument() override;

  BOOL OnNewDocument() override;
  BOOL OnOpenDocument(LPCTSTR path) override;
  // Saves the database as path and goes on with that file.
  BOOL OnSaveDocument(LPCTSTR path) override;
  void OnCloseDocument() override;
  // Storing saves the database; loading does nothing.
  void Serialize(CArchive& archive) override;

 protected:
  // Closes the database (deleting a temporary one) and forgets it.
  void CloseDatabase();

  dv_qem::dv_database* m_pDatabase = nullptr;  // null when none is open
  char* m_pszTempPath = nullptr;                // the temporary file, owned
  BOOL m_bIsTemporary = FALSE;                  // the database is the temporary file
};
