// The target page and its resource.
#include "target_page.h"

#include <sys/stat.h>

#include "app_settings.h"
#include "ctl_prompts.h"
#include "file_test.h"
#include "fw_locale.h"
#include "fw_paths.h"
#include "localisation.h"
#include "shop_file_check.h"
#include "target_lock.h"
#include "wizard_paths.h"
#include "wizard_page_registry.h"

namespace {

const FwControlTemplate kControls[] = {
    {CSelDBPage::IDC_HELP_TEXT, FwControlKind::Edit, "", FALSE, FALSE},
    {CSelDBPage::IDC_ENGLISH_TEMPLATE, FwControlKind::Radio, "New shop from the &English template", TRUE, FALSE},
    {CSelDBPage::IDC_LOCALE_TEMPLATE, FwControlKind::Radio, "New shop from the template of &my language", FALSE, FALSE},
    {CSelDBPage::IDC_CREATE_NEW, FwControlKind::Radio, "&Create a new file,21128", TRUE, TRUE},
    {CSelDBPage::IDC_OPEN_EXISTING, FwControlKind::Radio, "&Open existing file,21132", FALSE, TRUE},
    {CSelDBPage::IDC_PATH, FwControlKind::Edit, "", TRUE, FALSE},
    {CSelDBPage::IDC_BROWSE, FwControlKind::Button, "&Browse,21114", FALSE, FALSE},
    {CSelDBPage::IDC_CURRENT_TARGET, FwControlKind::Edit, "", FALSE, FALSE},
};
const FwDialogTemplate kTemplate[] = {
    {CSelDBPage::IDD, "Select a Tradeloft Pro File,20008", kControls, std::size(kControls)},
};
struct Registered {
  Registered() { FwRegisterDialogTemplates(kTemplate, std::size(kTemplate)); }
} registered;
const WizardPageRegistration<CSelDBPage> registeredPage(CSelDBPage::IDD);

constexpr UINT kHelpString = 21259;
constexpr UINT kFileFilterString = 21219;
constexpr UINT kMissingFileQuestion = 51518;
constexpr UINT kNameExistsMessage = 51517;
constexpr const char* kMissingFolderMessage = "The folder \"%s\" for the new shop file does not exist.";
constexpr LANGID kPrimaryEnglish = 9;

// Whether the name (after its last folder separator) ends in ext, any case.
bool HasExtension(const CString& path, LPCTSTR ext) {
  CString name = path.Mid(std::max(path.ReverseFind('/'), path.ReverseFind('\\')) + 1);
  int length = static_cast<int>(std::strlen(ext));
  return name.GetLength() > length && name.Right(length).CompareNoCase(ext) == 0;
}

}  // namespace

CString CSelDBPage::NormalisePath(const CString& typed, const CString& programFolder) {
  CString full = HasFolderPart(typed) || IsAbsolutePath(typed) ? typed : JoinPath(programFolder, typed);
  if (!HasExtension(typed, ".kvb") && !HasExtension(typed, ".kvc")) full += ".kvb";
  return full;
}

CString CSelDBPage::OtherTemplateLanguage() {
  if ((FwThreadLangId() & 0x3FF) == kPrimaryEnglish) return "Spanish";
  return GetLocaleLanguage();
}

void CSelDBPage::DoDataExchange(CDataExchange* pDX) {
  DDX_Control(pDX, IDC_HELP_TEXT, helpText_);
  DDX_Text(pDX, IDC_PATH, typedPath_);
}

BOOL CSelDBPage::OnInitDialog() {
  LocalizeDialogTexts(*this);
  CWizardPage::OnInitDialog();
  helpText_.SetTextFromString(kHelpString);
  existingFilePath_.Empty();
  CString language = englishTemplate_ ? CString("English") : OtherTemplateLanguage();
  Sheet().m_strLanguage = language;
  typedPath_ = JoinPath(GetAppDirectory(), language + ".kvb");
  newFilePath_ = typedPath_;
  for (UINT hidden : {UINT(IDC_CREATE_NEW), UINT(IDC_OPEN_EXISTING)}) RequireDlgItem(hidden)->ShowWindow(FALSE);
  for (UINT shown : {UINT(IDC_ENGLISH_TEMPLATE), UINT(IDC_LOCALE_TEMPLATE), UINT(IDC_PATH), UINT(IDC_BROWSE)})
    RequireDlgItem(shown)->ShowWindow(TRUE);
  UpdateData(FALSE);
  return TRUE;
}

