// The source-file page and its dialog resource.
#include "source_file_page.h"

#include <strings.h>

#include <algorithm>
#include <filesystem>

#include "app_settings.h"
#include "connection_string.h"
#include "ctl_prompts.h"
#include "db_type_table.h"
#include "file_test.h"
#include "fw_paths.h"
#include "help_page.h"
#include "item_pick_dlg.h"
#include "ini_file.h"
#include "localisation.h"
#include "schema_ini.h"
#include "wizard_page_registry.h"
#include "wizard_paths.h"

namespace {

const FwControlTemplate kControls[] = {
    {CDbfetchDlg::IDC_HELP_TEXT, FwControlKind::Edit, "", FALSE, FALSE},
    {CDbfetchDlg::IDC_TYPE_TEXT, FwControlKind::Static, "", FALSE, FALSE},
    {CDbfetchDlg::IDC_FILE_LABEL, FwControlKind::Static, "File na&me:,60103", FALSE, FALSE},
    {CDbfetchDlg::IDC_FILE_NAME, FwControlKind::Edit, "", FALSE, FALSE},
    {CDbfetchDlg::IDC_BROWSE, FwControlKind::Button, "&Browse,21114", FALSE, FALSE},
    {CDbfetchDlg::IDC_LOGIN_LABEL, FwControlKind::Static, "&Login ID:", FALSE, TRUE},
    {CDbfetchDlg::IDC_LOGIN, FwControlKind::Edit, "", FALSE, TRUE},
    {CDbfetchDlg::IDC_PASSWORD_LABEL, FwControlKind::Static, "&Password:", FALSE, TRUE},
    {CDbfetchDlg::IDC_PASSWORD, FwControlKind::Edit, "", FALSE, TRUE},
    {CDbfetchDlg::IDC_FORMAT_LABEL, FwControlKind::Static, "Text &format:", FALSE, FALSE},
    {CDbfetchDlg::IDC_FORMAT, FwControlKind::ComboBox, "", FALSE, FALSE},
    {CDbfetchDlg::IDC_DELIMITER_LABEL, FwControlKind::Static, "&Delimiter:", FALSE, FALSE},
    {CDbfetchDlg::IDC_DELIMITER, FwControlKind::Edit, "", FALSE, FALSE},
    {CDbfetchDlg::IDC_TABLE_TYPE, FwControlKind::ComboBox, "", FALSE, TRUE},
    {CDbfetchDlg::IDC_CONNECTION, FwControlKind::Edit, "", FALSE, TRUE},
    {CDbfetchDlg::IDC_EDIT_DSN, FwControlKind::Button, "Edit D&SN,21232", FALSE, TRUE},
    {CDbfetchDlg::IDC_ADVANCED, FwControlKind::CheckBox, "Ad&vanced Setting,21185", FALSE, TRUE},
    {CDbfetchDlg::IDC_ALL_FIELDS, FwControlKind::CheckBox, "Import All Fields", FALSE, TRUE},
};
const FwDialogTemplate kTemplate[] = {
    {CDbfetchDlg::IDD, "Select Database Source File", kControls, std::size(kControls)},
};

struct Registered {
  Registered() { FwRegisterDialogTemplates(kTemplate, std::size(kTemplate)); }
} registered;
const WizardPageRegistration<CDbfetchDlg> registeredPage(CDbfetchDlg::IDD);

// The table types the catalogue call may list.
const char* const kTableTypeFilters[] = {
    "'TABLE'",
    "'SYSTEM TABLE'",
    "'ALIAS'",
    "'SYNONYM'",
    "'TABLE','SYSTEM TABLE'",
    "'TABLE','SYSTEM TABLE','ALIAS'",
    "'TABLE','SYSTEM TABLE','ALIAS','SYNONYM'",
};
constexpr int kExcelTableTypes = 4;

const UINT kTextFormatStrings[] = {61576, 61577, 61578};

bool IsTextType(int type) { return type == kSourceText || type == kSourceMyob || type == kSourceQuickBooks; }
bool HasFormatControls(int type) { return IsTextType(type) || type == kSourceQuillonShop; }

struct SplitPath {
  CString folder;  // without a trailing separator; empty when the path has none
  CString name;
  CString extension;  // with its dot
};

SplitPath Split(const CString& path) {
  SplitPath split;
  int slash = std::max(path.ReverseFind('/'), path.ReverseFind('\\'));
  CString file = path.Mid(slash + 1);
  if (slash >= 0) split.folder = WithoutTrailingSeparator(path.Left(slash + 1));
  int dot = file.ReverseFind('.');
  split.name = dot >= 0 ? file.Left(dot) : file;
  split.extension = dot >= 0 ? file.Mid(dot) : CString();
  return split;
}

// The file a source names exists; a dBase or Paradox table, which its
// driver finds by name without regard to case, also in another case.
bool SourceFileExists(const CString& path, int type) {
  if (FileExists(path)) return true;
  if (type != kSourceDBase && type != kSourceParadox) return false;
  namespace fs = std::filesystem;
  const fs::path native(static_cast<LPCTSTR>(FwNativePath(path)));
  std::error_code error;
  for (fs::directory_iterator entry(native.parent_path(), error), end; !error && entry != end; entry.increment(error))
    if (entry->is_regular_file(error) && strcasecmp(entry->path().filename().c_str(), native.filename().c_str()) == 0)
      return true;
  return false;
}

}  // namespace

