// CBdeException: the table reader's exception, thrown by pointer and
// deleted by its catcher. Its report names the failing step, the table, the
// database and the table engine's own error text.
#pragma once

#include "fw_exceptions.h"

// Application error codes of the reader (1..16); any other code has no text.
enum BdeAppError : int {
  kBdeAppNone = 0,
  kBdeAppNotInteger = 1,
  kBdeAppNotFloat = 2,
  kBdeAppNotDate = 3,
  kBdeAppNotString = 4,
  kBdeAppNoSuchField = 5,
  kBdeAppNotInEditMode = 6,
  kBdeAppInEditMode = 7,
  kBdeAppTableClosed = 8,
  kBdeAppTableOpen = 9,
  kBdeAppEngineNotStarted = 10,
  kBdeAppBadDateTime = 11,
  kBdeAppFieldTypeUnsupported = 12,
  kBdeAppBlobTypeUnsupported = 13,
  kBdeAppNotLogical = 14,
  kBdeAppBadFieldIndex = 15,
  kBdeAppBadFieldName = 16,
};

// The reader's text of an application error code; empty for other codes.
CString GetBdeAppErrorText(int appError);

// The table engine's text of a result: the last failure's text with its
// context lines when the last failure is that result, else the engine's
// text of the code.
CString GetBdeEngineErrorText(unsigned short engineError);

class CBdeException : public CException {
  DECLARE_DYNAMIC(CBdeException)
 public:
  explicit CBdeException(unsigned short engineError);
  CBdeException(unsigned short engineError, LPCTSTR table, LPCTSTR database, LPCTSTR message);
  CBdeException(unsigned short engineError, int appError, LPCTSTR table, LPCTSTR database, LPCTSTR message);

  // The short text: the application text when an application code is set,
  // else the engine's text of the engine code.
  CString GetShortText() const;
  // The message, the table and the database ("Unknown" when empty) and the
  // short text.
  CString GetFullText() const;
  // The short text, cut to maxLength - 1 bytes; TRUE.
  BOOL GetErrorMessage(LPTSTR buffer, UINT maxLength, UINT* helpContext = nullptr) override;
  // messageId 0: the full text with the error icon; a string that exists:
  // that string, a blank line and the full text with the error icon; a
  // string that does not exist: the full text in a box of the given type.
  int ReportError(UINT type = MB_OK, UINT messageId = 0) override;

  unsigned short m_nEngineError;  // the engine's result, 0 = none
  int m_nAppError;                // BdeAppError, 0 = none
  CString m_strMessage;           // the failing step
  CString m_strTable;
  CString m_strDatabase;

 private:
  CString m_strEngineText;  // taken when thrown: the engine's last failure is gone by the report
};
