// The application object's start-up: version, registry profile, paths,
// language, the flags of tallyport.ini, then the wizard sheet.
#include "wizard_app.h"

#include <sys/stat.h>

#include <cstdlib>

#include "app_settings.h"
#include "fw_paths.h"
#include "fw_profile.h"
#include "help_page.h"
#include "localisation.h"
#include "main_sheet.h"
#include "program_version.h"
#include "wizard_paths.h"

CWizardApp theApp;

const char* const kProgramPathKeys[kProgramPathCount] = {
    "Buttons", "Common Files", "Common Files 3D", "Languages", "Payment System", "Pedestal",
    "Provider", "Runtime", "Templates", "Textures", "Worlds",
};
CString g_programPaths[kProgramPathCount];

BOOL FolderExists(const char* path) {
  struct stat info;
  return path != nullptr && ::stat(FwNativePath(path), &info) == 0 && S_ISDIR(info.st_mode);
}

CString GetDefaultLanguageCode() { return "EN"; }

void ReadDefaults(const FwRegistryProfile& profile, CDefaultSettings& settings) {
  settings.m_strCurrency = profile.GetProfileString("Defaults", "Currency", GetLocaleCurrencySymbol());
  settings.m_strButtons = profile.GetProfileString("Defaults", "Buttons", GetLocaleLanguage());
  settings.m_strLanguage = profile.GetProfileString("Defaults", "Language", GetLocaleLanguage());
  settings.m_strHelp = profile.GetProfileString("Paths", "Help", "Help");
}

void CWizardApp::ReadVersion() {
  m_strVersion = ProgramVersionText();
}

void CWizardApp::OpenProfile() {
  CString title = LoadResString(57344);
  CString registryKey = kVendorName;
  CString profileName = title;
  if (!m_strVersion.IsEmpty()) {
    registryKey = registryKey + "\\" + title;
    profileName = m_strVersion;
  }
  profile_ = std::make_unique<FwRegistryProfile>(registryKey, profileName);
  m_strRegistryPath = "Software\\" + registryKey + "\\" + profileName;
}

void CWizardApp::ReadPaths() {
  for (int i = 0; i < kProgramPathCount; ++i)
    g_programPaths[i] = profile_->GetProfileString("Paths", kProgramPathKeys[i], kProgramPathKeys[i]);
  ReadDefaults(*profile_, theDefaultSettings);
}

void CWizardApp::ChooseLanguage() {
  m_strLanguage = GetLocaleLanguage();
  CString folder = JoinPath(JoinPath(GetAppDirectory(), theDefaultSettings.m_strHelp), m_strLanguage);
  if (m_strLanguage.IsEmpty() || !FolderExists(folder)) m_strLanguage = "English";
  SetHelpLanguage(m_strLanguage);
}

void CWizardApp::ReadIniFlags() {
  CString ini = ProgramIniPath();
  auto flag = [&](LPCTSTR key, DWORD bit) {
    char buffer[256];
    GetPrivateProfileString("Wizard Settings", key, "", buffer, sizeof buffer, ini);
    if (std::atoi(buffer) != 0)
      m_dwFlags |= bit;
    else
      m_dwFlags &= ~bit;
  };
  flag("WizardButtons", kWizardButtons);
  flag("AdvancedImportMode", kAdvancedImportMode);
}

BOOL CWizardApp::InitInstance() {
  ReadVersion();
  OpenProfile();
  ReadPaths();
  ChooseLanguage();
  ReadIniFlags();
  CMainSheet sheet(m_dwFlags);
  sheet.DoModal();
  return FALSE;
}
