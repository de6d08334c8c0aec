// The table page: opens the connection the source-file page prepared,
// lists the source's tables, picks the table of the source (the chosen
// file's for file sources), sets the import's statement to all its rows,
// measures and describes its columns and previews its first rows in a
// rowset size the person chooses.
#pragma once

#include <vector>

#include "preview_list.h"
#include "rowset_navigator.h"
#include "tinted_edit.h"
#include "wizard_page.h"

class CSelTablePage : public CWizardPage {
 public:
  enum : UINT {
    IDD = 20004,
    IDC_HELP_TEXT = 21241,
    IDC_ROWS = 21209,
    IDC_TABLES = 21127,
    IDC_PREVIEW = 21144,
    IDC_DATABASE_NAME = 21123,
    IDC_FIRST = 21139,
    IDC_PREVIOUS = 21140,
    IDC_NEXT = 21141,
    IDC_LAST = 21142,
    IDC_POSITION = 21161,
  };

  explicit CSelTablePage(CMainSheet& sheet) : CWizardPage(IDD, sheet) {}

  BOOL OnInitDialog() override;
  // Connects, lists the tables, selects the source's table and loads it.
  BOOL OnSetActive() override;
  // Loads the table when that did not happen yet and makes the mapping
  // columns.
  BOOL OnKillActive() override;
  LRESULT OnWizardNext() override;
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnCmdMsg(UINT id, UINT code) override;

 private:
  void ShowControls();
  void LoadTable();
  void OnRowsChosen();
  // Bytes one row of the preview's rowset takes in the bulk buffers.
  long RowBytes() const;

  CTintedEdit helpText_;
  CComboBox rowsCombo_;
  CComboBox tableCombo_;
  // The combo box shows each table's own name; its SQL name (in the
  // driver's identifier quote) is the one at the same index here.
  std::vector<CString> tableSqlNames_;
  CDBaseListVw preview_;
  CRowsetNavigator navigator_;
};
