// CIniFile.
#include "ini_file.h"

#include "fw_message_box.h"
#include "fw_profile.h"

CString CIniFile::GetString(LPCTSTR section, LPCTSTR key) const {
  if (m_strPath.IsEmpty()) return CString();
  char buffer[2048];
  GetPrivateProfileString(section, key, "", buffer, 2047, m_strPath);
  return CString(buffer);
}

BOOL CIniFile::WriteString(LPCTSTR section, LPCTSTR key, LPCTSTR value) const {
  // Without a path the platform write fails without writing and says so.
  return WritePrivateProfileString(section, key, value, m_strPath.IsEmpty() ? nullptr : static_cast<LPCTSTR>(m_strPath));
}

CString CIniFile::LastWriteFailure() { return FwProfileWriteFailure(); }

BOOL ReportUnsavedSetting(BOOL written, LPCTSTR key) {
  if (written) return written;
  CString message;
  message.Format("The setting %s could not be saved: %s.", key, static_cast<LPCTSTR>(CIniFile::LastWriteFailure()));
  AfxMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
  return written;
}
