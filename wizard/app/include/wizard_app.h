// The program's application object: the settings read once at start (the
// registry profile, tallyport.ini in the program folder), the interface
// language, and the run of the wizard sheet in the installed front end.
#pragma once

#include <memory>

#include "fw_registry_profile.h"
#include "fw_string.h"

class CWizardAppBase {
 public:
  explicit CWizardAppBase(LPCTSTR key) : m_strKey(key) {}
  virtual ~CWizardAppBase() = default;
  virtual BOOL InitInstance() { return TRUE; }

  CString m_strVersion;       // product version text ("1.00")
  CString m_strLanguage;      // interface language name, selects the help pages
  CString m_strKey;           // the key string given to the constructor
  CString m_strRegistryPath;  // "Software\\<registry key>\\<profile name>"
};

class CWizardApp : public CWizardAppBase {
 public:
  enum : DWORD { kWizardButtons = 0x1, kAdvancedImportMode = 0x2 };

  CWizardApp() : CWizardAppBase("Tallyport"), m_dwFlags(kWizardButtons) {}
  // Reads the settings and runs the wizard sheet modally; FALSE always (the
  // program ends when the sheet has closed).
  BOOL InitInstance() override;
  // The registry profile (valid after InitInstance started).
  const FwRegistryProfile& Profile() const { return *profile_; }

  DWORD m_dwFlags;

 private:
  // Steps of InitInstance.
  void ReadVersion();
  void OpenProfile();
  void ReadPaths();
  void ChooseLanguage();
  void ReadIniFlags();

  std::unique_ptr<FwRegistryProfile> profile_;
};

// The one application object.
extern CWizardApp theApp;

// The vendor word of the registry key.
constexpr const char* kVendorName = "Tradeloft";

// The keys of registry section "Paths" and the folders read from them (the
// default of each is the key's own name).
constexpr int kProgramPathCount = 11;
extern const char* const kProgramPathKeys[kProgramPathCount];
extern CString g_programPaths[kProgramPathCount];

// Fills the currency, buttons folder, language and help folder of settings
// from the registry profile (sections "Defaults" and "Paths").
void ReadDefaults(const FwRegistryProfile& profile, struct CDefaultSettings& settings);
// Nonzero when path names an existing folder.
BOOL FolderExists(const char* path);
// "EN", the suffix of the default language's text files.
CString GetDefaultLanguageCode();
