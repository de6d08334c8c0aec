// CDocument.
#include "fw_document.h"

#include <algorithm>

#include "fw_message_box.h"

IMPLEMENT_DYNAMIC(CDocument, CObject)

void CDocument::SetPathName(LPCTSTR path) {
  m_strPathName = path;
  int slash = std::max(m_strPathName.ReverseFind('\\'), m_strPathName.ReverseFind('/'));
  SetTitle(m_strPathName.Mid(slash + 1));
}

BOOL CDocument::OnNewDocument() {
  DeleteContents();
  m_strPathName.Empty();
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL CDocument::OnOpenDocument(LPCTSTR path) {
  CFileException openError;
  CFile file;
  if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite, &openError)) {
    ReportSaveLoadException(path, &openError, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC);
    return FALSE;
  }
  DeleteContents();
  SetModifiedFlag(TRUE);
  try {
    CArchive archive(&file, CArchive::load);
    Serialize(archive);
    file.Close();
  } catch (CException* error) {
    file.Abort();
    DeleteContents();
    ReportSaveLoadException(path, error, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC);
    error->Delete();
    return FALSE;
  }
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL CDocument::OnSaveDocument(LPCTSTR path) {
  CFileException openError;
  CFile file;
  if (!file.Open(path, CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive, &openError)) {
    ReportSaveLoadException(path, &openError, TRUE, AFX_IDP_FAILED_TO_SAVE_DOC);
    return FALSE;
  }
  try {
    CArchive archive(&file, CArchive::store);
    Serialize(archive);
    file.Close();
  } catch (CException* error) {
    file.Abort();
    try {
      CFile::Remove(path);
    } catch (CException* removeError) {
      removeError->Delete();  // the save's own failure is the one reported
    }
    ReportSaveLoadException(path, error, TRUE, AFX_IDP_FAILED_TO_SAVE_DOC);
    error->Delete();
    return FALSE;
  }
  SetModifiedFlag(FALSE);
  return TRUE;
}

void CDocument::OnCloseDocument() {
  DeleteContents();
  SetModifiedFlag(FALSE);
}

void CDocument::ReportSaveLoadException(LPCTSTR path, CException* error, BOOL, UINT defaultPromptId) {
  char text[512];
  // A file exception of generic cause says nothing of its own: the prompt does.
  auto* fileError = error != nullptr && error->IsKindOf(RUNTIME_CLASS(CFileException))
                        ? static_cast<CFileException*>(error) : nullptr;
  bool generic = fileError != nullptr && fileError->m_cause == CFileException::generic;
  if (error != nullptr && !generic && error->GetErrorMessage(text, sizeof text)) {
    AfxMessageBox(text, MB_ICONEXCLAMATION);
    return;
  }
  CString prompt;
  prompt.FormatMessage(defaultPromptId, path);
  FwMessageBoxFromString(defaultPromptId, prompt, MB_ICONEXCLAMATION);
}
