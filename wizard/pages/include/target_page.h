// The target page: into which shop file the import goes, a new file made
// from a language template (.kvb) or an existing shop file (.kvc) whose
// signature is checked before the wizard moves on. The chosen path becomes
// the sheet's target file.
#pragma once

#include "tinted_edit.h"
#include "wizard_page.h"

class CSelDBPage : public CWizardPage {
 public:
  enum : UINT {
    IDD = 20008,
    IDC_HELP_TEXT = 21241,
    IDC_ENGLISH_TEMPLATE = 1174,
    IDC_LOCALE_TEMPLATE = 1175,
    IDC_CURRENT_TARGET = 21183,
    IDC_CREATE_NEW = 21128,
    IDC_OPEN_EXISTING = 21132,
    IDC_PATH = 21135,
    IDC_BROWSE = 21114,
  };

  explicit CSelDBPage(CMainSheet& sheet) : CWizardPage(IDD, sheet) {}

  // The English template of the program folder is proposed; the language
  // of a non-English locale is kept for the other template.
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;
  // Normalises the typed path, tells an existing file from a new one,
  // checks an existing file's shop and makes the path the sheet's target;
  // stays on a refusal.
  LRESULT OnWizardNext() override;
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnCmdMsg(UINT id, UINT code) override;

  // The path the typed text names: a bare name lies in programFolder, and
  // a name without a shop file extension (".kvb" or ".kvc", any case)
  // gets ".kvb".
  static CString NormalisePath(const CString& typed, const CString& programFolder);

 private:
  void OnTemplateChosen(UINT id);
  void OnBrowse();
  // The language of the template that is not English: the locale's, or
  // Spanish under an English locale.
  static CString OtherTemplateLanguage();

  CTintedEdit helpText_;
  CString newFilePath_;
  CString existingFilePath_;
  CString typedPath_;  // bound to the path edit
  BOOL englishTemplate_ = TRUE;
  BOOL createNew_ = FALSE;
};
