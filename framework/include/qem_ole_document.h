// CQEMOleDocument: a framework document whose database lives in the stream
// "QEM_db_stream" of a container file (dv_olestorage.h); a file that is no
// container opens as a plain database file. A new document works in a
// temporary container that is deleted when it is released. Opening tries
// read-write, then read-only (the database is then read-only); a missing
// file is refused. Saving to the document's own path saves in place;
// saving to another path moves the database into a new container there, or,
// when the document does not remember the new storage (m_bRemember FALSE),
// writes a copy and leaves the document, its storage and its modified flag
// as they were. A failed open or save answers FALSE, reported with
// AFX_IDP_FAILED_TO_OPEN_DOC or AFX_IDP_FAILED_TO_SAVE_DOC, and leaves no
// database or container half-open.
#pragma once

#include "dv_database.h"
#include "dv_olestorage.h"
#include "fw_document.h"

// The stream of a container that holds the document's database.
constexpr const char* QEM_DB_STREAM_NAME = "QEM_db_stream";

class CQEMOleDocument : public CDocument {
  DECLARE_DYNAMIC(CQEMOleDocument)
 public:
  CQEMOleDocument() = default;
  // Closes the database and releases the container still held.
  ~CQEMOleDocument() override;

  BOOL OnNewDocument() override;
  BOOL OnOpenDocument(LPCTSTR path) override;
  BOOL OnSaveDocument(LPCTSTR path) override;
  void OnCloseDocument() override;

 protected:
  void CloseDatabase();
  void ReleaseRootStorage();
  // Writes the database to the container held and commits it (a plain
  // database file is saved where it is).
  void SaveInPlace();

  dv_qem::dv_database* m_pDatabase = nullptr;  // null when none is open
  dv_qem::IStorage* m_lpRootStg = nullptr;     // the container, or null for a plain file
  BOOL m_bSameAsLoad = TRUE;                   // the last save went to the path loaded from
  BOOL m_bRemember = TRUE;                     // a save to another path switches to it
};
