// The SQL condition page and its resource.
#include "sql_page.h"

#include "item_pick_dlg.h"
#include "localisation.h"
#include "sql_condition.h"
#include "wizard_page_registry.h"

namespace {

const FwControlTemplate kControls[] = {
    {CSqlPreviewPage2::IDC_HELP_TEXT, FwControlKind::Edit, "", FALSE, FALSE},
    {CSqlPreviewPage2::IDC_ADVANCE, FwControlKind::CheckBox, "&Advance,21233", TRUE, TRUE},
    {0xFFFF, FwControlKind::Static, "Product Name,51601", FALSE, FALSE},
    {CSqlPreviewPage2::IDC_NAME, FwControlKind::Edit, "", FALSE, FALSE},
    {0xFFFF, FwControlKind::Static, "Product Description,51602", FALSE, FALSE},
    {CSqlPreviewPage2::IDC_DESCRIPTION, FwControlKind::Edit, "", FALSE, FALSE},
    {0xFFFF, FwControlKind::Static, "Department Name,51609", FALSE, FALSE},
    {CSqlPreviewPage2::IDC_DEPARTMENT, FwControlKind::Edit, "", FALSE, FALSE},
    {CSqlPreviewPage2::IDC_FIELD, FwControlKind::ComboBox, "", TRUE, TRUE},
    {CSqlPreviewPage2::IDC_OPERATOR, FwControlKind::ComboBox, "", FALSE, TRUE},
    {CSqlPreviewPage2::IDC_VALUE, FwControlKind::Edit, "", FALSE, TRUE},
    {CSqlPreviewPage2::IDC_CRITERION, FwControlKind::Edit, "", FALSE, TRUE},
    {CSqlPreviewPage2::IDC_WHERE, FwControlKind::Button, "WHERE,21188", FALSE, TRUE},
    {CSqlPreviewPage2::IDC_AND, FwControlKind::Button, "&AND,21171", FALSE, TRUE},
    {CSqlPreviewPage2::IDC_OR, FwControlKind::Button, "&OR,21172", FALSE, TRUE},
    {CSqlPreviewPage2::IDC_DELETE, FwControlKind::Button, "&Del,21168", FALSE, TRUE},
    {CSqlPreviewPage2::IDC_CRITERIA, FwControlKind::ListBox, "", FALSE, TRUE},
    {CSqlPreviewPage2::IDC_SELECT, FwControlKind::Button, "&Select,21115", TRUE, FALSE},
    {CSqlPreviewPage2::IDC_EDIT_SQL, FwControlKind::Button, "&SQL,21206", FALSE, FALSE},
    {CSqlPreviewPage2::IDC_STATEMENT, FwControlKind::Edit, "", FALSE, FALSE},
    {CSqlPreviewPage2::IDC_PREVIEW, FwControlKind::ListCtrl, "", TRUE, FALSE},
    {CSqlPreviewPage2::IDC_FIRST, FwControlKind::Button, "|<<,21139", TRUE, FALSE},
    {CSqlPreviewPage2::IDC_PREVIOUS, FwControlKind::Button, "<,21140", FALSE, FALSE},
    {CSqlPreviewPage2::IDC_NEXT, FwControlKind::Button, ">,21141", FALSE, FALSE},
    {CSqlPreviewPage2::IDC_LAST, FwControlKind::Button, ">>|,21142", FALSE, FALSE},
    {CSqlPreviewPage2::IDC_POSITION, FwControlKind::Static, "", FALSE, FALSE},
};
const FwDialogTemplate kTemplate[] = {
    {CSqlPreviewPage2::IDD, "Mapping Results / Setup SQL,20005", kControls, std::size(kControls)},
};
struct Registered {
  Registered() { FwRegisterDialogTemplates(kTemplate, std::size(kTemplate)); }
} registered;
const WizardPageRegistration<CSqlPreviewPage2> registeredPage(CSqlPreviewPage2::IDD);

constexpr UINT kHelpString = 21017;
const char* const kOperators[] = {"LIKE", "<", ">", "<=", ">=", "="};
// Codes of the main fields the simple boxes search, in term order.
constexpr DWORD kDepartmentCode = 2, kNameCode = 0, kDescriptionCode = 3;
// The controls of each mode.
const UINT kAdvancedControls[] = {CSqlPreviewPage2::IDC_FIELD, CSqlPreviewPage2::IDC_OPERATOR,
                                  CSqlPreviewPage2::IDC_VALUE, CSqlPreviewPage2::IDC_CRITERION,
                                  CSqlPreviewPage2::IDC_AND,   CSqlPreviewPage2::IDC_OR,
                                  CSqlPreviewPage2::IDC_WHERE, CSqlPreviewPage2::IDC_DELETE,
                                  CSqlPreviewPage2::IDC_CRITERIA};
const UINT kSimpleControls[] = {CSqlPreviewPage2::IDC_NAME, CSqlPreviewPage2::IDC_DESCRIPTION,
                                CSqlPreviewPage2::IDC_DEPARTMENT};

}  // namespace

