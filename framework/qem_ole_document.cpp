// CQEMOleDocument: a document whose database lives in a stream of a
// container file.
#include "qem_ole_document.h"

#include <strings.h>

#include <cstdio>

#include "durnavel.h"
#include "qem_document_support.h"

using dv_qem::_VRN_fault_handler;
using dv_qem::dv_database;
using dv_qem::dv_err;
using dv_qem::IStorage;
using qem_document_support::close_printing_failure;
using qem_document_support::kNewDatabaseMegabytes;
using qem_document_support::report_failure;

IMPLEMENT_DYNAMIC(CQEMOleDocument, CDocument)

namespace {

// Container modes: a temporary one deleted at its last release, a new one
// at a path, and the read-write and read-only opens of an existing one.
constexpr dv_qem::DWORD kTemporaryContainerMode = dv_qem::STGM_DELETEONRELEASE | dv_qem::STGM_TRANSACTED |
                                                  dv_qem::STGM_CREATE | dv_qem::STGM_SHARE_EXCLUSIVE |
                                                  dv_qem::STGM_READWRITE;
constexpr dv_qem::DWORD kNewContainerMode =
    dv_qem::STGM_TRANSACTED | dv_qem::STGM_CREATE | dv_qem::STGM_SHARE_EXCLUSIVE | dv_qem::STGM_READWRITE;
constexpr dv_qem::DWORD kReadWriteContainerMode =
    dv_qem::STGM_TRANSACTED | dv_qem::STGM_SHARE_EXCLUSIVE | dv_qem::STGM_READWRITE;
constexpr dv_qem::DWORD kReadOnlyContainerMode =
    dv_qem::STGM_TRANSACTED | dv_qem::STGM_SHARE_DENY_WRITE | dv_qem::STGM_READ;
// Stream modes of the database: read-write, and read-only (the database is
// then opened read-only).
constexpr unsigned kReadWriteStreamMode = dv_qem::STGM_SHARE_EXCLUSIVE | dv_qem::STGM_READWRITE;
constexpr unsigned kReadOnlyStreamMode = dv_qem::STGM_SHARE_EXCLUSIVE | dv_qem::STGM_READ;

// A failed container call, as the runtime's file error.
[[noreturn]] void throw_container_error(const char* what, LPCTSTR path, dv_qem::HRESULT result) {
  throw dv_qem::dv_err_file("%s %s failed with 0x%08x", what, path == nullptr ? "(temporary)" : path,
                            static_cast<unsigned>(result));
}

}  // namespace

CQEMOleDocument::~CQEMOleDocument() {
  if (m_pDatabase == nullptr && m_lpRootStg == nullptr) return;
  _VRN_fault_handler guard;
  close_printing_failure([this] { CloseDatabase(); });
  ReleaseRootStorage();
}

void CQEMOleDocument::CloseDatabase() {
  dv_database* database = m_pDatabase;
  m_pDatabase = nullptr;
  if (dv_database::is_open(database)) database->close();
}

void CQEMOleDocument::ReleaseRootStorage() {
  if (m_lpRootStg != nullptr) m_lpRootStg->Release();
  m_lpRootStg = nullptr;
}

BOOL CQEMOleDocument::OnNewDocument() {
  if (!CDocument::OnNewDocument()) return FALSE;
  _VRN_fault_handler guard;
  try {
    CloseDatabase();
    ReleaseRootStorage();
    dv_qem::HRESULT result = dv_qem::StgCreateDocfile(nullptr, kTemporaryContainerMode, 0, &m_lpRootStg);
    if (dv_qem::FAILED(result)) throw_container_error("Creating the container", nullptr, result);
    m_pDatabase = dv_database::create(m_lpRootStg, QEM_DB_STREAM_NAME, kReadWriteStreamMode, kNewDatabaseMegabytes);
  } catch (const dv_err& error) {
    error.print();
    CloseDatabase();
    ReleaseRootStorage();
    return FALSE;
  }
  return TRUE;
}

