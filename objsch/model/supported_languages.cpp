// Reading "langlist.ini".
#include "supported_languages.h"

#include <algorithm>

#include "app_settings.h"
#include "fw_profile.h"

CSupportedLanguageList& SupportedLanguages() {
  static CSupportedLanguageList list;
  return list;
}

void LoadSupportedLanguages(CSupportedLanguageList& list) {
  CString path;
  path.Format("%s\\%s", static_cast<LPCTSTR>(GetAppDirectory()), "langlist.ini");
  LoadSupportedLanguagesFrom(list, path);
}

void LoadSupportedLanguagesFrom(CSupportedLanguageList& list, LPCTSTR iniPath) {
  list.clear();
  int count = static_cast<int>(GetPrivateProfileInt("SUPPORTING_LANGUAGES", "LANG_COUNT", 0, iniPath));
  count = std::clamp(count, 0, kMaxSupportedLanguages);
  for (int i = 1; i <= count; ++i) {
    CString section;
    section.Format("LANG_%d", i);
    UINT lang = GetPrivateProfileInt(section, "LANG_ID", 0, iniPath);
    UINT sublang = GetPrivateProfileInt(section, "SUBLANG_ID", 0, iniPath);
    char name[513];
    char abbrev[513];
    GetPrivateProfileString(section, "LANG_NAME", "", name, sizeof name, iniPath);
    GetPrivateProfileString(section, "LANG_ABBREV", "", abbrev, sizeof abbrev, iniPath);
    list.push_back(CSupportedLanguage{sublang << 10 | lang, name, abbrev});
  }
}