void CSqlPreviewPage2::DoDataExchange(CDataExchange* pDX) {
  DDX_Control(pDX, IDC_HELP_TEXT, helpText_);
  DDX_Control(pDX, IDC_PREVIEW, preview_);
  DDX_Text(pDX, IDC_NAME, name_);
  DDX_Text(pDX, IDC_DESCRIPTION, description_);
  DDX_Text(pDX, IDC_DEPARTMENT, department_);
  DDX_Text(pDX, IDC_VALUE, value_);
  DDX_Check(pDX, IDC_ADVANCE, advanced_);
}

BOOL CSqlPreviewPage2::OnInitDialog() {
  CWizardPage::OnInitDialog();
  LocalizeDialogTexts(*this);
  helpText_.SetTextFromString(kHelpString);
  navigator_.Attach(this, &preview_);
  navigator_.SetControls(IDC_FIRST, IDC_PREVIOUS, IDC_NEXT, IDC_LAST, IDC_POSITION);
  CComboBox& operators = Control<CComboBox>(IDC_OPERATOR);
  for (const char* op : kOperators) operators.AddString(op);
  operators.SetCurSel(0);
  RequireDlgItem(IDC_ADVANCE)->ShowWindow(Sheet().m_bAdvancedMode);
  for (UINT id : {UINT(IDC_AND), UINT(IDC_OR), UINT(IDC_DELETE)}) RequireDlgItem(id)->EnableWindow(FALSE);
  return TRUE;
}

BOOL CSqlPreviewPage2::OnSetActive() {
  Control<CButton>(IDC_ADVANCE).SetCheck(advanced_);
  ApplyMode();
  mappedColumns_.clear();
  for (const auto& column : Sheet().m_mappingColumns)
    if (!column->m_strSourceField.IsEmpty()) mappedColumns_.push_back(column->m_strSourceField);
  preview_.AttachSheet(&Sheet());
  preview_.PrepareMappedItems();
  BuildStatement();
  RunPreview();
  Sheet().PostWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
  return CWizardPage::OnSetActive();
}

BOOL CSqlPreviewPage2::OnKillActive() {
  preview_.CloseRowset();
  return CWizardPage::OnKillActive();
}

void CSqlPreviewPage2::RunPreview() {
  preview_.SetupColumns(FALSE);
  preview_.SetDirection(kPreviewFirst);
  preview_.Requery(TRUE);
  navigator_.First();
}

