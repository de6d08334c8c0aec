// The table page and its resource.
#include "table_page.h"

#include <algorithm>

#include "fw_profile.h"
#include "ini_file.h"
#include "localisation.h"
#include "table_choice.h"
#include "table_list_set.h"
#include "wizard_page_registry.h"
#include "wizard_paths.h"

namespace {

const FwControlTemplate kControls[] = {
    {CSelTablePage::IDC_HELP_TEXT, FwControlKind::Edit, "", FALSE, FALSE},
    {CSelTablePage::IDC_TABLES, FwControlKind::ComboBox, "", TRUE, FALSE},
    {CSelTablePage::IDC_ROWS, FwControlKind::ComboBox, "", FALSE, FALSE},
    {CSelTablePage::IDC_PREVIEW, FwControlKind::ListCtrl, "", TRUE, FALSE},
    {CSelTablePage::IDC_FIRST, FwControlKind::Button, "|<<,21139", TRUE, FALSE},
    {CSelTablePage::IDC_PREVIOUS, FwControlKind::Button, "<,21140", FALSE, FALSE},
    {CSelTablePage::IDC_NEXT, FwControlKind::Button, ">,21141", FALSE, FALSE},
    {CSelTablePage::IDC_LAST, FwControlKind::Button, ">>|,21142", FALSE, FALSE},
    {CSelTablePage::IDC_POSITION, FwControlKind::Static, "", FALSE, FALSE},
    {CSelTablePage::IDC_DATABASE_NAME, FwControlKind::Edit, "", FALSE, TRUE},
};
const FwDialogTemplate kTemplate[] = {
    {CSelTablePage::IDD, "Select A Table,20004", kControls, std::size(kControls)},
};
struct Registered {
  Registered() { FwRegisterDialogTemplates(kTemplate, std::size(kTemplate)); }
} registered;
const WizardPageRegistration<CSelTablePage> registeredPage(CSelTablePage::IDD);

constexpr UINT kHelpString = 21222;
constexpr UINT kNextString = 60131;
constexpr UINT kBackString = 60134;
constexpr UINT kAllItemsString = 51656;
constexpr UINT kNoTableMessage = 51480;
// The rows combo's fixed choices (two with a trailing blank, as the
// dialog's data has them).
const char* const kRowChoices[] = {"25 ", "100", "200", "500", "1000", "2000 "};
constexpr int kMaxStatementLength = 4096;
// The Quillon shop's product fields, by mapping column.
const char* const kSourceShopFields[] = {"P_NAME", "P_MAIN", "P_IMAGE1", "P_PRICE", "P_SUBTITLE", "P_ARTNR"};
constexpr int kSourceShopOptions = 2;

CString WithoutAccessMark(UINT id) {
  CString text = LoadResString(id);
  text.Remove('&');
  return text;
}

}  // namespace

void CSelTablePage::DoDataExchange(CDataExchange* pDX) {
  DDX_Control(pDX, IDC_HELP_TEXT, helpText_);
  DDX_Control(pDX, IDC_ROWS, rowsCombo_);
  DDX_Control(pDX, IDC_TABLES, tableCombo_);
  DDX_Control(pDX, IDC_PREVIEW, preview_);
}

BOOL CSelTablePage::OnInitDialog() {
  CWizardPage::OnInitDialog();
  LocalizeDialogTexts(*this);
  CString help;
  help.Format(LoadResString(kHelpString), static_cast<LPCTSTR>(WithoutAccessMark(kNextString)),
              static_cast<LPCTSTR>(WithoutAccessMark(kBackString)));
  helpText_.SetWindowText(help);
  Sheet().m_bTablesLoaded = FALSE;
  for (const char* choice : kRowChoices) rowsCombo_.AddString(choice);
  rowsCombo_.AddString(LoadResString(kAllItemsString));
  rowsCombo_.SetCurSel(0);
  ShowControls();
  return TRUE;
}

void CSelTablePage::ShowControls() {
  preview_.ShowWindow(TRUE);
  RequireDlgItem(IDC_POSITION)->ShowWindow(TRUE);
  for (UINT id : {UINT(IDC_FIRST), UINT(IDC_PREVIOUS), UINT(IDC_NEXT), UINT(IDC_LAST)}) {
    RequireDlgItem(id)->ShowWindow(TRUE);
    RequireDlgItem(id)->EnableWindow(preview_.GetItemCount() > 0);
  }
}

