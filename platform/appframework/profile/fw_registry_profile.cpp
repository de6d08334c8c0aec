// The registry profile as an ini file in the user's configuration folder.
#include "fw_registry_profile.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include "fw_profile.h"

namespace {

std::string config_home() {
  for (const char* variable : {"DV_FRAME_CONFIG_HOME", "XDG_CONFIG_HOME"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value == '/') return value;
  }
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr && *home != '\0' ? home : ".") + "/.config";
}

// A registry key or profile name as one or more folder names: '\\' and '/'
// separate them, and "." and ".." parts are dropped.
std::string as_folders(LPCTSTR text) {
  std::string out;
  std::string part;
  std::string value = text == nullptr ? "" : text;
  value += '\\';
  for (char c : value) {
    if (c != '\\' && c != '/') {
      part += c;
      continue;
    }
    if (!part.empty() && part != "." && part != "..") out += (out.empty() ? "" : "/") + part;
    part.clear();
  }
  return out;
}

}  // namespace

FwRegistryProfile::FwRegistryProfile(LPCTSTR registryKey, LPCTSTR profileName) {
  std::string path = config_home() + "/" + as_folders(registryKey) + "/" + as_folders(profileName) + ".ini";
  m_strFilePath = path.c_str();
}

CString FwRegistryProfile::GetProfileString(LPCTSTR section, LPCTSTR entry, LPCTSTR def) const {
  // Registry values are not cut: read with a buffer that fits the longest.
  CString value;
  DWORD size = 4096;
  for (;;) {
    DWORD count = GetPrivateProfileString(section, entry, def == nullptr ? "" : def, value.GetBuffer(size), size,
                                          m_strFilePath);
    value.ReleaseBuffer(count);
    if (count < size - 1) return value;
    size *= 2;
  }
}

UINT FwRegistryProfile::GetProfileInt(LPCTSTR section, LPCTSTR entry, int def) const {
  return GetPrivateProfileInt(section, entry, def, m_strFilePath);
}

BOOL FwRegistryProfile::WriteProfileString(LPCTSTR section, LPCTSTR entry, LPCTSTR value) const {
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(std::string(m_strFilePath)).parent_path(), error);
  if (error) return FALSE;
  return WritePrivateProfileString(section, entry, value, m_strFilePath);
}

BOOL FwRegistryProfile::WriteProfileInt(LPCTSTR section, LPCTSTR entry, int value) const {
  CString text;
  text.Format("%d", value);
  return WriteProfileString(section, entry, text);
}