BOOL CQEMOleDocument::OnOpenDocument(LPCTSTR path) {
  IsModified();
  DeleteContents();
  _VRN_fault_handler guard;
  try {
    CloseDatabase();
    if (path != nullptr) ReleaseRootStorage();
    if (m_lpRootStg != nullptr) {
      m_pDatabase = dv_database::open(m_lpRootStg, QEM_DB_STREAM_NAME, kReadWriteStreamMode, 0);
    } else {
      if (path == nullptr) throw dv_qem::dv_err_invalid_pathname("A document without a container needs a path to open.");
      dv_qem::HRESULT kind = dv_qem::StgIsStorageFile(path);
      if (kind == dv_qem::S_FALSE) {
        // No container: a plain database file; create mode 0 refuses a
        // missing one.
        m_pDatabase = dv_database::open(path, 0, 0, 0);
      } else {
        if (dv_qem::FAILED(kind)) throw_container_error("Opening", path, kind);
        unsigned streamMode = kReadWriteStreamMode;
        dv_qem::HRESULT result = dv_qem::StgOpenStorage(path, nullptr, kReadWriteContainerMode, nullptr, 0, &m_lpRootStg);
        if (dv_qem::FAILED(result) || m_lpRootStg == nullptr) {
          streamMode = kReadOnlyStreamMode;
          result = dv_qem::StgOpenStorage(path, nullptr, kReadOnlyContainerMode, nullptr, 0, &m_lpRootStg);
          if (dv_qem::FAILED(result)) throw_container_error("Opening", path, result);
        }
        m_pDatabase = dv_database::open(m_lpRootStg, QEM_DB_STREAM_NAME, streamMode, 0);
      }
    }
  } catch (const dv_err&) {
    DeleteContents();
    CloseDatabase();
    ReleaseRootStorage();
    if (path == nullptr) throw;
    report_failure(*this, path, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC);
    return FALSE;
  }
  SetModifiedFlag(FALSE);
  return TRUE;
}

void CQEMOleDocument::SaveInPlace() {
  if (m_lpRootStg == nullptr) {
    m_pDatabase->save();
    return;
  }
  m_pDatabase->save_as(m_lpRootStg, QEM_DB_STREAM_NAME, kReadWriteStreamMode);
  dv_qem::HRESULT result = m_lpRootStg->Commit(dv_qem::STGC_DEFAULT);
  if (dv_qem::FAILED(result)) throw_container_error("Committing the container of", GetPathName(), result);
}

BOOL CQEMOleDocument::OnSaveDocument(LPCTSTR path) {
  _VRN_fault_handler guard;
  bool samePath = path != nullptr && strcasecmp(path, GetPathName()) == 0;
  m_bSameAsLoad = samePath;
  bool newContainer = path != nullptr && !samePath;
  bool copy = newContainer && !m_bRemember;
  IStorage* oldRoot = m_lpRootStg;
  IStorage* newRoot = nullptr;
  bool moved = false;  // the database lives in the new container
  try {
    if (m_pDatabase == nullptr) throw dv_qem::dv_err_database_not_open("The document has no database to save");
    if (!newContainer) {
      SaveInPlace();
    } else {
      dv_qem::HRESULT result = dv_qem::StgCreateDocfile(path, kNewContainerMode, 0, &newRoot);
      if (dv_qem::FAILED(result)) throw_container_error("Creating the container", path, result);
      if (copy) {
        m_pDatabase->copy(newRoot, QEM_DB_STREAM_NAME, kReadWriteStreamMode);
      } else {
        m_pDatabase->save_as(newRoot, QEM_DB_STREAM_NAME, kReadWriteStreamMode);
        moved = true;
      }
      result = newRoot->Commit(dv_qem::STGC_DEFAULT);
      if (dv_qem::FAILED(result)) throw_container_error("Committing the container", path, result);
    }
  } catch (const dv_err&) {
    if (moved) {
      // Only the commit failed: the document goes on in the new container.
      m_lpRootStg = newRoot;
      if (oldRoot != nullptr) oldRoot->Release();
    } else if (newRoot != nullptr) {
      newRoot->Release();
      std::remove(path);
    }
    if (path == nullptr) throw;
    report_failure(*this, path, TRUE, AFX_IDP_FAILED_TO_SAVE_DOC);
    return FALSE;
  }
  if (newRoot != nullptr) {
    if (copy) {
      newRoot->Release();
    } else {
      m_lpRootStg = newRoot;
      if (oldRoot != nullptr) oldRoot->Release();
    }
  }
  if (!copy) SetModifiedFlag(FALSE);
  m_bSameAsLoad = TRUE;
  m_bRemember = TRUE;
  return TRUE;
}

void CQEMOleDocument::OnCloseDocument() {
  {
    _VRN_fault_handler guard;
    close_printing_failure([this] { CloseDatabase(); });
    ReleaseRootStorage();
  }
  CDocument::OnCloseDocument();
}
