// The database-type page and its dialog resource.
#include "db_type_page.h"

#include "about_dlg.h"
#include "app_settings.h"
#include "db_type_table.h"
#include "ini_file.h"
#include "localisation.h"
#include "program_version.h"
#include "wizard_page_registry.h"
#include "wizard_paths.h"

namespace {

const FwControlTemplate kControls[] = {
    {CDBTypePage::IDC_HELP_TEXT, FwControlKind::Edit, "", FALSE, FALSE},
    {CDBTypePage::IDC_TYPE_LABEL, FwControlKind::Static, "Select the database type:,7043", FALSE, FALSE},
    {CDBTypePage::IDC_TYPE_LIST, FwControlKind::ListBox, "", FALSE, FALSE},
    {CDBTypePage::IDC_ADVANCED, FwControlKind::CheckBox, "Ad&vanced Setting,21185", FALSE, FALSE},
    {CDBTypePage::IDC_ABOUT, FwControlKind::Button, "&About...", FALSE, FALSE},
};
const FwDialogTemplate kTemplate[] = {
    {CDBTypePage::IDD, "Database Type Seletion,20000", kControls, std::size(kControls)},
};

struct Registered {
  Registered() { FwRegisterDialogTemplates(kTemplate, std::size(kTemplate)); }
} registered;
const WizardPageRegistration<CDBTypePage> registeredPage(CDBTypePage::IDD);

constexpr const char* kSection = "Select Database Page";


}  // namespace

BOOL CDBTypePage::OnCmdMsg(UINT id, UINT code) {
  static const FwHandler<CDBTypePage> handlers[] = {
      {IDC_TYPE_LIST, LBN_SELCHANGE, &CDBTypePage::OnSelChangeTypeList},
      {IDC_ADVANCED, BN_CLICKED, &CDBTypePage::OnAdvanced},
      {IDC_ABOUT, BN_CLICKED, &CDBTypePage::OnAbout},
      {0, 0, nullptr},
  };
  return FwRunHandler(*this, handlers, id, code) || CWizardPage::OnCmdMsg(id, code);
}

void CDBTypePage::DoDataExchange(CDataExchange* pDX) {
  DDX_Control(pDX, IDC_HELP_TEXT, helpText_);
  DDX_Control(pDX, IDC_TYPE_LIST, typeList_);
}

BOOL CDBTypePage::OnInitDialog() {
  CWizardPage::OnInitDialog();
  LocalizeDialogTexts(*this);
  CString textType = LoadResString(7041);
  if (!textType.IsEmpty()) {
    for (DbTypeEntry& entry : DbTypeTable)
      if (entry.type == kSourceText) entry.displayText = textType;
  }
  CIniFile ini(ProgramIniPath());
  CString defaultDir = ini.GetString(kSection, "DefaultDir");
  if (defaultDir.IsEmpty()) {
    defaultDir = GetAppDirectory();
    ReportUnsavedSetting(ini.WriteString(kSection, "DefaultDir", defaultDir), "DefaultDir");
  }
  defaultDir = WithTrailingSeparator(defaultDir);
  for (DbTypeEntry& entry : DbTypeTable) {
    CString file = ini.GetString(kSection, entry.iniKey);
    if (file.IsEmpty()) file = entry.testFile;
    if (entry.type == kSourceDataSourceName) {
      entry.file = file;  // a data source name, never a path
      continue;
    }
    if (!ContainsNoCase(file, defaultDir) && !IsAbsolutePath(file) && !HasFolderPart(file))
      file = defaultDir + file;
    if (!file.IsEmpty()) entry.file = file;
  }
  helpText_.SetTextFromString(21062);
  return TRUE;
}

BOOL CDBTypePage::OnSetActive() {
  typeList_.ResetContent();
  int selected = -1;
  for (int i = 0; i < kDbTypeCount; ++i) {
    int row = typeList_.AddString(DbTypeTable[i].displayText);
    typeList_.SetItemData(row, reinterpret_cast<DWORD_PTR>(&DbTypeTable[i]));
    if (DbTypeTable[i].type == Sheet().m_typDatabase) selected = row;
  }
  typeList_.SetCurSel(selected);
  Sheet().PostWizardButtons(selected >= 0 && Sheet().m_typDatabase != kSourceNone ? DWORD{PSWIZB_NEXT} : DWORD{0});
  return CWizardPage::OnSetActive();
}

void CDBTypePage::PostNextUnlessNone() {
  Sheet().PostWizardButtons(Sheet().m_typDatabase != kSourceNone ? DWORD{PSWIZB_NEXT} : DWORD{0});
}

void CDBTypePage::OnSelChangeTypeList() {
  int row = typeList_.GetCurSel();
  if (row < 0) row = 0;
  Sheet().m_typDatabase = reinterpret_cast<const DbTypeEntry*>(typeList_.GetItemData(row))->type;
  Sheet().m_strDBName.Empty();
  PostNextUnlessNone();
}

void CDBTypePage::OnAdvanced() {
  Sheet().m_bAdvancedMode = Control<CButton>(IDC_ADVANCED).GetCheck() == BST_CHECKED;
}

void CDBTypePage::OnAbout() {
  CAboutDlg about(ProgramVersionText());
  about.DoModal();
}

LRESULT CDBTypePage::OnWizardNext() {
  UpdateData(TRUE);
  int row = typeList_.GetCurSel();
  if (row < 0) return -1;
  g_nChosenDbType = row;
  int type = reinterpret_cast<const DbTypeEntry*>(typeList_.GetItemData(row))->type;
  Sheet().m_typDatabase = type;
  if (type == kSourceNone) return -1;
  if (type >= kSourceAccess && type <= kSourceQuillonShop) Sheet().RebuildPageList(Sheet().GetPageListCount());
  return CWizardPage::OnWizardNext();
}