int CDbfetchDlg::TypeFromExtension(const CString& extension, int currentType) {
  CString ext = extension;
  ext.MakeLower();
  if (ext.IsEmpty() && currentType == kSourceDataSourceName) return kSourceDataSourceName;
  if (ext == "mdb" || ext == ".mdb") return kSourceAccess;
  if (ext == "dbf" || ext == ".dbf") return kSourceDBase;
  if (ext == "db" || ext == ".db" || ext == "mb" || ext == ".mb") return kSourceParadox;
  if (ext == "xls" || ext == ".xls") return kSourceExcel;
  if (ext == "txt" || ext == "csv" || ext == ".txt" || ext == ".csv")
    return currentType == kSourceMyob || currentType == kSourceQuickBooks ? currentType : kSourceText;
  return kSourceNone;
}

BOOL CDbfetchDlg::OnCmdMsg(UINT id, UINT code) {
  static const FwHandler<CDbfetchDlg> handlers[] = {
      {IDC_FORMAT, CBN_SELCHANGE, &CDbfetchDlg::OnSelChangeFormat},
      {IDC_DELIMITER, EN_KILLFOCUS, &CDbfetchDlg::OnKillFocusDelimiter},
      {IDC_FILE_NAME, EN_KILLFOCUS, &CDbfetchDlg::OnKillFocusFileName},
      {IDC_BROWSE, BN_CLICKED, &CDbfetchDlg::OnBrowse},
      {IDC_EDIT_DSN, BN_CLICKED, &CDbfetchDlg::OnEditDsn},
      {0, 0, nullptr},
  };
  return FwRunHandler(*this, handlers, id, code) || CWizardPage::OnCmdMsg(id, code);
}

void CDbfetchDlg::DoDataExchange(CDataExchange* pDX) {
  DDX_Control(pDX, IDC_HELP_TEXT, helpText_);
  DDX_Control(pDX, IDC_FORMAT, formatCombo_);
  DDX_Control(pDX, IDC_TABLE_TYPE, tableTypeCombo_);
  DDX_Text(pDX, IDC_FILE_NAME, fileName_);
  DDX_Text(pDX, IDC_DELIMITER, delimiter_);
}

