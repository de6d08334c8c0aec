// The program's entry: the object store's runtime, a fault handler for the
// whole run and the transactions are set up first, then the application
// runs in the front end the command line chooses. An object-store error
// that reaches the entry is shown and ends the program with a non-zero
// status.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "app_settings.h"
#include "command_line.h"
#include "error_box.h"
#include "durnavel.h"
#include "dv_transaction.h"
#include "fw_paths.h"
#include "script_driver.h"
#include "term_front_end.h"
#include "wizard_app.h"

using namespace dv_qem;

namespace {

int RunScripted(const std::string& script) {
  FwScriptDriver driver = FwScriptDriver::FromFile(script);
  driver.Install();
  try {
    theApp.InitInstance();
    driver.Finish();
  } catch (...) {
    driver.Uninstall();
    throw;
  }
  driver.Uninstall();
  return 0;
}

// An object-store error is shown in the terminal, before the terminal is
// given back.
int RunInTerminal() {
  FwTerminal terminal;
  terminal.Install();
  int exitCode = 0;
  try {
    StoreErrorsInBoxes boxes;
    try {
      theApp.InitInstance();
    } catch (const dv_err& e) {
      e.print();
      exitCode = -1;
    }
  } catch (...) {
    terminal.Uninstall();
    throw;
  }
  terminal.Uninstall();
  return exitCode;
}

int RunApplication(const std::vector<std::string>& arguments) {
  CommandLine line = ParseCommandLine(arguments);
  if (!line.error.empty()) {
    std::fprintf(stderr, "tallyport: %s\n%s\n", line.error.c_str(), kUsage);
    return 2;
  }
  std::string folder = ChosenProgramFolder(line);
  std::string problem = folder.empty() ? std::string() : ProgramFolderProblem(folder);
  if (!problem.empty()) {
    std::fprintf(stderr, "tallyport: %s\n", problem.c_str());
    return 2;
  }
  FwSetProgramFolder(folder.empty() ? nullptr : folder.c_str());
  theDefaultSettings.m_strAppDir = FwProgramFolder();
  try {
    return line.script.empty() ? RunInTerminal() : RunScripted(line.script);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tallyport: %s\n", e.what());
    return 1;
  }
}

int WizardMain(const std::vector<std::string>& arguments) {
  try {
    durnavel::initialize();
    _VRN_fault_handler guard;
    dv_transaction::initialize();
    return RunApplication(arguments);
  } catch (const dv_err& e) {
    e.print();
    return -1;
  }
}

}  // namespace

int main(int argc, char** argv) { return WizardMain(std::vector<std::string>(argv + 1, argv + argc)); }
