// Dialogs: creation from the template, data exchange, the modal run.
#include "ctl_dialog.h"

#include <string>

namespace {
FwModalHost* g_host = nullptr;
}

FwModalHost* FwSetModalHost(FwModalHost* host) {
  FwModalHost* previous = g_host;
  g_host = host;
  return previous;
}

FwModalHost* FwGetModalHost() { return g_host; }

void CDialog::Create() {
  if (created_) return;
  FwCreateControls(*this, FwFindDialogTemplate(templateId_));
  created_ = TRUE;
  ended_ = FALSE;
  OnInitDialog();
}

void CDialog::DestroyWindow() {
  DestroyChildren();
  created_ = FALSE;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange exchange(*this, saveAndValidate);
  try {
    DoDataExchange(&exchange);
  } catch (const FwDataExchangeFailure&) {
    return FALSE;
  }
  return TRUE;
}

int CDialog::DoModal() {
  if (g_host == nullptr) throw FwControlError("no front end to run dialog " + std::to_string(templateId_));
  Create();
  if (!ended_) g_host->RunDialog(*this);
  DestroyWindow();
  return result_;
}

void CDialog::EndDialog(int result) {
  result_ = result;
  ended_ = TRUE;
}

void CDialog::OnOK() {
  if (UpdateData(TRUE)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::OnCmdMsg(UINT id, UINT code) {
  if (code != BN_CLICKED) return FALSE;
  if (id == IDOK) {
    OnOK();
    return TRUE;
  }
  if (id == IDCANCEL) {
    OnCancel();
    return TRUE;
  }
  return FALSE;
}
