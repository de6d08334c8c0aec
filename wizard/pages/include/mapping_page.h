// The mapping page: for every field the import can fill (the sheet's
// mapping columns), which source column supplies it. The grid's second
// column is edited with an in-place combo of the source's column names;
// the mapping is read from and written to a mapping file, a default file
// is loaded for the MYOB, QuickBooks and Quillon sources, and the option
// and choice counts are set with the option-count dialog. Next needs the
// product name and the item number mapped, to different columns.
#pragma once

#include <vector>

#include "mapping_list_ctrl.h"
#include "tinted_edit.h"
#include "wizard_page.h"

class CImpMappingPage : public CWizardPage {
 public:
  enum : UINT {
    IDD = 20009,
    IDC_HELP_TEXT = 21241,
    IDC_GRID = 21151,
    IDC_RESET = 21152,
    IDC_OPTIONS = 21254,
    IDC_SAVE_TEMPLATE = 21159,
    IDC_LOAD_TEMPLATE = 21160,
    IDC_MAP_DEFAULT = 1185,
  };
  // The grid's columns: the field captions and the mapped source columns.
  enum : int { kCaptionColumn = 0, kSourceColumn = 1 };

  explicit CImpMappingPage(CMainSheet& sheet) : CWizardPage(IDD, sheet) {}

  BOOL OnInitDialog() override;
  // Loads the mapping file of the source (or the type's default file),
  // then shows the mapping columns and the source's column names.
  BOOL OnSetActive() override;
  LRESULT OnWizardBack() override;
  LRESULT OnWizardNext() override;
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnCmdMsg(UINT id, UINT code) override;

  // Reads the mapping file at path into the sheet's mapping columns (see
  // mapping_file.h); a file that cannot be read or holds counts out of
  // range is reported and changes nothing. FALSE when refused.
  BOOL LoadMappingFile(const CString& path);
  // Writes the grid's mapping to path; a file that cannot be made is
  // reported.
  BOOL WriteMappingFile(const CString& path);

  // The default mapping file of a source type in the program folder's
  // data; empty for the types without one.
  static CString DefaultMappingFile(int sourceType);

 private:
  void FillMappingGrid();
  void FillSourceCombo();
  // Empties the source field of every item naming a column the source does
  // not have, and says which (nothing when the source columns are unknown).
  void ClearUnknownColumns();
  void ResetMapping();
  void StoreMapping();
  void OnOptions();
  void OnSaveTemplate();
  void OnLoadTemplate();

  CTintedEdit helpText_;
  CMappingListCtrl grid_;
};