BOOL CDbfetchDlg::OnInitDialog() {
  CWizardPage::OnInitDialog();
  LocalizeDialogTexts(*this);
  Sheet().SetTitle(LoadResString(20001));
  formatIndex_ = kCsvDelimited;
  ClearReadOnly(ProgramIniPath());
  Control<CButton>(IDC_ADVANCED).ShowWindow(FALSE);
  Control<CButton>(IDC_ALL_FIELDS).ShowWindow(FALSE);
  Control<CButton>(IDC_ALL_FIELDS).SetCheck(BST_CHECKED);
  for (const char* filter : kTableTypeFilters) tableTypeCombo_.AddString(filter);
  tableTypeCombo_.SetCurSel(Sheet().m_typDatabase == kSourceExcel ? kExcelTableTypes : 0);
  tableTypeCombo_.ShowWindow(FALSE);
  for (UINT id : kTextFormatStrings) formatCombo_.AddString(LoadResString(id));
  UpdateData(TRUE);
  return TRUE;
}

BOOL CDbfetchDlg::OnSetActive() {
  CWizardPage::OnSetActive();
  CMainSheet& sheet = Sheet();
  if (sheet.m_typDatabase == kSourceNone) sheet.m_typDatabase = kSourceAccess;
  sheet.m_nOptionCount = 0;
  sheet.m_nChoiceCount = 0;
  const DbTypeEntry* chosen = ChosenDbType();
  SetDlgItemText(IDC_TYPE_TEXT, chosen != nullptr ? chosen->displayText : CString());
  if (sheet.m_strDBName.IsEmpty()) {
    CString remembered = chosen != nullptr ? chosen->file : CString();
    BOOL keepAsIs = HasFolderPart(remembered) || remembered.IsEmpty() || sheet.m_typDatabase == kSourceDataSourceName;
    fileName_ = keepAsIs ? remembered : JoinPath(GetAppDirectory(), remembered);
  } else {
    fileName_ = sheet.m_strDBName;
  }
  CString format = CIniFile(ProgramIniPath()).GetString("Plain Text", "Format");
  if (format.CompareNoCase("TabDelimited") == 0)
    formatIndex_ = kTabDelimited;
  else if (format.CompareNoCase("CSVDelimited") == 0)
    formatIndex_ = kCsvDelimited;
  else if (format.CompareNoCase("Delimited") == 0 || format.Left(10).CompareNoCase("Delimited(") == 0)
    formatIndex_ = kCustomDelimited;
  // schema.ini goes beside the file shown, also before the file name is
  // edited.
  CString shownFolder = Split(fileName_).folder;
  if (!shownFolder.IsEmpty()) sourceFolder_ = shownFolder;
  formatCombo_.SetCurSel(formatIndex_);
  SetDlgItemText(IDC_FILE_NAME, fileName_);
  ShowTypeControls();
  ShowFormatControls();
  ShowAdvancedControls();
  ShowHelpText();
  sheet.PostWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
  tableTypeCombo_.ShowWindow(FALSE);
  return TRUE;
}

void CDbfetchDlg::ShowTypeControls() {
  BOOL dataSource = Sheet().m_typDatabase == kSourceDataSourceName;
  for (UINT id : {IDC_LOGIN_LABEL, IDC_LOGIN, IDC_PASSWORD_LABEL, IDC_PASSWORD})
    RequireDlgItem(id)->ShowWindow(dataSource);
  SetDlgItemText(IDC_FILE_LABEL, LoadResString(dataSource ? 51657 : 60103));
  RequireDlgItem(IDC_BROWSE)->ShowWindow(!dataSource);
}

void CDbfetchDlg::ShowFormatControls() {
  BOOL shown = HasFormatControls(Sheet().m_typDatabase);
  for (UINT id : {IDC_FORMAT_LABEL, IDC_FORMAT, IDC_DELIMITER_LABEL, IDC_DELIMITER})
    RequireDlgItem(id)->ShowWindow(shown);
  if (!shown) return;
  BOOL custom = formatCombo_.GetCurSel() == kCustomDelimited;
  RequireDlgItem(IDC_DELIMITER_LABEL)->EnableWindow(custom);
  RequireDlgItem(IDC_DELIMITER)->EnableWindow(custom);
  formatCombo_.SetCurSel(formatIndex_);
}

