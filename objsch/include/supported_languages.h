// The program-wide list of the languages a shop may use, read from
// "langlist.ini" in the program folder.
#pragma once

#include <vector>

#include "fw_string.h"

struct CSupportedLanguage {
  UINT m_nLangId;        // SUBLANG_ID << 10 | LANG_ID
  CString m_strName;     // LANG_NAME
  CString m_strAbbrev;   // LANG_ABBREV
};

using CSupportedLanguageList = std::vector<CSupportedLanguage>;

// At most this many languages are read, whatever count the file states.
inline constexpr int kMaxSupportedLanguages = 256;

// The program's list, filled by LoadSupportedLanguages.
CSupportedLanguageList& SupportedLanguages();

// Empties the list and reads "langlist.ini" of the program folder into it:
// LANG_COUNT of [SUPPORTING_LANGUAGES] sections [LANG_1] ... (the count
// capped at kMaxSupportedLanguages; a missing file or count reads none).
void LoadSupportedLanguages(CSupportedLanguageList& list);
// The same from the given file.
void LoadSupportedLanguagesFrom(CSupportedLanguageList& list, LPCTSTR iniPath);
