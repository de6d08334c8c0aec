// The settings record, special-department names, region tables and HTML
// language codes.
#include "app_settings.h"

#include <deque>

#include "fw_map.h"
#include "fw_message_box.h"
#include "key_value_file.h"
#include "localisation.h"
#include "text_table.h"

CDefaultSettings theDefaultSettings;

CString GetAppDirectory() { return theDefaultSettings.m_strAppDir; }

CString LoadSpecialDeptText::SampleProduct(int) { return LoadResString(7112); }
CString LoadSpecialDeptText::HiddenDepartment(int) { return LoadResString(7113); }
CString LoadSpecialDeptText::MyWebpages(int) { return LoadResString(7114); }
CString LoadSpecialDeptText::SearchResults(int) { return LoadResString(7115); }
CString LoadSpecialDeptText::SpecialPages(int) { return LoadResString(7116); }
CString LoadSpecialDeptText::MyShop(int) { return LoadResString(7117); }
CString LoadSpecialDeptText::RecycleBin(int) { return LoadResString(7118); }
CString LoadSpecialDeptText::AllPages(int) { return LoadResString(7119); }
CString LoadSpecialDeptText::AllDepartments(int) { return LoadResString(7120); }
CString LoadSpecialDeptText::AllProducts(int) { return LoadResString(7121); }

CTextTable& GetRegionsTable(const CString& code) {
  // A deque keeps the tables where they are while more are added.
  static std::deque<CTextTable> tables;
  static FwMap<CString, LPCTSTR, int, int, FwStringKey> index_of_code;
  int index;
  if (index_of_code.Lookup(code, index)) return tables[index];
  tables.emplace_back();
  CTextTable& table = tables.back();
  table.SetName("Regions");
  table.SetLanguage(code);
  table.Load(0);
  index_of_code.SetAt(code, static_cast<int>(tables.size() - 1));
  return table;
}

CString GetHtmlLanguage(LPCTSTR languageFolder) {
  CString path;
  path.Format("%s\\languages\\%s\\language.txt", static_cast<LPCTSTR>(GetAppDirectory()), languageFolder);
  CString code;
  CKeyValueFile file;
  if (file.Load(path, 0)) file.Lookup(code, "HTML_LANGUAGE");
  if (code.IsEmpty()) {
    CString message;
    message.Format(3998, languageFolder);
    FwMessageBoxFromString(3998, message);
  }
  code.MakeLower();
  return code;
}
