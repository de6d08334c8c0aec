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
  // without writing when the path is empty).
  BOOL WriteString(LPCTSTR section, LPCTSTR key, LPCTSTR value) const;

  const CString& GetPath() const { return m_strPath; }

 private:
  CString m_strPath;
};
