// CIniFile.
#include "ini_file.h"

#include "fw_profile.h"

CString CIniFile::GetString(LPCTSTR section, LPCTSTR key) const {
  if (m_strPath.IsEmpty()) return CString();
  char buffer[2048];
  GetPrivateProfileString(section, key, "", buffer, 2047, m_strPath);
  return CString(buffer);
}

BOOL CIniFile::WriteString(LPCTSTR section, LPCTSTR key, LPCTSTR value) const {
  if (m_strPath.IsEmpty()) return FALSE;
  return WritePrivateProfileString(section, key, value, m_strPath);
}
