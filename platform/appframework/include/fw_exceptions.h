// The framework's exceptions. They are thrown by pointer; the catcher calls
// Delete(), which frees the object unless it is a shared static one.
#pragma once

#include "fw_message_box.h"
#include "fw_object.h"
#include "fw_string.h"

class CException : public CObject {
  DECLARE_DYNAMIC(CException)
 public:
  explicit CException(BOOL autoDelete = TRUE) : m_bAutoDelete(autoDelete) {}
  // Copies the exception's text into buffer (at most maxLength - 1 bytes);
  // FALSE when the exception has no text.
  virtual BOOL GetErrorMessage(LPTSTR buffer, UINT maxLength, UINT* helpContext = nullptr);
  // Shows the text in a message box (messageId's string when there is no
  // text) and returns the button chosen.
  virtual int ReportError(UINT type = MB_OK, UINT messageId = 0);
  void Delete();

  BOOL m_bAutoDelete;
};

class CMemoryException : public CException {
  DECLARE_DYNAMIC(CMemoryException)
 public:
  using CException::CException;
  BOOL GetErrorMessage(LPTSTR buffer, UINT maxLength, UINT* helpContext = nullptr) override;
};

class CFileException : public CException {
  DECLARE_DYNAMIC(CFileException)
 public:
  enum {
    none,
    generic,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile
  };
  explicit CFileException(int cause = none, LONG osError = -1, LPCTSTR fileName = nullptr)
      : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {}
  // The cause's text with the file name in place of %1.
  BOOL GetErrorMessage(LPTSTR buffer, UINT maxLength, UINT* helpContext = nullptr) override;
  // The cause of a C library error number.
  static int ErrnoToException(int error);

  int m_cause;
  LONG m_lOsError;
  CString m_strFileName;
};

class CDBException : public CException {
  DECLARE_DYNAMIC(CDBException)
 public:
  explicit CDBException(short returnCode = 0) : m_nRetCode(returnCode) {}
  BOOL GetErrorMessage(LPTSTR buffer, UINT maxLength, UINT* helpContext = nullptr) override;

  short m_nRetCode;
  CString m_strError;              // the driver's messages
  CString m_strStateNativeOrigin;  // "State:..,Native:..,Origin:.." lines
};

class COleException : public CException {
  DECLARE_DYNAMIC(COleException)
 public:
  explicit COleException(SCODE status = 0) : m_sc(status) {}
  BOOL GetErrorMessage(LPTSTR buffer, UINT maxLength, UINT* helpContext = nullptr) override;

  SCODE m_sc;
};

// Throw the shared memory exception (never freed by Delete).
[[noreturn]] void AfxThrowMemoryException();
[[noreturn]] void AfxThrowFileException(int cause, LONG osError = -1, LPCTSTR fileName = nullptr);
[[noreturn]] void AfxThrowOleException(SCODE status);
