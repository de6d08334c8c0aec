// Seeding the wizard's program folder and running the program.
#include "wizard_home.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace wizard_test {

WizardHome::WizardHome() {
  std::string command = std::string("'") + DV_SOURCE_DIR + "/tools/seed_home.sh' '" + scratch_.path() + "'";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("cannot seed " + scratch_.path());
}

std::string WizardHome::Read(const std::string& name) const {
  std::ifstream in(scratch_ / name);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WizardHome::Write(const std::string& name, const std::string& text) const {
  std::ofstream(scratch_ / name) << text;
}

ProgramRun RunProgram(const WizardHome& home, const std::string& arguments, const std::string& environment) {
  std::string errors = home / "stderr.txt";
  std::string command = "LC_ALL=C DV_FRAME_CONFIG_HOME='" + (home / "config") + "' " + environment + " " +
                        DV_TEST_EMULATOR + " '" +
                        TALLYPORT + "' " + arguments + " </dev/null >/dev/null 2>'" + errors + "'";
  int raw = std::system(command.c_str());
  ProgramRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, home.Read("stderr.txt")};
  return run;
}

ProgramRun RunScript(const WizardHome& home, const std::string& script, const std::string& environment) {
  home.Write("script.txt", script);
  return RunProgram(home, "--home '" + home.path() + "' --script '" + (home / "script.txt") + "'", environment);
}

std::string TextImportScript(const std::string& source, const std::string& target, const std::string& delimiter,
                             const std::string& atImportPage) {
  std::string script = "expect page 20000\npick 1149 Text (*.csv,*.txt)\nnext\nexpect page 20001\n";
  if (!delimiter.empty()) script += "pick 21249 Custom Delimited\nset 21247 " + delimiter + "\n";
  script += "set 21186 " + source + "\nnext\nexpect page 20004\nnext\nexpect page 20009\nnext\n";
  script += "expect page 20005\nnext\nexpect page 20008\nset 21135 " + target + "\nnext\nexpect page 20007\n";
  script += "tree 21176 My Departments\n" + atImportPage;
  return script;
}

}  // namespace wizard_test
