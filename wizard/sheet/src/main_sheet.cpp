// The wizard sheet: its pages, its page list per source type, its
// connection strings, SELECT statement and help contexts.
#include "main_sheet.h"

#include <algorithm>
#include <cstdlib>

#include "app_settings.h"
#include "connection_string.h"
#include "fw_profile.h"
#include "help_page.h"
#include "import_sql.h"
#include "localisation.h"
#include "wizard_page_registry.h"
#include "wizard_paths.h"

namespace {

// The pages behind the database-type page, per road. The SQL condition
// page follows the mapping page, so that a row condition can be set over
// the mapped columns.
const UINT kFileSourcePages[] = {kSourceFilePage, kTablePage,  kMappingPage,
                                 kSqlConditionPage, kTargetPage, kImportPage};
const UINT kSourceShopPages[] = {kSourceShopSelectPage, kTargetPage, kSourceShopImportPage};

}  // namespace

int ReadRowsetSize(const CString& programFolder) {
  CString ini;
  ini.Format("%s\\%s", static_cast<LPCTSTR>(programFolder), "tallyport.ini");
  char buffer[256];
  GetPrivateProfileString("Wizard Settings", "RowsetSize", "", buffer, sizeof buffer, ini);
  long size = std::strtol(buffer, nullptr, 10);
  if (size <= 0) return 100;
  return static_cast<int>(std::min<long>(size, kMaxRowsetRows));
}

CMainSheet::CMainSheet(DWORD appFlags) : CPropertySheet(LoadResString(kCaptionString)) {
  SetWizardMode();
  for (UINT id : RegisteredWizardPages()) pages_[id] = FindWizardPageFactory(id)(*this);
  if (CPropertyPage* typePage = FindPage(kDatabaseTypePage)) AddPage(typePage);
  RebuildPageList(0);
  m_bAdvancedMode = (appFlags & kAppFlagAdvancedImport) != 0;
  m_nRowsetSize = ReadRowsetSize(GetAppDirectory());
}

CMainSheet::~CMainSheet() {
  // The pages go before the sheet lets go of them: take them off the list
  // first so that the base class does not touch destroyed pages.
  while (GetPageCount() > 0) RemovePage(GetPageCount() - 1);
}

CPropertyPage* CMainSheet::FindPage(UINT dialogId) const {
  auto found = pages_.find(dialogId);
  return found == pages_.end() ? nullptr : found->second.get();
}

void CMainSheet::RebuildPageList(int pagesToRemove) {
  for (int i = 0; i < pagesToRemove && i < static_cast<int>(pageList_.size()); ++i) RemovePage(pageList_[i]);
  pageList_.clear();
  auto add = [this](const UINT* ids, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      if (CPropertyPage* page = FindPage(ids[i])) {
        AddPage(page);
        pageList_.push_back(page);
      }
    }
  };
  if (m_typDatabase == kSourceQuillonShop)
    add(kSourceShopPages, std::size(kSourceShopPages));
  else
    add(kFileSourcePages, std::size(kFileSourcePages));
}

const CString& CMainSheet::BuildConnectionString(int type) {
  int current = m_typDatabase;
  switch (type) {
    case kSourceAccess:
    case kSourceExcel:
    case kSourceText:
    case kSourceMyob:
    case kSourceQuickBooks:
    case kSourceQuillonShop: m_typDatabase = type; break;
  }
  connectionString_ = ::BuildConnectionString(type, current, GetAppDirectory(), CString());
  // The dBase and Paradox drivers read a folder's tables: the chosen file's.
  CString sourceFolder = FolderOfPath(m_strDBName);
  if ((type == kSourceDBase || type == kSourceParadox) && !sourceFolder.IsEmpty())
    connectionString_ = WithDefaultDir(connectionString_, sourceFolder);
  return connectionString_;
}

CString CMainSheet::ImportSqlBuilder(BOOL reset) {
  if (reset) m_strSQLQuery.Empty();
  if (!m_strSQLQuery.IsEmpty()) return m_strSQLQuery;
  std::vector<CString> fields;
  for (const auto& column : m_mappingColumns) fields.push_back(column->m_strSourceField);
  m_strSQLQuery = BuildImportSelect(fields, m_strTableName, m_strDBName, m_database.GetIdentifierQuote());
  return m_strSQLQuery;
}

DWORD HelpContextFor(int sourceType, int pageIndex) {
  // The migration's pages have help pages of their own; the type numbered
  // for them in older builds is read the same way.
  if (sourceType == kSourceQuillonShop || sourceType == kSourceReserved) return pageIndex >= 1 && pageIndex <= 4 ? 150500 + pageIndex : 150401;
  return pageIndex >= 1 && pageIndex <= 6 ? 150401 + pageIndex : 150401;
}

DWORD CMainSheet::ActiveHelpContext() const { return HelpContextFor(m_typDatabase, GetActiveIndex()); }

void CMainSheet::WinHelp() { ShowHelpPage(ActiveHelpContext()); }

void CMainSheet::SetSheetTitle(const CWnd& page) {
  SetTitle(LoadResString(57344) + " - " + page.GetWindowText());
}
