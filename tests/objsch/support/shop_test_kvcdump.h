// Runs the dump tool on one argument (under the test emulator, ended after
// two minutes so that a dump that never ends fails instead of hanging) and
// gives how it ended (its exit status, or -1 when a signal ended it), its
// standard output and its standard error.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace shop_test {

struct kvcdump_result {
  int status;        // the exit status; -1 when the tool did not exit normally
  std::string out;   // standard output
  std::string err;   // standard error
};

inline kvcdump_result kvcdump(const std::string& argument) {
  char errName[] = "/tmp/kvcdump-err-XXXXXX";
  const int errFile = ::mkstemp(errName);
  kvcdump_result r{-1, {}, {}};
  if (errFile < 0) return r;
  ::close(errFile);
  std::string command = std::string("timeout 120 ") + DV_TEST_EMULATOR + " '" + KVCDUMP + "' '" + argument +
                        "' 2>'" + errName + "'";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe != nullptr) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, n);
    int status = ::pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::ifstream err(errName, std::ios::binary);
  r.err.assign(std::istreambuf_iterator<char>(err), {});
  std::remove(errName);
  return r;
}

}  // namespace shop_test
