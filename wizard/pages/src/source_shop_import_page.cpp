// The source-shop import page and its dialog resource.
#include "source_shop_import_page.h"

#include <sys/stat.h>

#include "app_settings.h"
#include "bde_table_cursor.h"
#include "db_type_table.h"
#include "ini_file.h"
#include "localisation.h"
#include "shop_session.h"
#include "shop_work_file.h"
#include "source_shop_reader.h"
#include "source_shop_sel_page.h"
#include "source_shop_writer.h"
#include "wizard_page_registry.h"
#include "wizard_paths.h"

namespace {

const FwControlTemplate kControls[] = {
    {CSourceShopImportPage::IDC_HELP_TEXT, FwControlKind::Edit, "", FALSE, FALSE},
    {CSourceShopImportPage::IDC_PROGRESS, FwControlKind::Progress, "", FALSE, FALSE},
    {CSourceShopImportPage::IDC_START_IMPORT, FwControlKind::Button, "Start Import,61536", FALSE, FALSE},
};
const FwDialogTemplate kTemplate[] = {
    {CSourceShopImportPage::IDD, "Import the Quillon Shop", kControls, std::size(kControls)},
};
struct Registered {
  Registered() { FwRegisterDialogTemplates(kTemplate, std::size(kTemplate)); }
} registered;
const WizardPageRegistration<CSourceShopImportPage> registeredPage(CSourceShopImportPage::IDD);

constexpr UINT kReadyString = 61533;    // "Ready to import from Quillon. Click 'Start Import' ..."
constexpr UINT kImportedString = 21061;  // "Data is now imported! Click on Finish to finalize import."
constexpr char kSettingsSection[] = "Select Database Page";

}  // namespace

CSourceShopImportPage::CSourceShopImportPage(CMainSheet& sheet)
    : CWizardPage(IDD, sheet), session_(std::make_unique<CShopSession>()) {
  CBdeTableCursor::InitEngine();
}

CSourceShopImportPage::~CSourceShopImportPage() {
  session_.reset();
  CBdeTableCursor::ExitEngine();
}

void CSourceShopImportPage::DoDataExchange(CDataExchange* pDX) {
  DDX_Control(pDX, IDC_HELP_TEXT, helpText_);
  DDX_Control(pDX, IDC_PROGRESS, progress_);
}

BOOL CSourceShopImportPage::OnInitDialog() {
  CWizardPage::OnInitDialog();
  LocalizeDialogTexts(*this);
  workPath_ = GetWorkShopFilePath();
  helpText_.SetTextFromString(kReadyString);
  progress_.SetRange32(0, 100);
  progress_.SetPos(0);
  UpdateData(FALSE);
  return TRUE;
}

BOOL CSourceShopImportPage::OnSetActive() {
  progress_.SetPos(0);
  // Each visit works on the target chosen last, from what it holds now.
  PrepareWorkFile();
  Sheet().PostWizardButtons(PSWIZB_BACK | PSWIZB_DISABLEDFINISH);
  return CWizardPage::OnSetActive();
}

BOOL CSourceShopImportPage::PrepareWorkFile() {
  done_ = FALSE;
  targetPath_ = Sheet().m_strTargetFile;
  struct stat st;
  const bool newShop = ::stat(targetPath_, &st) != 0;
  prepared_ = PrepareWorkShopFile(*session_, targetPath_, workPath_) == kShopFileDone;
  // A shop made for the migration holds the migrated departments only.
  if (prepared_ && newShop) EmptyShopDepartments(*session_, workPath_);
  return prepared_;
}

LRESULT CSourceShopImportPage::OnWizardBack() {
  session_->Close();
  return CWizardPage::OnWizardBack();
}

BOOL CSourceShopImportPage::OnCmdMsg(UINT id, UINT code) {
  if (id == IDC_START_IMPORT && code == BN_CLICKED) {
    ReadSourceShopTables();
    return TRUE;
  }
  return CWizardPage::OnCmdMsg(id, code);
}

CString CSourceShopImportPage::SourceFolder() const {
  auto* selection = dynamic_cast<CSourceShopSelPage*>(Sheet().FindPage(kSourceShopSelectPage));
  return selection ? selection->GetSelectedShopPath() : CString();
}

void CSourceShopImportPage::ShowProgress(int position) { progress_.SetPos(position); }

BOOL CSourceShopImportPage::ReadSourceShopTables() {
  // A second press starts again from the target: the work file is made
  // afresh, so nothing is migrated twice.
  if (done_) {
    Sheet().PostWizardButtons(PSWIZB_BACK | PSWIZB_DISABLEDFINISH);
    PrepareWorkFile();
  }
  if (!prepared_) return FALSE;
  const CString folder = SourceFolder();
  const SourceShopProgress progress = [this](int position) { ShowProgress(position); };
  try {
    ::ReadSourceShopTables(folder, tables_, progress);
    CheckSourceShopTables(tables_, folder);
  } catch (CBdeException* e) {
    e->ReportError();
    e->Delete();
    return FALSE;
  }
  WriteSourceShop(*session_, workPath_, Sheet().m_strLanguage, tables_, progress);
  done_ = TRUE;
  AfxMessageBox(kImportedString);
  Sheet().PostWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
  return TRUE;
}

BOOL CSourceShopImportPage::OnWizardFinish() {
  workPath_ = GetWorkShopFilePath();
  if (FinishWorkShopFile(workPath_, targetPath_) != kShopFileDone) {
    ShowLastError();
    return FALSE;
  }
  prepared_ = FALSE;
  if (const DbTypeEntry* chosen = ChosenDbType())
    ReportUnsavedSetting(CIniFile(JoinPath(GetAppDirectory(), "tallyport.ini"))
                             .WriteString(kSettingsSection, chosen->iniKey, Sheet().m_strDBName),
                         chosen->iniKey);
  return CWizardPage::OnWizardFinish();
}
