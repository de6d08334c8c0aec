// Dialogs made from a registered template, and the modal run: DoModal makes
// the dialog's controls, runs OnInitDialog, hands the dialog to the
// installed front end until EndDialog is called, then destroys the
// controls and returns the result.
#pragma once

#include "ctl_data_exchange.h"
#include "ctl_resources.h"
#include "fw_message_box.h"

class CPropertySheet;

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId) : templateId_(templateId) {}
  UINT GetTemplateId() const { return templateId_; }

  // Makes the controls of the template and runs OnInitDialog.
  void Create();
  void DestroyWindow();
  BOOL IsCreated() const { return created_; }

  // Writes the members into the controls.
  virtual BOOL OnInitDialog();
  virtual void DoDataExchange(CDataExchange* pDX) {}
  // Exchanges data (TRUE: controls to members); FALSE when a control's text
  // failed (the person was told).
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

  int DoModal();
  void EndDialog(int result);
  BOOL IsEnded() const { return ended_; }
  int GetResult() const { return result_; }
  // OK reads the controls back and ends with IDOK; Cancel ends with
  // IDCANCEL.
  virtual void OnOK();
  virtual void OnCancel();
  BOOL OnCmdMsg(UINT id, UINT code) override;

 private:
  UINT templateId_;
  BOOL created_ = FALSE;
  BOOL ended_ = FALSE;
  int result_ = 0;
};

// What runs modal windows: the terminal front end or the scripted driver.
// Each call returns when the window has ended (IsEnded); a host that
// cannot go on throws.
class FwModalHost {
 public:
  virtual ~FwModalHost() = default;
  virtual void RunDialog(CDialog& dialog) = 0;
  virtual void RunSheet(CPropertySheet& sheet) = 0;
};

// Installs the host and returns the previous one (null: none, and DoModal
// throws FwControlError).
FwModalHost* FwSetModalHost(FwModalHost* host);
FwModalHost* FwGetModalHost();
