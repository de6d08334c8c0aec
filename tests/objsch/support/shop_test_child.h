// Test support: running a piece of a test in a forked child, and ending
// that child at once from a file-event hook (a process killed mid-commit).
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace shop_test {

// The exit status of a child ended by KillNow.
constexpr int kKilled = 77;

// A file-event hook that ends the process on the spot, as a kill would.
inline void KillNow(unsigned, int) { ::_exit(kKilled); }

// Runs body in a forked child; answers its exit status (1 when body threw,
// -1 when the child did not exit normally).
template <class F>
int InChild(F body) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    try {
      body();
    } catch (...) {
      ::_exit(1);
    }
    ::_exit(0);
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace shop_test
