// CQEMDocument: a document kept in a database file, with a temporary
// database file until its first save.
#include "qem_document.h"

#include <cstdio>

#include "durnavel.h"
#include "dv_platform.h"
#include "qem_document_support.h"

using dv_qem::_VRN_fault_handler;
using dv_qem::dv_database;
using dv_qem::dv_err;
using qem_document_support::close_printing_failure;
using qem_document_support::kNewDatabaseMegabytes;
using qem_document_support::report_failure;

IMPLEMENT_DYNAMIC(CQEMDocument, CDocument)

namespace {

// File mode of the database files documents create.
constexpr int kDocumentFileMode = 0664;

// Deletes the database file at path (and whatever the runtime keeps beside
// it); the plain file when it is no database.
void delete_database_file(const char* path) {
  try {
    dv_database::open(path, 0, 0, 0)->destroy();
  } catch (const dv_err&) {
    std::remove(path);
  }
}

}  // namespace

CQEMDocument::~CQEMDocument() {
  if (m_pDatabase == nullptr && m_pszTempPath == nullptr) return;
  _VRN_fault_handler guard;
  close_printing_failure([this] { CloseDatabase(); });
}

void CQEMDocument::CloseDatabase() {
  dv_database* database = m_pDatabase;
  char* tempPath = m_pszTempPath;
  BOOL temporary = m_bIsTemporary;
  m_pDatabase = nullptr;
  m_pszTempPath = nullptr;
  m_bIsTemporary = FALSE;
  try {
    if (dv_database::is_open(database)) {
      if (temporary) database->destroy();
      else database->close();
    } else if (temporary && tempPath != nullptr) {
      std::remove(tempPath);
    }
  } catch (...) {
    if (temporary && tempPath != nullptr) std::remove(tempPath);
    delete[] tempPath;
    throw;
  }
  delete[] tempPath;
}

BOOL CQEMDocument::OnNewDocument() {
  if (!CDocument::OnNewDocument()) return FALSE;
  _VRN_fault_handler guard;
  try {
    CloseDatabase();
    char* tempPath = new char[dv_qem::_VRN_MAX_PATH];
    if (dv_qem::_VRN_get_tmp_filename(dv_qem::_VRN_get_tmp_dir(), "QEM_db", tempPath) != 0) {
      delete[] tempPath;
      throw dv_qem::dv_err_file("No temporary file could be made in %s", dv_qem::_VRN_get_tmp_dir());
    }
    m_pszTempPath = tempPath;
    m_bIsTemporary = TRUE;
    m_pDatabase = dv_database::create(tempPath, kDocumentFileMode, 1, kNewDatabaseMegabytes);
  } catch (const dv_err& error) {
    error.print();
    CloseDatabase();
    return FALSE;
  }
  return TRUE;
}

BOOL CQEMDocument::OnOpenDocument(LPCTSTR path) {
  IsModified();
  DeleteContents();
  SetModifiedFlag(TRUE);
  _VRN_fault_handler guard;
  try {
    CloseDatabase();
    // Create mode 0: a missing file is refused, never made into an empty
    // database.
    m_pDatabase = dv_database::open(path, 0, 0, 0);
  } catch (const dv_err&) {
    report_failure(*this, path, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC);
    return FALSE;
  }
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL CQEMDocument::OnSaveDocument(LPCTSTR path) {
  _VRN_fault_handler guard;
  try {
    if (m_pDatabase == nullptr) throw dv_qem::dv_err_database_not_open("The document has no database to save as %s", path);
    m_pDatabase->save_as(path, kDocumentFileMode, 1);
  } catch (const dv_err&) {
    report_failure(*this, path, TRUE, AFX_IDP_FAILED_TO_SAVE_DOC);
    return FALSE;
  }
  if (m_bIsTemporary) {
    delete_database_file(m_pszTempPath);
    delete[] m_pszTempPath;
    m_pszTempPath = nullptr;
    m_bIsTemporary = FALSE;
  }
  SetModifiedFlag(FALSE);
  return TRUE;
}

void CQEMDocument::OnCloseDocument() {
  {
    _VRN_fault_handler guard;
    close_printing_failure([this] { CloseDatabase(); });
  }
  CDocument::OnCloseDocument();
}

void CQEMDocument::Serialize(CArchive& archive) {
  if (archive.IsStoring() && m_pDatabase != nullptr) m_pDatabase->save();
}
