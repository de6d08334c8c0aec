// The mapping page and its resource.
#include "mapping_page.h"

#include <map>
#include <memory>
#include <string>

#include "app_settings.h"
#include "ctl_prompts.h"
#include "file_test.h"
#include "fw_file.h"
#include "fw_mbs.h"
#include "fw_paths.h"
#include "fw_whole_file.h"
#include "localisation.h"
#include "mapping_file.h"
#include "option_count_dlg.h"
#include "wizard_page_registry.h"
#include "wizard_paths.h"

namespace {

const FwControlTemplate kControls[] = {
    {CImpMappingPage::IDC_HELP_TEXT, FwControlKind::Edit, "", FALSE, FALSE},
    {CImpMappingPage::IDC_GRID, FwControlKind::ListCtrl, "", TRUE, FALSE},
    {CImpMappingPage::IDC_RESET, FwControlKind::Button, "&Reset,21152", TRUE, FALSE},
    {CImpMappingPage::IDC_OPTIONS, FwControlKind::Button, "&Options,21254", FALSE, FALSE},
    {CImpMappingPage::IDC_SAVE_TEMPLATE, FwControlKind::Button, "&Save Template,21159", FALSE, FALSE},
    {CImpMappingPage::IDC_LOAD_TEMPLATE, FwControlKind::Button, "&Load Template,21160", FALSE, FALSE},
    {CImpMappingPage::IDC_MAP_DEFAULT, FwControlKind::Button, "Map &Default,1185", FALSE, TRUE},
};
const FwDialogTemplate kTemplate[] = {
    {CImpMappingPage::IDD, "Import Mapping Tool,20009", kControls, std::size(kControls)},
};
struct Registered {
  Registered() { FwRegisterDialogTemplates(kTemplate, std::size(kTemplate)); }
} registered;
const WizardPageRegistration<CImpMappingPage> registeredPage(CImpMappingPage::IDD);

constexpr UINT kTitleString = 20009;
constexpr UINT kHelpString = 51659;
constexpr UINT kFieldsHeading = 3000;
constexpr UINT kSourceHeading = 3001;
constexpr UINT kInvalidMappingMessage = 51648;
constexpr UINT kFieldNotMappedMessage = 51665;
constexpr UINT kSameColumnMessage = 7322;
constexpr UINT kItemNumberMissingMessage = 61532;
constexpr UINT kProductNameMissingMessage = 61516;
constexpr const char* kConfigFilter = "Config File (*.cfg)|*.cfg||";
// Followed by each such field's caption and, in quotes, the column it named.
constexpr const char* kUnknownColumnsMessage =
    "The mapping file names columns this source does not have; these fields are left unmapped:";

// Codes of the two fields every import needs.
constexpr DWORD kProductNameCode = 0;
constexpr DWORD kItemNumberCode = 1;

// The framework's text for a file error.
CString ErrorText(CFileException& error) {
  char text[512] = "";
  error.GetErrorMessage(text, sizeof text);
  return text;
}

}  // namespace

CString CImpMappingPage::DefaultMappingFile(int sourceType) {
  switch (sourceType) {
    case kSourceMyob: return "default_myob.cfg";
    case kSourceQuickBooks: return "default_quickbooks.cfg";
    case kSourceQuillonShop: return "default_quillon.cfg";
  }
  return CString();
}

void CImpMappingPage::DoDataExchange(CDataExchange* pDX) {
  DDX_Control(pDX, IDC_HELP_TEXT, helpText_);
  DDX_Control(pDX, IDC_GRID, grid_);
}