BOOL CSelTablePage::OnSetActive() {
  CMainSheet& sheet = Sheet();
  sheet.PostWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
  CString size;
  size.Format("%d", sheet.m_nRowsetSize);
  for (int i = 0; i < rowsCombo_.GetCount(); ++i) {
    CString choice = rowsCombo_.GetItemText(i);
    choice.TrimRight();
    if (choice == size) rowsCombo_.SetCurSel(i);
  }
  navigator_.Attach(this, &preview_);
  navigator_.SetControls(IDC_FIRST, IDC_PREVIOUS, IDC_NEXT, IDC_LAST, IDC_POSITION);
  ShowControls();

  preview_.CloseRowset();
  if (sheet.m_database.IsOpen()) sheet.m_database.Close();
  try {
    sheet.m_database.OpenEx(sheet.m_strConnectionString, CDatabase::noOdbcDialog);
  } catch (CDBException* e) {
    e->Delete();
    tableCombo_.EnableWindow(FALSE);
    AfxMessageBox("Failure in open database 's DSN file!", MB_OK);
    return CWizardPage::OnSetActive();
  }

  tableCombo_.ResetContent();
  SetDlgItemText(IDC_DATABASE_NAME, sheet.m_strDBName);
  // Each item shows the table's own name; statements name it as SQL does,
  // in the driver's identifier quote, so that no table name can add to a
  // statement.
  std::vector<CString> names;
  tableSqlNames_.clear();
  CTableListSet tables(&sheet.m_database);
  tables.Open(CRecordset::snapshot, sheet.m_strTableType, CRecordset::readOnly);
  for (; !tables.IsEOF(); tables.MoveNext()) {
    CString owner = tables.m_strTableOwner;
    CString name = sheet.m_database.QuoteIdentifier(tables.m_strTableName);
    tableSqlNames_.push_back(owner.IsEmpty() ? name : sheet.m_database.QuoteIdentifier(owner) + "." + name);
    tableCombo_.AddString(owner.IsEmpty() ? tables.m_strTableName : owner + "." + tables.m_strTableName);
    names.push_back(tables.m_strTableName);
  }
  tables.Close();

  CString fileTable = TableNameOfSourceFile(sheet.m_typDatabase, sheet.m_strDBName);
  if (!fileTable.IsEmpty()) sheet.m_strTableName = fileTable;
  int chosen = FindTableItem(names, sheet.m_strTableName, sheet.m_database.GetIdentifierQuote());
  tableCombo_.SetCurSel(chosen >= 0 ? chosen : 0);
  // A source of several tables keeps its list open to another choice.
  tableCombo_.EnableWindow(tableSqlNames_.size() > 1);
  sheet.m_bTablesLoaded = FALSE;
  LoadTable();
  return CWizardPage::OnSetActive();
}

BOOL CSelTablePage::OnCmdMsg(UINT id, UINT code) {
  if (code == CBN_SELCHANGE && id == IDC_TABLES) return LoadTable(), TRUE;
  if (code == CBN_SELCHANGE && id == IDC_ROWS) return OnRowsChosen(), TRUE;
  if (code == BN_CLICKED) {
    switch (id) {
      case IDC_FIRST: return navigator_.First(), TRUE;
      case IDC_PREVIOUS: return navigator_.Previous(), TRUE;
      case IDC_NEXT: return navigator_.Next(), TRUE;
      case IDC_LAST: return navigator_.Last(), TRUE;
    }
  }
  return CWizardPage::OnCmdMsg(id, code);
}

void CSelTablePage::LoadTable() {
  CMainSheet& sheet = Sheet();
  sheet.m_bTablesLoaded = FALSE;
  int chosen = tableCombo_.GetCurSel();
  if (chosen < 0 || static_cast<size_t>(chosen) >= tableSqlNames_.size()) {
    AfxMessageBox(kNoTableMessage, MB_OK);
    return;
  }
  sheet.m_strTableName = tableSqlNames_[chosen];
  sheet.m_strSQLQuery = ("SELECT * FROM " + sheet.m_strTableName).Left(kMaxStatementLength);
  // The preview's open result holds the source, which measuring another
  // table may have to stage.
  preview_.CloseRowset();
  sheet.BuildSourceColumns();
  preview_.AttachSheet(&sheet);
  preview_.SetupColumns(TRUE);
  CString statement = "SELECT * FROM " + sheet.m_strTableName + ";";
  if (statement != sheet.m_strSQLQuery) sheet.m_strSQLQuery = statement;
  preview_.SetDirection(kPreviewFirst);
  preview_.Requery(TRUE);
  navigator_.First();
  sheet.m_bTablesLoaded = TRUE;
  ShowControls();
}

long CSelTablePage::RowBytes() const {
  long bytes = 0;
  for (const auto& column : Sheet().m_sourceColumns)
    bytes += std::max<long>(column->m_nSize, CDynamicBulkSet::kMinimumColumnWidth) + static_cast<long>(sizeof(long));
  return bytes;
}

void CSelTablePage::OnRowsChosen() {
  ShowControls();
  CString choice = rowsCombo_.GetWindowText();
  CString allItems = LoadResString(kAllItemsString);
  long records = choice == allItems ? preview_.GetRecordCount() : 0;
  CMainSheet& sheet = Sheet();
  // Capped for the bulk buffers (invariant 3).
  sheet.m_nRowsetSize = RowsetSizeForChoice(choice, allItems, records, RowBytes());
  CString value;
  value.Format("%d", sheet.m_nRowsetSize);
  ReportUnsavedSetting(WritePrivateProfileString("Wizard Settings", "RowsetSize", value, ProgramIniPath()),
                       "RowsetSize");
  preview_.SetDirection(kPreviewFirst);
  preview_.Requery(TRUE);
  navigator_.First();
}

BOOL CSelTablePage::OnKillActive() {
  // The preview reads the source as it moves: its open result is not left
  // holding the source behind the page.
  preview_.CloseRowset();
  return CWizardPage::OnKillActive();
}

LRESULT CSelTablePage::OnWizardNext() {
  CMainSheet& sheet = Sheet();
  if (!sheet.m_bTablesLoaded) LoadTable();
  if (sheet.m_typDatabase == kSourceQuillonShop) sheet.m_nOptionCount = kSourceShopOptions;
  sheet.BuildMappingColumns();
  if (sheet.m_typDatabase == kSourceQuillonShop) {
    const auto& columns = sheet.m_mappingColumns;
    for (size_t i = 0; i < columns.size() && i < std::size(kSourceShopFields); ++i)
      columns[i]->m_strSourceField = kSourceShopFields[i];
  }
  return CWizardPage::OnWizardNext();
}
