// The terminal front end: shows the running sheet or dialog full screen
// with the FINAL CUT text-UI toolkit and lets a person drive it by keys and
// mouse; it is the modal host and the prompts that ask the person.
// Keys: Tab and Shift-Tab move between controls, the arrows inside a list,
// grid or tree; Enter presses the focused button or opens a combo box's or
// a mapping-grid row's list (Alt-Down too); Space toggles a check box, a
// radio button or a checkable row; Alt+letter presses a caption's access
// key; F2 on a report list opens its column box; F1 asks for help; Esc
// closes an open list or dialog and, on a wizard page, asks before it
// cancels. The footer names the keys of the focused control. Texts are
// UTF-8 (the locale is taken from the environment at start); a terminal
// below a window's smallest size shows one line asking for more room.
#pragma once

#include <memory>

#include "ctl_controls.h"
#include "ctl_dialog.h"
#include "ctl_prompts.h"

class FwTerminal : public FwModalHost, public FwPrompts {
 public:
  // Takes the terminal (full screen); the destructor gives it back.
  FwTerminal();
  ~FwTerminal() override;
  FwTerminal(const FwTerminal&) = delete;
  FwTerminal& operator=(const FwTerminal&) = delete;

  // Installs the terminal as modal host and prompts; Uninstall puts back
  // what was there.
  void Install();
  void Uninstall();

  void RunDialog(CDialog& dialog) override;
  void RunSheet(CPropertySheet& sheet) override;

  int Show(const FwMessageBoxRequest& request) override;
  BOOL AskFileName(const FwFileRequest& request, CString& chosen) override;
  BOOL BrowseFolder(const CString& title, CString& chosen) override;
  // Shows an HTML or text document as text in a scrollable box; FALSE when
  // it cannot be read. Nothing is started.
  BOOL OpenDocument(const CString& path) override;

  struct Screen;

 private:
  static void ShowProgress(CProgressCtrl& bar);
  static FwTerminal* installed_;

  std::unique_ptr<Screen> screen_;
  FwModalHost* previousHost_ = nullptr;
  FwPrompts* previousPrompts_ = nullptr;
  FwProgressShown previousProgress_ = nullptr;
};
