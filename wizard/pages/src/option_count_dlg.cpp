// The option-count dialog and its resource.
#include "option_count_dlg.h"

#include <cstdlib>

#include "localisation.h"
#include "mapping_file.h"

namespace {

const FwControlTemplate kControls[] = {
    {0xFFFF, FwControlKind::Static, "Options:", FALSE, FALSE},
    {COptionCountDlg::IDC_OPTIONS, FwControlKind::ComboBox, "", TRUE, FALSE},
    {0xFFFF, FwControlKind::Static, "Choices per option:", FALSE, FALSE},
    {COptionCountDlg::IDC_CHOICES, FwControlKind::ComboBox, "", FALSE, FALSE},
    {IDOK, FwControlKind::Button, "OK,7000", TRUE, FALSE},
    {IDCANCEL, FwControlKind::Button, "Cancel", FALSE, FALSE},
};
const FwDialogTemplate kTemplate[] = {
    {COptionCountDlg::IDD, "Set Number for Options and Choices,20010", kControls, std::size(kControls)},
};
struct Registered {
  Registered() { FwRegisterDialogTemplates(kTemplate, std::size(kTemplate)); }
} registered;

// Fills list with "0" to "last" and selects the entry of current.
void FillCounts(CComboBox& list, int last, int current) {
  list.ResetContent();
  for (int count = 0; count <= last; ++count) list.AddString(CString(std::to_string(count).c_str()));
  list.SetCurSel(list.FindStringExact(-1, CString(std::to_string(current).c_str())));
}

}  // namespace

BOOL COptionCountDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  LocalizeDialogTexts(*this);
  FillCounts(Control<CComboBox>(IDC_CHOICES), kMaxMappedChoices, m_nChoices);
  FillCounts(Control<CComboBox>(IDC_OPTIONS), kMaxMappedOptions, m_nOptions);
  return TRUE;
}

void COptionCountDlg::OnOK() {
  m_nOptions = std::atoi(Control<CComboBox>(IDC_OPTIONS).GetWindowText());
  m_nChoices = std::atoi(Control<CComboBox>(IDC_CHOICES).GetWindowText());
  CDialog::OnOK();
}