BOOL CSqlPreviewPage2::OnCmdMsg(UINT id, UINT code) {
  switch (id) {
    case IDC_ADVANCE:
      if (code == BN_CLICKED) return ApplyMode(), TRUE;
      break;
    case IDC_FIELD:
    case IDC_OPERATOR:
      if (code == CBN_SELCHANGE) return UpdateCriterion(), TRUE;
      break;
    case IDC_VALUE:
      if (code == EN_CHANGE || code == EN_KILLFOCUS) return UpdateCriterion(), TRUE;
      break;
    case IDC_WHERE:
      if (code == BN_CLICKED) return OnWhere(), TRUE;
      break;
    case IDC_AND:
      if (code == BN_CLICKED) return AddCriterion(" AND "), TRUE;
      break;
    case IDC_OR:
      if (code == BN_CLICKED) return AddCriterion(" OR "), TRUE;
      break;
    case IDC_DELETE:
      if (code == BN_CLICKED) return OnDelete(), TRUE;
      break;
    case IDC_CRITERIA:
      if (code == LBN_SELCHANGE) return OnCriteriaSelected(), TRUE;
      if (code == LBN_DBLCLK) return OnEditCriterion(), TRUE;
      break;
    case IDC_SELECT:
      if (code == BN_CLICKED) return OnSelect(), TRUE;
      break;
    case IDC_EDIT_SQL:
      if (code == BN_CLICKED) return OnEditSql(), TRUE;
      break;
    case IDC_FIRST:
      if (code == BN_CLICKED) return navigator_.First(), TRUE;
      break;
    case IDC_PREVIOUS:
      if (code == BN_CLICKED) return navigator_.Previous(), TRUE;
      break;
    case IDC_NEXT:
      if (code == BN_CLICKED) return navigator_.Next(), TRUE;
      break;
    case IDC_LAST:
      if (code == BN_CLICKED) return navigator_.Last(), TRUE;
      break;
  }
  return CWizardPage::OnCmdMsg(id, code);
}

CString CSqlPreviewPage2::MappedColumnOf(DWORD code) const {
  for (const auto& column : Sheet().m_mappingColumns)
    if (column->m_code.Value() == code) return column->m_strSourceField;
  return CString();
}

void CSqlPreviewPage2::ApplyMode() {
  advanced_ = Control<CButton>(IDC_ADVANCE).GetCheck();
  for (UINT id : kAdvancedControls) RequireDlgItem(id)->ShowWindow(advanced_);
  for (UINT id : kSimpleControls) RequireDlgItem(id)->ShowWindow(!advanced_);
  if (advanced_) {
    CComboBox& fields = Control<CComboBox>(IDC_FIELD);
    fields.ResetContent();
    for (const auto& source : Sheet().m_sourceColumns) fields.AddString(source->m_strName);
    return;
  }
  RequireDlgItem(IDC_NAME)->EnableWindow(!MappedColumnOf(kNameCode).IsEmpty());
  RequireDlgItem(IDC_DESCRIPTION)->EnableWindow(!MappedColumnOf(kDescriptionCode).IsEmpty());
  RequireDlgItem(IDC_DEPARTMENT)->EnableWindow(!MappedColumnOf(kDepartmentCode).IsEmpty());
}

CString CSqlPreviewPage2::BuildStatement() {
  UpdateData(TRUE);
  CMainSheet& sheet = Sheet();
  if (advanced_) {
    statement_ = BuildAdvancedStatement(sheet.m_strTableName, mappedColumns_, criteria_, Quote());
  } else {
    std::vector<ConditionBox> boxes = {{department_, MappedColumnOf(kDepartmentCode)},
                                       {name_, MappedColumnOf(kNameCode)},
                                       {description_, MappedColumnOf(kDescriptionCode)}};
    statement_ = BuildSimpleStatement(sheet.m_typDatabase, sheet.m_strTableName, mappedColumns_, boxes, Quote());
  }
  sheet.m_strSQLQuery = statement_;
  SetDlgItemText(IDC_STATEMENT, statement_);
  return statement_;
}

char CSqlPreviewPage2::Quote() const { return Sheet().m_database.GetIdentifierQuote(); }

