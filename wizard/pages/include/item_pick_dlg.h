// The item picker (dialog 20011): a small list editor for a statement
// (mode 0, entries split at ','), a connection string (mode 1) or a
// configuration string (mode 2), both split at ';'. An entry is picked,
// its value edited and applied; OK joins the entries back.
#pragma once

#include <vector>

#include "ctl_dialog.h"

// Splits text at separator; a separator between a '{' and its matching '}'
// does not split. With ',' every piece but the last keeps its trailing
// ','. Empty pieces are kept; the last piece runs to the end of the text.
std::vector<CString> SplitPickerEntries(const CString& text, char separator);

class CSqlItemPickDlg : public CDialog {
 public:
  enum : UINT {
    IDD = 20011,
    IDC_ITEMS = 21101,
    IDC_KEY = 21112,
    IDC_VALUE = 21113,
    IDC_APPLY = 21235,
    IDC_CANCEL_EDIT = 21175,
  };
  enum Mode { kStatement = 0, kConnectionString = 1, kConfiguration = 2 };

  // One text to edit in mode.
  CSqlItemPickDlg(const CString& text, Mode mode);
  // Several statement texts, one entry each (mode 0).
  explicit CSqlItemPickDlg(const std::vector<CString>& texts);

  // The joined entries after OK, when they were not empty; else as before.
  const CString& GetStatement() const { return m_strStatement; }
  const CString& GetConnectionString() const { return m_strConnectionString; }
  const CString& GetConfiguration() const { return m_strConfiguration; }

  BOOL OnInitDialog() override;
  void OnOK() override;
  BOOL OnCmdMsg(UINT id, UINT code) override;

 private:
  void OnSelectEntry();
  void OnValueChanged();
  void OnApply();
  void OnCancelEdit();
  CString Joined() const;

  Mode m_nMode;
  std::vector<CString> m_aInputs;
  std::vector<CString> m_aEntries;
  CString m_strStatement;
  CString m_strConnectionString;
  CString m_strConfiguration;
};