void CDbfetchDlg::ShowAdvancedControls() {
  RequireDlgItem(IDC_CONNECTION)->ShowWindow(Sheet().m_bAdvancedMode);
  RequireDlgItem(IDC_EDIT_DSN)->ShowWindow(Sheet().m_bAdvancedMode);
}

void CDbfetchDlg::ShowHelpText() {
  CString text;
  switch (Sheet().m_typDatabase) {
    case kSourceAccess: text = LoadResString(21014); break;
    case kSourceExcel: text = LoadResString(21013); break;
    case kSourceText:
    case kSourceQuillonShop: text = LoadResString(21007); break;
    case kSourceDBase: text.Format(LoadResString(21009), static_cast<LPCTSTR>(LoadResString(51662))); break;
    case kSourceMyob: text = LoadResString(21011); break;
    case kSourceQuickBooks: text = LoadResString(21012); break;
    case kSourceDataSourceName: text = LoadResString(21008); break;
    case kSourceParadox: text.Format(LoadResString(21015), static_cast<LPCTSTR>(LoadResString(51662))); break;
    default: text = LoadResString(21221); break;
  }
  helpText_.SetWindowText(text);
}

void CDbfetchDlg::OnSelChangeFormat() {
  formatChosen_ = TRUE;
  BOOL custom = formatCombo_.GetCurSel() == kCustomDelimited;
  RequireDlgItem(IDC_DELIMITER_LABEL)->EnableWindow(custom);
  RequireDlgItem(IDC_DELIMITER)->EnableWindow(custom);
  UpdateData(TRUE);
}

void CDbfetchDlg::OnKillFocusDelimiter() { CheckAndWriteSchema(FALSE); }

void CDbfetchDlg::OnKillFocusFileName() { UpdateFromFileName(); }

CString CDbfetchDlg::ParseSourceFile() {
  CString text = GetDlgItemText(IDC_FILE_NAME);
  if (text.IsEmpty()) return CString();
  SplitPath split = Split(text);
  if (split.folder.IsEmpty() && !IsAbsolutePath(text)) {
    text = JoinPath(GetAppDirectory(), text);
    split = Split(text);
  }
  if (split.folder.CompareNoCase(sourceFolder_) != 0) sourceFolder_ = split.folder;
  ReportUnsavedSetting(CIniFile(ProgramIniPath()).WriteString("General ConnStr Info", "DefaultDir", split.folder),
                       "DefaultDir");

  CMainSheet& sheet = Sheet();
  sheet.m_strSourceFilePart = "DBQ=";
  int type = TypeFromExtension(split.extension, sheet.m_typDatabase);
  if (type != kSourceNone) sheet.m_typDatabase = type;
  if (!IsTextType(sheet.m_typDatabase) && sheet.m_typDatabase != kSourceDataSourceName)
    sheet.m_strSourceFilePart += QuotedConnectionValue(text);
  if (sheet.m_strDBName != text) {
    sheet.m_strDBName = text;
    sheet.m_bTablesLoaded = FALSE;
    sheet.m_nOptionCount = 0;
    sheet.m_nChoiceCount = 0;
  }
  CString extension = split.extension;
  extension.MakeLower();
  return extension;
}

