// The terminal front end: shows the running sheet or dialog full screen
// with ncurses and lets a person drive it from the keyboard; it is the
// modal host and the prompts that ask the person. Keys: Tab and Shift-Tab,
// Left and Right move the focus (Up and Down too, except in a list, where
// they move the selection); Space toggles a check box or radio button, or
// the check box of a report list's selected row; Enter presses the focused
// button; Esc cancels; typing edits the focused text box; F1 asks for the
// page's help. A progress bar moved by long work is redrawn at once. The
// file dialog lists the folder's entries that fit the filter.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "ctl_controls.h"
#include "ctl_dialog.h"
#include "ctl_prompts.h"

class FwTerminal : public FwModalHost, public FwPrompts {
 public:
  // Starts the full-screen terminal; the destructor gives the terminal back.
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
  // Opens the document with xdg-open; FALSE when that is not installed or
  // cannot be started.
  BOOL OpenDocument(const CString& path) override;

 private:
  // A place the focus can be: a control, or a wizard button (control null).
  struct Focusable {
    CWnd* control;
    int button;
  };
  struct Frame {
    CDialog* dialog;
    CPropertySheet* sheet;
    CWnd* shown = nullptr;  // the page the focus belongs to
    size_t focus = 0;
  };
  void Run(Frame& frame);
  CWnd& Window(Frame& frame);
  std::vector<Focusable> FocusList(Frame& frame);
  void Draw(Frame& frame);
  void HandleKey(Frame& frame, int key);
  // Asks for one line of text in a box; FALSE when the person pressed Esc.
  bool AskLine(const std::string& title, std::string& text);
  // Asks for a path, listing the entries of its folder that match patterns
  // ("*.csv"); FALSE when the person pressed Esc.
  bool AskPath(const std::string& title, const std::vector<std::string>& patterns, std::string& path);
  // Redraws the window in front (a progress bar moved).
  static void ShowProgress(CProgressCtrl& bar);
  static FwTerminal* installed_;

  std::vector<Frame*> frames_;
  FwModalHost* previousHost_ = nullptr;
  FwPrompts* previousPrompts_ = nullptr;
  FwProgressShown previousProgress_ = nullptr;
};
