// The first page of the wizard: the person picks the kind of source, which
// sets the sheet's source type and the pages behind this one. The page also
// reads the source file each type remembers.
#pragma once

#include "tinted_edit.h"
#include "wizard_page.h"

class CDBTypePage : public CWizardPage {
 public:
  enum : UINT {
    IDD = 20000,
    IDC_HELP_TEXT = 21241,
    IDC_TYPE_LIST = 1149,
    IDC_TYPE_LABEL = 1150,
    IDC_ADVANCED = 21185,
    IDC_ABOUT = 21001,
  };
  explicit CDBTypePage(CMainSheet& sheet) : CWizardPage(IDD, sheet) {}

  // Localises the texts, reads the remembered files (writing the program
  // folder as the default folder when none is set) and shows the help text.
  BOOL OnInitDialog() override;
  // Lists the types, selecting the sheet's; Next only with a type chosen.
  BOOL OnSetActive() override;
  // Takes the chosen type and rebuilds the pages behind this one; stays
  // without a choice.
  LRESULT OnWizardNext() override;
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnCmdMsg(UINT id, UINT code) override;

 private:
  void OnSelChangeTypeList();
  void OnAdvanced();
  void OnAbout();
  void PostNextUnlessNone();

  CTintedEdit helpText_;
  CListBox typeList_;
};