BOOL CImpMappingPage::OnInitDialog() {
  CWizardPage::OnInitDialog();
  LocalizeDialogTexts(*this);
  Sheet().SetTitle(LoadResString(kTitleString));
  grid_.AttachCombo(std::make_unique<CInPlaceCombo>(), kSourceColumn);
  helpText_.SetTextFromString(kHelpString);
  RequireDlgItem(IDC_SAVE_TEMPLATE)->ShowWindow(Sheet().m_bAdvancedMode);
  RequireDlgItem(IDC_LOAD_TEMPLATE)->ShowWindow(Sheet().m_bAdvancedMode);
  RequireDlgItem(IDC_MAP_DEFAULT)->ShowWindow(FALSE);
  if (Sheet().m_typDatabase == kSourceQuillonShop) {
    RequireDlgItem(IDC_RESET)->ShowWindow(FALSE);
    RequireDlgItem(IDC_OPTIONS)->ShowWindow(FALSE);
    grid_.EnableWindow(FALSE);
  }
  return TRUE;
}

BOOL CImpMappingPage::OnSetActive() {
  CMainSheet& sheet = Sheet();
  if (FileExists(sheet.m_strCfgFilename)) {
    LoadMappingFile(sheet.m_strCfgFilename);
  } else {
    CString defaultFile = DefaultMappingFile(sheet.m_typDatabase);
    CString path = JoinPath(GetAppDirectory(), defaultFile);
    if (!defaultFile.IsEmpty() && FileExists(path)) LoadMappingFile(path);
  }
  FillMappingGrid();
  FillSourceCombo();
  sheet.PostWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
  return CWizardPage::OnSetActive();
}

BOOL CImpMappingPage::OnCmdMsg(UINT id, UINT code) {
  if (code == BN_CLICKED) {
    switch (id) {
      case IDC_RESET: return ResetMapping(), TRUE;
      case IDC_OPTIONS: return OnOptions(), TRUE;
      case IDC_SAVE_TEMPLATE: return OnSaveTemplate(), TRUE;
      case IDC_LOAD_TEMPLATE: return OnLoadTemplate(), TRUE;
    }
  }
  return CWizardPage::OnCmdMsg(id, code);
}

void CImpMappingPage::FillMappingGrid() {
  grid_.DeleteAllItems();
  while (grid_.GetColumnCount() > 0) grid_.DeleteColumn(0);
  grid_.InsertColumn(kCaptionColumn, LoadResString(kFieldsHeading));
  grid_.InsertColumn(kSourceColumn, LoadResString(kSourceHeading));
  grid_.InsertColumn(2, "");
  for (const auto& column : Sheet().m_mappingColumns) {
    int row = grid_.InsertItem(grid_.GetItemCount(), column->m_strCaption);
    grid_.SetItemText(row, kSourceColumn, column->m_strSourceField);
  }
}

void CImpMappingPage::FillSourceCombo() {
  CInPlaceCombo* combo = grid_.GetCombo();
  if (combo == nullptr) return;
  combo->ResetContent();
  for (const auto& source : Sheet().m_sourceColumns) {
    int item = combo->AddString(source->m_strName);
    combo->SetItemData(item, static_cast<DWORD_PTR>(source->m_nIndex));
  }
  combo->SetItemData(combo->AddString(""), static_cast<DWORD_PTR>(-1));
  combo->SetCurSel(-1);
  const auto& columns = Sheet().m_mappingColumns;
  for (size_t row = 0; row < columns.size(); ++row)
    grid_.SetItemText(static_cast<int>(row), kSourceColumn, columns[row]->m_strSourceField);
  combo->ShowWindow(FALSE);
}

void CImpMappingPage::ResetMapping() {
  const auto& columns = Sheet().m_mappingColumns;
  for (int row = 0; row < grid_.GetItemCount(); ++row) {
    grid_.SetItemText(row, kSourceColumn, "");
    if (row < static_cast<int>(columns.size())) columns[row]->m_strSourceField.Empty();
  }
}