void CDbfetchDlg::UpdateFromFileName() {
  CMainSheet& sheet = Sheet();
  if (sheet.m_typDatabase != kSourceDataSourceName) {
    if (ParseSourceFile().IsEmpty()) return;
    if (!(HasFormatControls(sheet.m_typDatabase) &&
          (formatCombo_.GetCurSel() == kCustomDelimited || formatChosen_)))
      ShowFormatControls();
  }
  if (sheet.m_typDatabase != kSourceNone) {
    sheet.m_strTableType = tableTypeCombo_.GetWindowText();
    sheet.m_strConnectionString = sheet.BuildConnectionString(sheet.m_typDatabase);
    if (sheet.m_typDatabase != kSourceDataSourceName) {
      CString& connection = sheet.m_strConnectionString;
      if (!connection.IsEmpty() && connection[connection.GetLength() - 1] != ';') connection += ";";
      connection += sheet.m_strSourceFilePart;
      if (IsTextType(sheet.m_typDatabase)) connection += ";";
    }
    if (sheet.m_typDatabase == kSourceExcel) sheet.m_strTableType = kTableTypeFilters[kExcelTableTypes];
    SetDlgItemText(IDC_CONNECTION, sheet.m_strConnectionString);
    UpdateData(TRUE);
  }
  if (IsTextType(sheet.m_typDatabase)) CheckAndWriteSchema(TRUE);
}

BOOL CDbfetchDlg::CheckAndWriteSchema(BOOL byExtension) {
  CString delimiter = GetDlgItemText(IDC_DELIMITER);
  int formatIndex = formatCombo_.GetCurSel();
  // The format by extension does not use the delimiter: a bad one is told
  // once, when it is used. "Custom Delimited" needs one character: an
  // empty delimiter would be written as a NUL.
  if (!byExtension && (!IsValidDelimiter(delimiter) || (formatIndex == kSchemaCustom && delimiter.IsEmpty()))) {
    AfxMessageBox(51658, MB_OK | MB_ICONEXCLAMATION);
    return FALSE;
  }
  // The format written by extension is the format the file is read with
  // unless the person picks another: the combo shows it, so that Next
  // writes it again instead of the combo's earlier one.
  if (byExtension && !formatChosen_ && formatIndex != kSchemaCustom) {
    formatIndex = Split(GetDlgItemText(IDC_FILE_NAME)).extension.CompareNoCase(".txt") == 0 ? kSchemaTab : kSchemaCsv;
    formatCombo_.SetCurSel(formatIndex);
  }
  formatIndex_ = formatIndex;
  return WriteSchemaIni(sourceFolder_, GetDlgItemText(IDC_FILE_NAME), delimiter, formatIndex_, byExtension);
}

BOOL CDbfetchDlg::WriteSchemaIni(const CString& folder, const CString& fileName, const CString& delimiter,
                                 int formatIndex, BOOL byExtension) {
  SplitPath split = Split(fileName);
  CString section = split.name + split.extension;
  CString format = SchemaFormatValue(byExtension, split.extension, formatIndex, delimiter, LocaleListSeparator());
  // The source is read with schema.ini's format: without it the page stays.
  // A file name no section can hold (a ']' in it) gets none: the
  // connection string carries the same format for it.
  const bool sectionPossible = section.Find(']') < 0 && section.Find('\n') < 0 && section.Find('\r') < 0;
  if (sectionPossible && !ReportUnsavedSetting(WriteSchemaFormat(folder, section, format), "Format")) return FALSE;
  ReportUnsavedSetting(CIniFile(ProgramIniPath()).WriteString("Plain Text", "Format", format), "Format");
  Sheet().m_strConnectionString = Sheet().BuildConnectionString(Sheet().m_typDatabase);
  return TRUE;
}

void CDbfetchDlg::OnBrowse() {
  const DbTypeEntry* chosen = ChosenDbType();
  FwFileRequest request{};
  request.open = TRUE;
  request.initialDir = WithoutTrailingSeparator(sourceFolder_.IsEmpty() ? GetAppDirectory() : sourceFolder_);
  if (chosen != nullptr) request.fileName = CString(chosen->wildcard).SpanExcluding(";");
  if (Sheet().m_typDatabase < kSourceDataSourceName && chosen != nullptr) {
    request.filter = chosen->filter;
    for (const DbTypeEntry& entry : DbTypeTable)
      if (&entry != chosen) request.filter += CString("|") + entry.filter;
    request.filter += "|Database Files (*.mdb,*.xls,*.txt,*.csv,*.dbf)|*.mdb;*.xls;*.txt;*.csv;*.dbf||";
  }
  CString path;
  if (!FwGetPrompts().AskFileName(request, path)) return;
  SplitPath split = Split(path);
  fileName_ = split.name + split.extension;
  SetDlgItemText(IDC_FILE_NAME, path);
  if (!split.folder.IsEmpty()) sourceFolder_ = split.folder;
  typeFromExtension_ = TypeFromExtension(split.extension, Sheet().m_typDatabase);
  UpdateFromFileName();
}

