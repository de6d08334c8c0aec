// The program's settings record and the helpers built on it: the program
// folder, the names of the special departments, the region tables per
// language and a shop language's HTML language code.
#pragma once

#include "fw_string.h"

class CTextTable;

// Filled once by the program's start-up; the other code only reads it.
struct CDefaultSettings {
  CString m_strCurrency;  // currency symbol
  CString m_strButtons;   // buttons folder
  CString m_strLanguage;  // language name
  CString m_strHelp;      // help folder
  CString m_strAppDir;    // the folder of the running program
};

extern CDefaultSettings theDefaultSettings;

// A copy of the program folder.
CString GetAppDirectory();

// The names of the shop's special departments in the current language; the
// argument is not used.
struct LoadSpecialDeptText {
  static CString SampleProduct(int);      // string 7112
  static CString HiddenDepartment(int);   // string 7113
  static CString MyWebpages(int);         // string 7114
  static CString SearchResults(int);      // string 7115
  static CString SpecialPages(int);       // string 7116
  static CString MyShop(int);             // string 7117
  static CString RecycleBin(int);         // string 7118
  static CString AllPages(int);           // string 7119
  static CString AllDepartments(int);     // string 7120
  static CString AllProducts(int);        // string 7121
};

// The Regions table of a language code, made and loaded (key column 0) at
// the first call for that code and kept until the program ends, also when
// its file is missing (it then stays empty).
CTextTable& GetRegionsTable(const CString& code);

// The HTML language code (lower case) in "languages\\<folder>\\language.txt"
// of the program folder (key HTML_LANGUAGE); when the file or key is
// missing, message 3998 with the folder name and an empty code.
CString GetHtmlLanguage(LPCTSTR languageFolder);
