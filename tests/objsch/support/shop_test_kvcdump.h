// Runs the dump tool on one argument (under the test emulator) and gives
// its exit status and standard output.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace shop_test {

struct kvcdump_result {
  int status;
  std::string out;
};

inline kvcdump_result kvcdump(const std::string& argument) {
  std::string command = std::string(DV_TEST_EMULATOR) + " '" + KVCDUMP + "' '" + argument + "' 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  kvcdump_result r{-1, {}};
  if (pipe == nullptr) return r;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, n);
  int status = ::pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

}  // namespace shop_test