void CDbfetchDlg::OnEditDsn() {
  CMainSheet& sheet = Sheet();
  CSqlItemPickDlg picker(sheet.m_strConnectionString, CSqlItemPickDlg::kConnectionString);
  if (picker.DoModal() != IDOK) return;
  CString text = picker.GetConnectionString();
  if (text.IsEmpty()) return;
  ParseConnectionString(text, sheet.m_typDatabase, ProgramIniPath());
  sheet.m_strConnectionString = text;
  SetDlgItemText(IDC_CONNECTION, text);
}

BOOL CDbfetchDlg::ValidateSource(BOOL checkFile) {
  CMainSheet& sheet = Sheet();
  switch (sheet.m_typDatabase) {
    case kSourceAccess:
    case kSourceExcel:
    case kSourceText:
    case kSourceMyob:
    case kSourceQuickBooks:
    case kSourceQuillonShop:
    case kSourceParadox:
    case kSourceDBase:
      UpdateFromFileName();
      // A dBase or Paradox driver reads its file's folder: without this
      // check a missing file would show the folder's other tables.
      if (checkFile && !SourceFileExists(sheet.m_strDBName, sheet.m_typDatabase)) {
        CString message;
        message.Format(LoadResString(51653), static_cast<LPCTSTR>(sheet.m_strDBName));
        FwMessageBoxFromString(51653, message, MB_OK | MB_ICONSTOP);
        return FALSE;
      }
      if (sheet.m_typDatabase == kSourceParadox || sheet.m_typDatabase == kSourceDBase)
        sheet.m_strConnectionString = sheet.BuildConnectionString(sheet.m_typDatabase);
      break;
    case kSourceDataSourceName:
      sheet.m_strConnectionString =
          DataSourceString(GetDlgItemText(IDC_FILE_NAME), GetDlgItemText(IDC_LOGIN), GetDlgItemText(IDC_PASSWORD));
      break;
  }
  SetDlgItemText(IDC_CONNECTION, sheet.m_strConnectionString);
  return TRUE;
}

LRESULT CDbfetchDlg::OnWizardNext() {
  UpdateData(TRUE);
  CMainSheet& sheet = Sheet();
  sheet.m_nAllFields = 1;
  if (!ValidateSource(TRUE)) return -1;
  sheet.BuildMappingColumns();
  // A data source's name is no path: its separators become '_', so that
  // its mapping file stays in the program folder whatever the name holds.
  CString sourceName = fileName_;
  if (sheet.m_typDatabase == kSourceDataSourceName) {
    sourceName.Replace('/', '_');
    sourceName.Replace('\\', '_');
  }
  SplitPath split = Split(sourceName);
  CString cfgName = split.name + (split.extension.IsEmpty() ? CString() : "_" + split.extension.Mid(1)) + ".cfg";
  cfgName.MakeLower();
  // A source without a folder (a data source name) keeps its mapping file
  // in the program folder, never in whatever folder the program runs in.
  sheet.m_strCfgFilename = JoinPath(split.folder.IsEmpty() ? GetAppDirectory() : split.folder, cfgName);
  if (HasFormatControls(sheet.m_typDatabase) && !CheckAndWriteSchema(FALSE)) return -1;
  return CWizardPage::OnWizardNext();
}

void CDbfetchDlg::WinHelp() { ShowHelpPage(924); }
