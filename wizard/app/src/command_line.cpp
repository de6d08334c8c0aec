// Reading the program's options.
#include "command_line.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

const char* const kUsage = "usage: tallyport [--home DIR] [--script FILE]";

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    std::string* target = option == "--home" ? &line.home : option == "--script" ? &line.script : nullptr;
    if (target == nullptr) {
      line.error = "unknown argument \"" + option + "\"";
      return line;
    }
    if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
      line.error = option + " needs a value";
      return line;
    }
    *target = arguments[++i];
  }
  return line;
}

std::string ChosenProgramFolder(const CommandLine& line) {
  if (!line.home.empty()) return line.home;
  const char* fromEnvironment = std::getenv("TALLYPORT_HOME");
  return fromEnvironment != nullptr ? fromEnvironment : std::string();
}

std::string ProgramFolderProblem(const std::string& folder) {
  struct stat status;
  if (stat(folder.c_str(), &status) != 0)
    return "the program folder \"" + folder + "\" cannot be used: " + std::strerror(errno);
  if (!S_ISDIR(status.st_mode)) return "the program folder \"" + folder + "\" is not a folder";
  return std::string();
}
