// The item picker and its resource.
#include "item_pick_dlg.h"

#include "localisation.h"

namespace {

const FwControlTemplate kControls[] = {
    {CSqlItemPickDlg::IDC_ITEMS, FwControlKind::ListBox, "", TRUE, FALSE},
    {CSqlItemPickDlg::IDC_KEY, FwControlKind::Static, "", FALSE, TRUE},
    {CSqlItemPickDlg::IDC_VALUE, FwControlKind::Edit, "", FALSE, TRUE},
    {CSqlItemPickDlg::IDC_APPLY, FwControlKind::Button, "&Apply", FALSE, TRUE},
    {IDOK, FwControlKind::Button, "OK,7000", FALSE, FALSE},
    {CSqlItemPickDlg::IDC_CANCEL_EDIT, FwControlKind::Button, "&Cancel", FALSE, FALSE},
};
const FwDialogTemplate kTemplate[] = {
    {CSqlItemPickDlg::IDD, "Edit Items,20011", kControls, std::size(kControls)},
};
struct Registered {
  Registered() { FwRegisterDialogTemplates(kTemplate, std::size(kTemplate)); }
} registered;

// The OK button's caption string by mode.
constexpr UINT kOkCaption[] = {61526, 61527, 61528};

}  // namespace

std::vector<CString> SplitPickerEntries(const CString& text, char separator) {
  std::vector<CString> pieces;
  int start = 0;
  for (int i = 0; i < text.GetLength(); ++i) {
    if (text[i] == '{') {
      int close = i;
      for (int depth = 0, j = i; j < text.GetLength(); ++j) {
        if (text[j] == '{') ++depth;
        if (text[j] == '}' && --depth == 0) {
          close = j;
          break;
        }
      }
      i = close;  // an unmatched '{' is an ordinary character
      continue;
    }
    if (text[i] != separator) continue;
    pieces.push_back(text.Mid(start, i - start + (separator == ',' ? 1 : 0)));
    start = i + 1;
  }
  pieces.push_back(text.Mid(start));
  return pieces;
}

CSqlItemPickDlg::CSqlItemPickDlg(const CString& text, Mode mode) : CDialog(IDD), m_nMode(mode), m_aInputs{text} {}

CSqlItemPickDlg::CSqlItemPickDlg(const std::vector<CString>& texts) : CDialog(IDD), m_nMode(kStatement), m_aInputs(texts) {}

BOOL CSqlItemPickDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  LocalizeDialogTexts(*this);
  for (UINT id : {UINT(IDC_KEY), UINT(IDC_VALUE), UINT(IDC_APPLY)}) RequireDlgItem(id)->ShowWindow(TRUE);
  RequireDlgItem(IDOK)->EnableWindow(FALSE);
  RequireDlgItem(IDC_APPLY)->EnableWindow(FALSE);
  SetDlgItemText(IDOK, LoadResString(kOkCaption[m_nMode]));
  if (m_nMode == kStatement && m_aInputs.size() == 1) {
    SetWindowText("SQL Statement");
    m_aEntries = SplitPickerEntries(m_aInputs[0], ',');
  } else if (m_nMode == kStatement) {
    SetWindowText("Click and select an item:");
    m_aEntries = m_aInputs;
  } else {
    m_aEntries = SplitPickerEntries(m_aInputs.empty() ? CString() : m_aInputs[0], ';');
  }
  CListBox& list = Control<CListBox>(IDC_ITEMS);
  for (const CString& entry : m_aEntries) list.AddString(entry);
  return TRUE;
}

BOOL CSqlItemPickDlg::OnCmdMsg(UINT id, UINT code) {
  if (id == IDC_ITEMS && code == LBN_SELCHANGE) return OnSelectEntry(), TRUE;
  if (id == IDC_VALUE && code == EN_CHANGE) return OnValueChanged(), TRUE;
  if (id == IDC_APPLY && code == BN_CLICKED) return OnApply(), TRUE;
  if (id == IDC_CANCEL_EDIT && code == BN_CLICKED) return OnCancelEdit(), TRUE;
  return CDialog::OnCmdMsg(id, code);
}

void CSqlItemPickDlg::OnSelectEntry() {
  int index = Control<CListBox>(IDC_ITEMS).GetCurSel();
  if (index < 0 || index >= static_cast<int>(m_aEntries.size())) return;
  const CString& entry = m_aEntries[index];
  int equals = m_nMode == kStatement ? -1 : entry.Find('=');
  SetDlgItemText(IDC_KEY, equals < 0 ? CString() : entry.Left(equals));
  SetDlgItemText(IDC_VALUE, equals < 0 ? entry : entry.Mid(equals + 1));
}

void CSqlItemPickDlg::OnValueChanged() {
  RequireDlgItem(IDC_APPLY)->EnableWindow(TRUE);
  RequireDlgItem(IDOK)->EnableWindow(FALSE);
}

void CSqlItemPickDlg::OnApply() {
  CListBox& list = Control<CListBox>(IDC_ITEMS);
  int index = list.GetCurSel();
  if (index < 0 || index >= static_cast<int>(m_aEntries.size())) return;
  CString key = GetDlgItemText(IDC_KEY);
  CString entry = key.IsEmpty() ? GetDlgItemText(IDC_VALUE) : key + "=" + GetDlgItemText(IDC_VALUE);
  m_aEntries[index] = entry;
  list.DeleteString(index);
  list.InsertString(index, entry);
  list.SetCurSel(index);
  RequireDlgItem(IDOK)->EnableWindow(TRUE);
  RequireDlgItem(IDC_APPLY)->EnableWindow(FALSE);
}

void CSqlItemPickDlg::OnCancelEdit() { EndDialog(IDCANCEL); }

CString CSqlItemPickDlg::Joined() const {
  CString joined;
  for (const CString& entry : m_aEntries) joined += m_nMode == kStatement ? entry : entry + ";";
  return joined;
}

void CSqlItemPickDlg::OnOK() {
  CString joined = Joined();
  if (!joined.IsEmpty()) {
    if (m_nMode == kStatement) m_strStatement = joined;
    if (m_nMode == kConnectionString) m_strConnectionString = joined;
    if (m_nMode == kConfiguration) m_strConfiguration = joined;
  }
  EndDialog(IDOK);
}
