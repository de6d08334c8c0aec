// A scratch program folder for the wizard, seeded as ./run.sh seeds one,
// and the running of the tallyport program on it.
#pragma once

#include <string>

#include "dv_scratch_dir.h"

namespace wizard_test {

// A fresh program folder with the delivered data, the sample catalogue and
// a tallyport.ini naming it (tools/seed_home.sh).
class WizardHome {
 public:
  WizardHome();
  const std::string& path() const { return scratch_.path(); }
  std::string operator/(const std::string& name) const { return scratch_ / name; }
  // The whole text of a file in the folder ("" when missing).
  std::string Read(const std::string& name) const;
  void Write(const std::string& name, const std::string& text) const;

 private:
  dv_test::scratch_dir scratch_;
};

// How a run of the program ended: its exit status (-1 when it did not
// exit) and what it wrote to standard error.
struct ProgramRun {
  int status;
  std::string errors;
};

// Runs "tallyport --home HOME --script SCRIPT" with the script text, in the
// C locale and with its registry profile inside the folder; environment
// ("NAME='value' ...", already quoted for the shell) is added to the
// program's.
ProgramRun RunScript(const WizardHome& home, const std::string& script, const std::string& environment = "");
// Runs tallyport with the arguments as given (already quoted for the shell).
ProgramRun RunProgram(const WizardHome& home, const std::string& arguments, const std::string& environment = "");

// The script from the first page to the import page for the text file
// `source` (its own folder holds the mapping file), a custom delimiter
// when given, into `target`; then what is done on the import page (by
// default the add button and Finish).
std::string TextImportScript(const std::string& source, const std::string& target, const std::string& delimiter = "",
                             const std::string& atImportPage = "click 21118\nfinish\n");

}  // namespace wizard_test
