// The scripted driver: runs the program's sheet and dialogs with no
// terminal, from a file of line commands (the language is described in the
// README, "Driving the wizard from a script"). It is the modal host and
// installs scripted prompts; a command that fails, an unknown command, a
// control that is not on the page and a message box no command answered
// end the run with FwScriptError naming the line.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "ctl_dialog.h"
#include "ctl_prompts.h"

class FwScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class FwScriptDriver : public FwModalHost {
 public:
  // The script's lines; name is used in messages ("setup.txt").
  FwScriptDriver(const std::string& name, const std::vector<std::string>& lines);
  // Reads the script from a file; FwScriptError when it cannot be read.
  static FwScriptDriver FromFile(const std::string& path);

  // Installs the driver as modal host and its prompts; Uninstall puts back
  // what was there.
  void Install();
  void Uninstall();

  void RunDialog(CDialog& dialog) override;
  void RunSheet(CPropertySheet& sheet) override;
  // Runs what is left once the program's windows are closed (only checks
  // may be left) and fails when an answer was queued that no question
  // took.
  void Finish();

  FwScriptedPrompts& Prompts() { return prompts_; }

 private:
  struct Window {
    CDialog* dialog;
    CPropertySheet* sheet;
  };
  // Runs commands until the innermost window ends.
  void RunUntilEnded();
  bool WindowEnded(const Window& window) const;
  void Execute(const std::string& line);
  CWnd& Current();
  [[noreturn]] void Fail(const std::string& why) const;

  std::string name_;
  std::vector<std::string> lines_;
  size_t next_ = 0;   // index of the next line to run
  size_t lineNo_ = 0; // line running now (1-based)
  std::vector<Window> windows_;
  size_t checkedBoxes_ = 0;  // message boxes already matched by "expect message"
  std::vector<size_t> answerLines_;  // line of each queued answer, in order
  FwScriptedPrompts prompts_;
  FwModalHost* previousHost_ = nullptr;
  FwPrompts* previousPrompts_ = nullptr;
};
