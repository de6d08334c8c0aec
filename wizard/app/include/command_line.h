// The program's command line: "--home DIR" names the program folder (else
// $TALLYPORT_HOME, else the executable's folder); "--script FILE" runs the
// wizard from a script with no terminal.
#pragma once

#include <string>
#include <vector>

struct CommandLine {
  std::string home;    // empty: not given
  std::string script;  // empty: the terminal front end
  std::string error;   // not empty: the line is wrong, and why
};

CommandLine ParseCommandLine(const std::vector<std::string>& arguments);
// The program folder the command line and the environment name; empty for
// the executable's own folder.
std::string ChosenProgramFolder(const CommandLine& line);
// Empty when folder (from the command line or the environment) names an
// existing directory; else the line that says what is wrong with it.
std::string ProgramFolderProblem(const std::string& folder);
// How the program is called, for error messages.
extern const char* const kUsage;
