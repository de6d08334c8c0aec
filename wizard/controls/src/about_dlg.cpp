// The About dialog and its resource.
#include "about_dlg.h"

#include "localisation.h"

namespace {

const FwControlTemplate kAboutControls[] = {
    {CAboutDlg::IDC_VERSION_LINE, FwControlKind::Static, "", FALSE, FALSE},
    {IDOK, FwControlKind::Button, "OK", TRUE, FALSE},
};
const FwDialogTemplate kAboutTemplate[] = {
    {CAboutDlg::IDD, "About,20006", kAboutControls, std::size(kAboutControls)},
};

struct Registered {
  Registered() { FwRegisterDialogTemplates(kAboutTemplate, std::size(kAboutTemplate)); }
} registered;

}  // namespace

BOOL CAboutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  LocalizeDialogTexts(*this);
  CString line;
  line.Format(LoadResString(32901), static_cast<LPCTSTR>(versionText_));
  SetDlgItemText(IDC_VERSION_LINE, line);
  return TRUE;
}
