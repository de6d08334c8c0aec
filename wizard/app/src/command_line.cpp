// Reading the program's options.
#include "command_line.h"

#include <cstdlib>

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
