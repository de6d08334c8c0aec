// The program's registry profile, kept as an ini file in the user's
// configuration folder: <config>/<registry key>/<profile name>.ini, where
// <config> is $DV_FRAME_CONFIG_HOME when set (tests), else $XDG_CONFIG_HOME,
// else ~/.config, and the registry key's '\\' separate folders. Sections and
// entries behave as in any private-profile file (fw_profile.h).
#pragma once

#include "fw_string.h"

class FwRegistryProfile {
 public:
  // registryKey: "Vendor" or "Vendor\\Application"; profileName: the
  // application title or version text.
  FwRegistryProfile(LPCTSTR registryKey, LPCTSTR profileName);

  // The entry's value, or def when it is missing.
  CString GetProfileString(LPCTSTR section, LPCTSTR entry, LPCTSTR def = nullptr) const;
  UINT GetProfileInt(LPCTSTR section, LPCTSTR entry, int def) const;
  // FALSE when the file or its folders cannot be written.
  BOOL WriteProfileString(LPCTSTR section, LPCTSTR entry, LPCTSTR value) const;
  BOOL WriteProfileInt(LPCTSTR section, LPCTSTR entry, int value) const;

  // The ini file that holds the profile.
  const CString& GetFilePath() const { return m_strFilePath; }

 private:
  CString m_strFilePath;
};
