// CDocument: the framework's document, with its path, title and modified
// flag and the open/save/close steps that derived documents override. A
// failed open or save is reported through ReportSaveLoadException.
#pragma once

#include "fw_archive.h"
#include "fw_exceptions.h"
#include "fw_file.h"
#include "fw_object.h"
#include "fw_string.h"

// Prompts of a document that failed to open or to save.
constexpr UINT AFX_IDP_FAILED_TO_OPEN_DOC = 0xF101;
constexpr UINT AFX_IDP_FAILED_TO_SAVE_DOC = 0xF102;

class CDocument : public CObject {
  DECLARE_DYNAMIC(CDocument)
 public:
  CDocument() = default;
  ~CDocument() override = default;

  const CString& GetTitle() const { return m_strTitle; }
  virtual void SetTitle(LPCTSTR title) { m_strTitle = title; }
  const CString& GetPathName() const { return m_strPathName; }
  // Sets the path and, from its file name, the title.
  virtual void SetPathName(LPCTSTR path);

  virtual BOOL IsModified() { return m_bModified; }
  virtual void SetModifiedFlag(BOOL modified = TRUE) { m_bModified = modified; }

  // Empties the document (DeleteContents), clears the modified flag, TRUE.
  virtual BOOL OnNewDocument();
  // Opens path for reading and hands a loading archive to Serialize; a
  // failure is reported (AFX_IDP_FAILED_TO_OPEN_DOC) and gives FALSE.
  virtual BOOL OnOpenDocument(LPCTSTR path);
  // Creates path and hands a storing archive to Serialize; a failure is
  // reported (AFX_IDP_FAILED_TO_SAVE_DOC), the partial file removed, FALSE.
  virtual BOOL OnSaveDocument(LPCTSTR path);
  virtual void OnCloseDocument();
  virtual void DeleteContents() {}

  // Shows the message of a failed load or save: the exception's text when
  // it has one (a file exception of generic cause has none), else the
  // prompt defaultPromptId with the path for %1.
  virtual void ReportSaveLoadException(LPCTSTR path, CException* error, BOOL saving, UINT defaultPromptId);

 protected:
  CString m_strTitle;
  CString m_strPathName;
  BOOL m_bModified = FALSE;
};