BOOL CSelDBPage::OnSetActive() {
  Control<CButton>(IDC_CREATE_NEW).SetCheck(createNew_);
  Control<CButton>(IDC_OPEN_EXISTING).SetCheck(!createNew_);
  Control<CButton>(IDC_ENGLISH_TEMPLATE).SetCheck(englishTemplate_);
  Control<CButton>(IDC_LOCALE_TEMPLATE).SetCheck(!englishTemplate_);
  SetDlgItemText(IDC_CURRENT_TARGET, Sheet().m_strTargetFile);
  Control<CEdit>(IDC_CURRENT_TARGET).SetReadOnly(TRUE);
  Sheet().PostWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
  return CWizardPage::OnSetActive();
}

BOOL CSelDBPage::OnCmdMsg(UINT id, UINT code) {
  if (code == BN_CLICKED && (id == IDC_ENGLISH_TEMPLATE || id == IDC_LOCALE_TEMPLATE)) {
    OnTemplateChosen(id);
    return TRUE;
  }
  if (code == BN_CLICKED && id == IDC_BROWSE) {
    OnBrowse();
    return TRUE;
  }
  return CWizardPage::OnCmdMsg(id, code);
}

void CSelDBPage::OnTemplateChosen(UINT id) {
  englishTemplate_ = id == IDC_ENGLISH_TEMPLATE;
  Sheet().m_strLanguage = englishTemplate_ ? CString("English") : OtherTemplateLanguage();
  typedPath_ = JoinPath(GetAppDirectory(), Sheet().m_strLanguage + ".kvb");
  existingFilePath_.Empty();
  newFilePath_ = typedPath_;
  UpdateData(FALSE);
}

void CSelDBPage::OnBrowse() {
  FwFileRequest request{TRUE, CString(), LoadResString(kFileFilterString), "*.kvc", GetAppDirectory(), CString()};
  CString chosen;
  if (!FwGetPrompts().AskFileName(request, chosen)) return;
  typedPath_ = chosen;
  (createNew_ ? newFilePath_ : existingFilePath_) = chosen;
  SetDlgItemText(IDC_PATH, chosen);
}

LRESULT CSelDBPage::OnWizardNext() {
  if (!UpdateData(TRUE) || typedPath_.IsEmpty()) return -1;
  CString full = NormalisePath(typedPath_, GetAppDirectory());
  // The file is looked for where it will be opened: a bare name in the
  // program folder, whatever folder the program runs in.
  struct stat status {};
  bool typedExists = ::stat(FwNativePath(full), &status) == 0;
  bool existing = false;
  if (typedExists && FileExists(full)) {
    existingFilePath_ = full;
    existing = true;
  } else if (typedExists) {
    if (AfxMessageBox(kMissingFileQuestion, MB_YESNO | MB_ICONEXCLAMATION) != IDYES) return -1;
    newFilePath_ = full;
  } else {
    newFilePath_ = full;
    if (FileExists(full)) {
      AfxMessageBox(kNameExistsMessage, MB_OK | MB_ICONEXCLAMATION);
      return -1;
    }
    struct stat folder {};
    const CString folderPath = FolderOfPath(full);
    if (!folderPath.IsEmpty() && (::stat(FwNativePath(folderPath), &folder) != 0 || !S_ISDIR(folder.st_mode))) {
      CString message;
      message.Format(kMissingFolderMessage, static_cast<LPCTSTR>(folderPath));
      AfxMessageBox(message, MB_OK | MB_ICONSTOP);
      return -1;
    }
  }
  // Another import's target stays its own until that import ends.
  const CString chosen = existing ? existingFilePath_ : newFilePath_;
  if (TargetLockedByAnotherRun(FwNativePath(chosen))) {
    AfxMessageBox(TargetInUseMessage(chosen), MB_OK | MB_ICONSTOP);
    return -1;
  }
  if (existing) {
    ShopFileCheck result = CheckShopFile(FwNativePath(full));
    if (UINT message = ShopFileCheckMessageId(result)) {
      AfxMessageBox(message, MB_OK | MB_ICONSTOP);
      return -1;
    }
    if (result != ShopFileCheck::Good) {
      AfxMessageBox(ShopFileCheckMessageText(result, FwNativePath(full)), MB_OK);
      return -1;
    }
  }
  Sheet().m_strTargetFile = chosen;
  return CWizardPage::OnWizardNext();
}
