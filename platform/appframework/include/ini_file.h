// CIniFile: single-key access to one private-profile file. An empty path
// means there is no file: reads give an empty text and writes give 0.
#pragma once

#include "fw_string.h"

class CIniFile {
 public:
  explicit CIniFile(LPCTSTR path = nullptr) : m_strPath(path) {}

  // The value of key in section, empty when missing; values longer than
  // 2,046 characters are cut there.
  CString GetString(LPCTSTR section, LPCTSTR key) const;
  // Writes the value; the platform write's result (0 on failure, and 0
  // without writing when the path is empty). A read-only file is not
  // written; a symbolic link is written through; the file is replaced whole.
  BOOL WriteString(LPCTSTR section, LPCTSTR key, LPCTSTR value) const;
  // Why the last failed WriteString of this thread failed: the file and the
  // reason.
  static CString LastWriteFailure();

  const CString& GetPath() const { return m_strPath; }

 private:
  CString m_strPath;
};

// For callers that write a setting: when written is FALSE, tells the person
// in a message box that the setting key could not be saved, with the file
// and the reason ("The setting DefaultDir could not be saved: …ini: the disk
// is full."). Returns written.
BOOL ReportUnsavedSetting(BOOL written, LPCTSTR key);
