// The source-shop selection page and its dialog resource.
#include "source_shop_sel_page.h"

#include "app_settings.h"
#include "bde_table_cursor.h"
#include "ctl_prompts.h"
#include "fw_registry_profile.h"
#include "localisation.h"
#include "quillon_installation.h"
#include "wizard_page_registry.h"
#include "wizard_paths.h"

namespace {

const FwControlTemplate kControls[] = {
    {CSourceShopSelPage::IDC_HELP_TEXT, FwControlKind::Edit, "", FALSE, FALSE},
    {CSourceShopSelPage::IDC_SHOP_LIST, FwControlKind::ListBox, "", FALSE, FALSE},
    {CSourceShopSelPage::IDC_INSTALL_FOLDER, FwControlKind::Edit, "", FALSE, FALSE},
    {CSourceShopSelPage::IDC_BROWSE, FwControlKind::Button, "&Browse,21114", FALSE, FALSE},
};
const FwDialogTemplate kTemplate[] = {
    {CSourceShopSelPage::IDD, "Select the Quillon shop to import:,61535", kControls, std::size(kControls)},
};
struct Registered {
  Registered() { FwRegisterDialogTemplates(kTemplate, std::size(kTemplate)); }
} registered;
const WizardPageRegistration<CSourceShopSelPage> registeredPage(CSourceShopSelPage::IDD);

constexpr UINT kHelpString = 21060;       // "Please select one of your existing Quillon shops, ..."
constexpr UINT kNotInstalled = 61534;     // "Quillon doesn't seem to be installed! ..."
constexpr UINT kNotAShopFolder = 61537;   // "The directory '%1' is not a valid shop."
constexpr UINT kBrowseTitle = 61535;
constexpr char kMappingFile[] = "default_quillon.cfg";
constexpr char kSourceFile[] = "quillon.csv";

}  // namespace

CSourceShopSelPage::CSourceShopSelPage(CMainSheet& sheet) : CWizardPage(IDD, sheet) {
  CBdeTableCursor::InitEngine();
}

CSourceShopSelPage::~CSourceShopSelPage() { CBdeTableCursor::ExitEngine(); }

void CSourceShopSelPage::DoDataExchange(CDataExchange* pDX) {
  DDX_Control(pDX, IDC_SHOP_LIST, shopList_);
  DDX_LBString(pDX, IDC_SHOP_LIST, selectedShopName_);
  DDX_Control(pDX, IDC_HELP_TEXT, helpText_);
  DDX_Text(pDX, IDC_INSTALL_FOLDER, installFolder_);
}

BOOL CSourceShopSelPage::OnInitDialog() {
  CWizardPage::OnInitDialog();
  LocalizeDialogTexts(*this);
  installFolder_ = FindQuillonInstallFolder(MachineUninstallProfile());
  defaultDbFolder_.Empty();
  if (!installFolder_.IsEmpty()) defaultDbFolder_ = JoinPath(installFolder_, "db") + "/";
  helpText_.SetTextFromString(kHelpString);
  Sheet().PostWizardButtons(PSWIZB_BACK);
  if (defaultDbFolder_.IsEmpty() || !FillShopList()) {
    AfxMessageBox(kNotInstalled);
    defaultDbFolder_.Empty();
  }
  UpdateData(FALSE);
  return TRUE;
}

BOOL CSourceShopSelPage::FillShopList() {
  ListQuillonShops(installFolder_, shopNames_, shopFolders_);
  shopList_.ResetContent();
  for (int i = 0; i < shopNames_.GetSize(); ++i) shopList_.AddString(shopNames_[i]);
  return shopNames_.GetSize() > 0;
}

CString CSourceShopSelPage::SelectedTablesFolder() {
  if (selectedShopName_.IsEmpty()) return CString();
  const int index = shopList_.FindStringExact(-1, selectedShopName_);
  if (index < 0 || index >= shopFolders_.GetSize()) return CString();
  return QuillonTablesFolder(shopFolders_[index]);
}

void CSourceShopSelPage::OnShopSelChange() {
  UpdateData(TRUE);
  if (selectedShopName_.IsEmpty()) return;
  selectedShopPath_ = SelectedTablesFolder();
  if (!selectedShopPath_.IsEmpty()) Sheet().PostWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
}

void CSourceShopSelPage::OnBrowse() {
  UpdateData(TRUE);
  CString chosen = installFolder_;
  if (FwGetPrompts().BrowseFolder(LoadResString(kBrowseTitle), chosen)) {
    installFolder_ = chosen;
    selectedShopName_.Empty();
    selectedShopPath_.Empty();
    if (!FillShopList()) {
      CString text;
      text.FormatMessage(kNotAShopFolder, static_cast<LPCTSTR>(installFolder_));
      FwMessageBoxFromString(kNotAShopFolder, text);
    }
    Sheet().PostWizardButtons(PSWIZB_BACK);
  }
  UpdateData(FALSE);
}

BOOL CSourceShopSelPage::OnCmdMsg(UINT id, UINT code) {
  if (id == IDC_SHOP_LIST && code == LBN_SELCHANGE) {
    OnShopSelChange();
    return TRUE;
  }
  if (id == IDC_BROWSE && code == BN_CLICKED) {
    OnBrowse();
    return TRUE;
  }
  return CWizardPage::OnCmdMsg(id, code);
}

BOOL CSourceShopSelPage::OnSetActive() {
  Sheet().m_typDatabase = kSourceQuillonShop;
  Sheet().m_nOptionCount = 0;
  Sheet().m_nChoiceCount = 0;
  Sheet().PostWizardButtons(selectedShopPath_.IsEmpty() ? PSWIZB_BACK : PSWIZB_BACK | PSWIZB_NEXT);
  return CWizardPage::OnSetActive();
}

LRESULT CSourceShopSelPage::OnWizardNext() {
  LRESULT result = CWizardPage::OnWizardNext();
  UpdateData(TRUE);
  selectedShopPath_ = SelectedTablesFolder();
  if (selectedShopPath_.IsEmpty()) result = -1;
  CMainSheet& sheet = Sheet();
  sheet.m_strTableType = "'TABLE'";
  sheet.m_strCfgFilename = JoinPath(GetAppDirectory(), kMappingFile);
  sheet.m_strConnectionString = sheet.BuildConnectionString(kSourceQuillonShop);
  sheet.m_strDBName = JoinPath(GetAppDirectory(), kSourceFile);
  return result;
}
