// The property sheet in wizard mode: an ordered list of pages, one active,
// and the Back, Next, Finish and Cancel buttons whose state the pages set
// with the wizard button bits.
//
// Page flow (each step a page can refuse):
// - Next: the page's OnWizardNext answers 0 (the page after it in the list
//   as the list stands after the handler), -1 (stay) or a dialog id (that
//   page). Back the same with OnWizardBack (the page before it).
// - Leaving runs the page's OnKillActive (which reads its controls back;
//   FALSE stays), then the new page is made at its first activation
//   (OnInitDialog) and gets OnSetActive (FALSE: the move goes on past it in
//   the same direction).
// - Finish: OnWizardFinish answering FALSE (0) or -1 stays; else the sheet
//   ends with ID_WIZFINISH. Cancel: OnQueryCancel FALSE stays; else the
//   page's OnCancel runs and the sheet ends with IDCANCEL.
// - Buttons posted by a handler (PostWizardButtons) apply after the handler
//   returns; SetWizardButtons applies at once.
#pragma once

#include <deque>
#include <vector>

#include "ctl_dialog.h"

// Wizard button bits.
enum : DWORD { PSWIZB_BACK = 0x1, PSWIZB_NEXT = 0x2, PSWIZB_FINISH = 0x4, PSWIZB_DISABLEDFINISH = 0x8 };
// Buttons a front end presses.
enum : int { PSBTN_BACK = 0, PSBTN_NEXT = 1, PSBTN_FINISH = 2, PSBTN_CANCEL = 5 };
// The result of a sheet ended with Finish.
enum : int { ID_WIZFINISH = 0x3025 };

class CPropertyPage : public CDialog {
 public:
  explicit CPropertyPage(UINT templateId) : CDialog(templateId) {}
  CPropertySheet* GetSheet() const { return sheet_; }

  // Default: the controls show the members again (after the first time).
  virtual BOOL OnSetActive();
  // Default: the controls are read back.
  virtual BOOL OnKillActive();
  virtual LRESULT OnWizardNext() { return 0; }
  virtual LRESULT OnWizardBack() { return 0; }
  virtual BOOL OnWizardFinish() { return TRUE; }
  virtual BOOL OnQueryCancel() { return TRUE; }
  void OnCancel() override {}
  void OnOK() override {}
  // Marks the page changed (pages call it when a control is edited).
  void SetModified(BOOL changed = TRUE) { modified_ = changed; }
  BOOL IsModified() const { return modified_; }

 private:
  friend class CPropertySheet;
  CPropertySheet* sheet_ = nullptr;
  BOOL firstSetActive_ = TRUE;
  BOOL modified_ = FALSE;
};

class CPropertySheet : public CWnd {
 public:
  explicit CPropertySheet(LPCTSTR caption = "") { SetWindowText(caption); }
  ~CPropertySheet() override;

  void SetWizardMode() { wizard_ = TRUE; }
  BOOL IsWizard() const { return wizard_; }
  void AddPage(CPropertyPage* page);
  // Removes the page and destroys its window; its OnInitDialog runs again
  // when it is added and shown again.
  void RemovePage(CPropertyPage* page);
  void RemovePage(int index);
  int GetPageCount() const { return static_cast<int>(pages_.size()); }
  CPropertyPage* GetPage(int index) const;
  int GetPageIndex(const CPropertyPage* page) const;
  CPropertyPage* GetActivePage() const { return active_; }
  int GetActiveIndex() const { return GetPageIndex(active_); }
  // Shows the page (its window made at its first activation).
  BOOL SetActivePage(int index);
  BOOL SetActivePage(CPropertyPage* page);

  void SetTitle(LPCTSTR title) { title_ = title; }
  CString GetTitle() const { return title_; }
  void SetWizardButtons(DWORD buttons) { buttons_ = buttons; }
  // Queues a buttons mask, applied when the running handler returns.
  void PostWizardButtons(DWORD buttons) { posted_.push_back(buttons); }
  DWORD GetWizardButtons() const { return buttons_; }
  // Whether the button can be pressed now (Cancel always can).
  BOOL IsButtonEnabled(int button) const;

  // Presses a button: the page flow above. A disabled button does nothing
  // and answers FALSE.
  BOOL PressButton(int button);
  // A command or notification from a control of the active page; posted
  // buttons apply when it returns.
  BOOL SendPageCommand(UINT id, UINT code);

  // Runs the sheet: its first page is shown, then the installed front end
  // runs it until Finish or Cancel. Answers ID_WIZFINISH or IDCANCEL.
  int DoModal();
  BOOL IsEnded() const { return ended_; }
  int GetResult() const { return result_; }

 private:
  void ApplyPostedButtons();
  BOOL MoveTo(int index, int direction);
  BOOL Move(LRESULT answer, int direction);
  void Activate(CPropertyPage* page);

  std::vector<CPropertyPage*> pages_;
  CPropertyPage* active_ = nullptr;
  CString title_;
  DWORD buttons_ = PSWIZB_BACK | PSWIZB_NEXT;
  std::deque<DWORD> posted_;
  BOOL wizard_ = FALSE;
  BOOL ended_ = FALSE;
  int result_ = 0;
};