void CImpMappingPage::StoreMapping() {
  const auto& columns = Sheet().m_mappingColumns;
  for (int row = 0; row < grid_.GetItemCount() && row < static_cast<int>(columns.size()); ++row) {
    CMappingColumn& column = *columns[row];
    CString text = grid_.GetItemText(row, kSourceColumn);
    if (text.IsEmpty()) {
      column.m_strSourceField.Empty();
      column.m_nNumber = -1;
      column.m_nColumnSize = 0;
      continue;
    }
    column.m_strSourceField = text;
    for (const auto& source : Sheet().m_sourceColumns) {
      if (fw_mbs::compare_no_case(source->m_strName, text) != 0) continue;
      column.m_nNumber = source->m_nIndex;
      column.m_nColumnSize = static_cast<int>(source->m_nSize);
      break;
    }
  }
}

BOOL CImpMappingPage::LoadMappingFile(const CString& path) {
  CFile file;
  CFileException error;
  if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite, &error)) {
    AfxMessageBox("Couldn't open source file:  " + ErrorText(error), MB_OK);
    return FALSE;
  }
  CString text;
  DWORD length = file.GetLength();
  file.Read(text.GetBufferSetLength(static_cast<int>(length)), length);
  text.ReleaseBuffer(static_cast<int>(length));
  file.Close();

  // The whole file is read before the sheet changes (invariant 2).
  std::vector<MappingSection> sections;
  try {
    sections = ReadMappingSections(text);
  } catch (const MappingFileError&) {
    AfxMessageBox(kInvalidMappingMessage, MB_OK | MB_ICONEXCLAMATION);
    return FALSE;
  }
  CMainSheet& sheet = Sheet();
  for (const MappingSection& section : sections) {
    if (section.kind == MappingSection::Options) sheet.m_nOptionCount = section.count;
    if (section.kind == MappingSection::Choices) {
      sheet.m_nChoiceCount = section.count;
      sheet.BuildMappingColumns();
      FillSourceCombo();
    }
    if (section.kind != MappingSection::Tables) continue;
    const auto& columns = sheet.m_mappingColumns;
    for (size_t n = 0; n < section.columns.size(); ++n) {
      if (n >= columns.size()) {
        AfxMessageBox(kInvalidMappingMessage, MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
      }
      columns[n]->m_strSourceField = section.columns[n];
    }
  }
  ClearUnknownColumns();
  // The grid shows the items as the file left them: its options and
  // choices too, so that Next stores and writes every row.
  FillMappingGrid();
  FillSourceCombo();
  return TRUE;
}

void CImpMappingPage::ClearUnknownColumns() {
  CMainSheet& sheet = Sheet();
  if (sheet.m_sourceColumns.empty()) return;
  CString unknown;
  for (const auto& column : sheet.m_mappingColumns) {
    if (column->m_strSourceField.IsEmpty()) continue;
    bool found = false;
    for (const auto& source : sheet.m_sourceColumns)
      if (fw_mbs::compare_no_case(source->m_strName, column->m_strSourceField) == 0) found = true;
    if (found) continue;
    unknown += (unknown.IsEmpty() ? " " : ", ") + column->m_strCaption + " (\"" + column->m_strSourceField + "\")";
    column->m_strSourceField.Empty();
  }
  if (!unknown.IsEmpty())
    AfxMessageBox(CString(kUnknownColumnsMessage) + unknown, MB_OK | MB_ICONEXCLAMATION);
}

BOOL CImpMappingPage::WriteMappingFile(const CString& path) {
  std::vector<CString> rows;
  for (int row = 0; row < grid_.GetItemCount(); ++row) rows.push_back(grid_.GetItemText(row, kSourceColumn));
  CString text = FormatMappingFile(Sheet().m_nOptionCount, Sheet().m_nChoiceCount, rows);
  // Written whole: another wizard reading the file meets the old mapping or
  // the new one, never a mixture.
  int error = FwWriteWholeFile(std::string(FwNativePath(path)),
                               std::string(static_cast<LPCTSTR>(text), static_cast<size_t>(text.GetLength())));
  if (error != 0) {
    CString message;
    message.Format("[Import Wizard - %s]\n\nThe mapping could not be saved.\n%s", static_cast<LPCTSTR>(path),
                   static_cast<LPCTSTR>(FwWriteFailureText(path, error)));
    AfxMessageBox(message, MB_OK | MB_ICONINFORMATION);
    return FALSE;
  }
  return TRUE;
}

