// The About dialog: the program's name and version.
#pragma once

#include "ctl_dialog.h"

class CAboutDlg : public CDialog {
 public:
  enum : UINT { IDD = 20006, IDC_VERSION_LINE = 1152 };
  explicit CAboutDlg(const CString& versionText) : CDialog(IDD), versionText_(versionText) {}
  // Localises the texts and writes the version line (string 32901 with the
  // version text).
  BOOL OnInitDialog() override;

 private:
  CString versionText_;
};
