#include "dv_test_process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

namespace dv_test {

bool is_child() {
  const char* v = std::getenv("DV_TEST_CHILD");
  return v != nullptr && std::strcmp(v, "1") == 0;
}

int run_child(const std::string& test_name, const env_list& env) {
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return -1;
  self[n] = '\0';
  std::string filter = "--gtest_filter=" + test_name;

  pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    setenv("DV_TEST_CHILD", "1", 1);
    for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
    // A kernel without IA-32 support needs the emulator the build found.
    const char* emulator = DV_TEST_EMULATOR;
    if (emulator[0] != '\0') {
      execl(emulator, emulator, self, filter.c_str(), "--gtest_brief=1", (char*)nullptr);
    } else {
      execl(self, self, filter.c_str(), "--gtest_brief=1", (char*)nullptr);
    }
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace dv_test