bool CSqlPreviewPage2::ReadCriterion(bool& known, int& sqlType) {
  UpdateData(TRUE);
  field_ = Control<CComboBox>(IDC_FIELD).GetWindowText();
  operator_ = Control<CComboBox>(IDC_OPERATOR).GetWindowText();
  known = false;
  sqlType = 0;
  for (const auto& source : Sheet().m_sourceColumns) {
    if (source->m_strName != field_) continue;
    known = true;
    sqlType = source->m_nSqlType;
    break;
  }
  return !CriterionValueRefused(value_, known, sqlType);
}

void CSqlPreviewPage2::UpdateCriterion() {
  bool known = false;
  int sqlType = 0;
  ReadCriterion(known, sqlType);
  SetDlgItemText(IDC_CRITERION,
                 BuildCriterion(Sheet().m_strTableName, field_, operator_, value_, known, sqlType, Quote()));
}

BOOL CSqlPreviewPage2::AddCriterion(LPCTSTR joiner) {
  // A numeric column's value is written without quotes: only a number.
  bool known = false;
  int sqlType = 0;
  if (!ReadCriterion(known, sqlType)) {
    AfxMessageBox(NotANumberMessage(field_, value_), MB_OK | MB_ICONSTOP);
    return FALSE;
  }
  UpdateCriterion();
  CListBox& list = Control<CListBox>(IDC_CRITERIA);
  CString criterion = GetDlgItemText(IDC_CRITERION);
  list.AddString(list.GetCount() > 0 ? joiner + criterion : criterion);
  CopyCriteria();
  return TRUE;
}

void CSqlPreviewPage2::OnWhere() {
  if (!AddCriterion(" WHERE ")) return;
  RequireDlgItem(IDC_WHERE)->EnableWindow(FALSE);
  RequireDlgItem(IDC_AND)->EnableWindow(TRUE);
  RequireDlgItem(IDC_OR)->EnableWindow(TRUE);
}

void CSqlPreviewPage2::OnDelete() {
  CListBox& list = Control<CListBox>(IDC_CRITERIA);
  int selected = list.GetCurSel();
  if (selected >= 0) list.DeleteString(selected);
  if (list.GetCount() == 0) RequireDlgItem(IDC_WHERE)->EnableWindow(TRUE);
  RequireDlgItem(IDC_DELETE)->EnableWindow(FALSE);
  CopyCriteria();
}

void CSqlPreviewPage2::OnCriteriaSelected() {
  CListBox& list = Control<CListBox>(IDC_CRITERIA);
  RequireDlgItem(IDC_DELETE)->EnableWindow(!list.GetItemText(list.GetCurSel()).IsEmpty());
}

void CSqlPreviewPage2::OnEditCriterion() {
  CListBox& list = Control<CListBox>(IDC_CRITERIA);
  int selected = list.GetCurSel();
  if (selected < 0) return;
  CSqlItemPickDlg picker(list.GetItemText(selected), CSqlItemPickDlg::kStatement);
  if (picker.DoModal() != IDOK || picker.GetStatement().IsEmpty()) return;
  list.DeleteString(selected);
  list.InsertString(selected, picker.GetStatement());
  list.SetCurSel(selected);
  CopyCriteria();
}

void CSqlPreviewPage2::CopyCriteria() {
  CListBox& list = Control<CListBox>(IDC_CRITERIA);
  criteria_.clear();
  for (int i = 0; i < list.GetCount(); ++i) criteria_.push_back(list.GetItemText(i));
}

void CSqlPreviewPage2::OnSelect() {
  BuildStatement();
  RunPreview();
}

void CSqlPreviewPage2::OnEditSql() {
  CSqlItemPickDlg picker(BuildStatement(), CSqlItemPickDlg::kStatement);
  if (picker.DoModal() != IDOK || picker.GetStatement().IsEmpty()) return;
  statement_ = picker.GetStatement();
  Sheet().m_strSQLQuery = statement_;
  SetDlgItemText(IDC_STATEMENT, statement_);
}
