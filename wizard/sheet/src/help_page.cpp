// Opening the program's help pages.
#include "help_page.h"

#include "app_settings.h"
#include "ctl_prompts.h"
#include "fw_paths.h"
#include "localisation.h"

namespace {
CString& Language() {
  static CString language = "English";
  return language;
}
}  // namespace

CString GetHelpLanguage() { return Language(); }
void SetHelpLanguage(const CString& language) { Language() = language; }

CString HelpPagePath(DWORD helpId) {
  CString path;
  path.Format("%s\\%s\\%s\\%lu.HTML", static_cast<LPCTSTR>(GetAppDirectory()),
              static_cast<LPCTSTR>(theDefaultSettings.m_strHelp), static_cast<LPCTSTR>(Language()), helpId);
  return path;
}

void ShowHelpPage(DWORD helpId) {
  if (!FwGetPrompts().OpenDocument(FwNativePath(HelpPagePath(helpId)))) AfxMessageBox(51633, MB_ICONEXCLAMATION);
}