void CImpMappingPage::OnOptions() {
  CMainSheet& sheet = Sheet();
  COptionCountDlg dialog(sheet.m_nOptionCount, sheet.m_nChoiceCount);
  if (dialog.DoModal() != IDOK) return;
  // The columns that stay keep what the person mapped onto them.
  StoreMapping();
  std::map<DWORD, CString> mapped;
  for (const auto& column : sheet.m_mappingColumns) mapped[column->m_code.Value()] = column->m_strSourceField;
  sheet.m_nChoiceCount = dialog.GetChoiceCount();
  sheet.m_nOptionCount = dialog.GetOptionCount();
  sheet.BuildMappingColumns();
  for (const auto& column : sheet.m_mappingColumns) {
    auto kept = mapped.find(column->m_code.Value());
    if (kept != mapped.end()) column->m_strSourceField = kept->second;
  }
  FillMappingGrid();
  WriteMappingFile(sheet.m_strCfgFilename);
  OnSetActive();
}

void CImpMappingPage::OnSaveTemplate() {
  FwFileRequest request{FALSE, CString(), kConfigFilter, CString(), CString(), Sheet().m_strCfgFilename};
  CString chosen;
  if (FwGetPrompts().AskFileName(request, chosen)) WriteMappingFile(chosen);
}

void CImpMappingPage::OnLoadTemplate() {
  FwFileRequest request{TRUE, CString(), kConfigFilter, CString(), CString(),
                        JoinPath(WithoutTrailingSeparator(GetAppDirectory()), "*.cfg")};
  CString chosen;
  if (!FwGetPrompts().AskFileName(request, chosen)) return;
  LoadMappingFile(chosen);
  UpdateData(TRUE);
}

LRESULT CImpMappingPage::OnWizardBack() {
  StoreMapping();
  return CWizardPage::OnWizardBack();
}

LRESULT CImpMappingPage::OnWizardNext() {
  StoreMapping();
  CMainSheet& sheet = Sheet();
  const auto& columns = sheet.m_mappingColumns;
  CString nameCaption = LoadResString(kFieldNameTable[0].stringId);
  if (columns.empty() || columns[0]->m_strSourceField.IsEmpty()) {
    CString message;
    message.Format(LoadResString(kFieldNotMappedMessage), static_cast<LPCTSTR>(nameCaption));
    FwMessageBoxFromString(kFieldNotMappedMessage, message, MB_OK | MB_ICONERROR);
    return -1;
  }
  bool itemNumberMapped = false, productNameMapped = false;
  for (const auto& column : columns) {
    if (column->m_strSourceField.IsEmpty()) continue;
    if (column->m_code.Value() == kItemNumberCode) itemNumberMapped = true;
    if (column->m_code.Value() == kProductNameCode) productNameMapped = true;
  }
  if (!itemNumberMapped) {
    AfxMessageBox(kItemNumberMissingMessage, MB_OK);
    return -1;
  }
  if (!productNameMapped) {
    AfxMessageBox(kProductNameMissingMessage, MB_OK);
    return -1;
  }
  if (columns.size() > 1 && fw_mbs::compare_no_case(columns[0]->m_strSourceField, columns[1]->m_strSourceField) == 0) {
    CString message;
    message.Format(LoadResString(kSameColumnMessage), static_cast<LPCTSTR>(nameCaption),
                   static_cast<LPCTSTR>(LoadResString(kFieldNameTable[1].stringId)));
    FwMessageBoxFromString(kSameColumnMessage, message, MB_OK);
    return -1;
  }
  WriteMappingFile(sheet.m_strCfgFilename);
  sheet.ImportSqlBuilder(TRUE);
  return CWizardPage::OnWizardNext();
}
