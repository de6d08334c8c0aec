// The SQL condition page: restricts the rows of the import with a WHERE
// clause over the mapped source columns, made from three simple
// "contains" boxes or, in advanced mode, from a list of criteria joined
// with AND and OR. The statement becomes the sheet's SQL query, which Next
// passes on untouched.
#pragma once

#include <vector>

#include "preview_list.h"
#include "rowset_navigator.h"
#include "tinted_edit.h"
#include "wizard_page.h"

class CSqlPreviewPage2 : public CWizardPage {
 public:
  enum : UINT {
    IDD = 20005,
    IDC_HELP_TEXT = 21241,
    IDC_NAME = 21193,
    IDC_DESCRIPTION = 21194,
    IDC_DEPARTMENT = 21196,
    IDC_ADVANCE = 21233,
    IDC_FIELD = 21148,
    IDC_OPERATOR = 21169,
    IDC_VALUE = 21166,
    IDC_CRITERION = 21165,
    IDC_AND = 21171,
    IDC_OR = 21172,
    IDC_WHERE = 21188,
    IDC_DELETE = 21168,
    IDC_CRITERIA = 21170,
    IDC_SELECT = 21115,
    IDC_EDIT_SQL = 21206,
    IDC_STATEMENT = 21198,
    IDC_PREVIEW = 21144,
    IDC_FIRST = 21139,
    IDC_PREVIOUS = 21140,
    IDC_NEXT = 21141,
    IDC_LAST = 21142,
    IDC_POSITION = 21161,
  };

  explicit CSqlPreviewPage2(CMainSheet& sheet) : CWizardPage(IDD, sheet) {}

  BOOL OnInitDialog() override;
  // Applies the mode, collects the mapped columns, builds the statement
  // and previews its rows.
  BOOL OnSetActive() override;
  // Closes the preview's rowset.
  BOOL OnKillActive() override;
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnCmdMsg(UINT id, UINT code) override;

  // The statement of the current mode, stored as the sheet's SQL query and
  // shown in the statement box.
  CString BuildStatement();

 private:
  void ApplyMode();
  void UpdateCriterion();
  // Adds the criterion under construction after joiner; a value that is no
  // number for a numeric column is refused with a message (FALSE).
  BOOL AddCriterion(LPCTSTR joiner);
  // Reads field, operator and value; FALSE when the value is refused.
  bool ReadCriterion(bool& known, int& sqlType);
  // The identifier quote of the sheet's connection.
  char Quote() const;
  void OnWhere();
  void OnDelete();
  void OnCriteriaSelected();
  void OnEditCriterion();
  void OnSelect();
  void OnEditSql();
  void CopyCriteria();
  // Runs the sheet's statement in the preview from its first rowset.
  void RunPreview();
  // The source column mapped onto main field code; empty when none.
  CString MappedColumnOf(DWORD code) const;

  CTintedEdit helpText_;
  CDBaseListVw preview_;
  CRowsetNavigator navigator_;
  CString name_, description_, department_;
  CString field_, operator_, value_;
  std::vector<CString> mappedColumns_;
  std::vector<CString> criteria_;
  CString statement_;
  int advanced_ = 0;
};
