// The page that names the source: a database file for the file-based types
// or a data source with login and password. It turns the choice into the
// sheet's source type, file, connection string and mapping file name,
// remembers the driver settings in tallyport.ini and writes schema.ini
// beside a delimited text file.
#pragma once

#include "tinted_edit.h"
#include "wizard_page.h"

class CDbfetchDlg : public CWizardPage {
 public:
  enum : UINT {
    IDD = 20001,
    IDC_HELP_TEXT = 21241,
    IDC_TYPE_TEXT = 1151,
    IDC_FILE_LABEL = 60103,
    IDC_FILE_NAME = 21186,
    IDC_BROWSE = 21114,
    IDC_LOGIN_LABEL = 21238,
    IDC_LOGIN = 21239,
    IDC_PASSWORD_LABEL = 21240,
    IDC_PASSWORD = 21242,
    IDC_FORMAT_LABEL = 21245,
    IDC_FORMAT = 21249,
    IDC_DELIMITER_LABEL = 21246,
    IDC_DELIMITER = 21247,
    IDC_TABLE_TYPE = 21124,
    IDC_CONNECTION = 21173,
    IDC_EDIT_DSN = 21232,
    IDC_ADVANCED = 21185,
    IDC_ALL_FIELDS = 1176,
  };
  // The text formats of the format combo.
  enum TextFormat { kCsvDelimited = 0, kTabDelimited = 1, kCustomDelimited = 2 };

  explicit CDbfetchDlg(CMainSheet& sheet) : CWizardPage(IDD, sheet) {}

  BOOL OnInitDialog() override;
  // Shows the chosen type, the file (the sheet's, else the type's
  // remembered one), the stored text format and the controls of the type.
  BOOL OnSetActive() override;
  // Checks the source, makes the mapping columns, names the mapping file
  // and writes schema.ini for text sources; stays when a check fails.
  LRESULT OnWizardNext() override;
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnCmdMsg(UINT id, UINT code) override;
  // Opens the page's help (context 924).
  void WinHelp();
  BOOL OnHelp() override {
    WinHelp();
    return TRUE;
  }

  // The source type of a file extension (with or without its dot, any
  // case) while the sheet's type is currentType.
  static int TypeFromExtension(const CString& extension, int currentType);

 private:
  void OnSelChangeFormat();
  void OnKillFocusDelimiter();
  void OnKillFocusFileName();
  void OnBrowse();
  // Edits the connection string in the item picker; its keys are stored in
  // tallyport.ini.
  void OnEditDsn();

  // Takes the typed file apart: the folder is remembered, the type follows
  // the extension, the sheet's source file and file part are set. Returns
  // the extension lower-cased ("" for no text).
  CString ParseSourceFile();
  void UpdateFromFileName();
  BOOL CheckAndWriteSchema(BOOL byExtension);
  BOOL WriteSchemaIni(const CString& folder, const CString& fileName, const CString& delimiter, int formatIndex,
                      BOOL byExtension);
  BOOL ValidateSource(BOOL checkFile);
  void ShowTypeControls();
  void ShowFormatControls();
  void ShowAdvancedControls();
  void ShowHelpText();

  CTintedEdit helpText_;
  CString fileName_;       // bound to the file-name edit
  CComboBox formatCombo_;
  CComboBox tableTypeCombo_;
  CString sourceFolder_;   // the remembered source folder
  int typeFromExtension_ = kSourceNone;
  BOOL formatChosen_ = FALSE;
  CString delimiter_;      // bound to the delimiter edit
  int formatIndex_ = kCsvDelimited;
};
