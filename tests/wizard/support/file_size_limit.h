// A limit on the size of every file this process (and the programs it
// starts) writes, for the time of a scope: a write past it fails (the
// signal of a file grown too large is ignored) instead of ending the
// process. Tests use it to make the shop file refuse a write.
#pragma once

#include <signal.h>
#include <sys/resource.h>

namespace wizard_test {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &previousLimit_);
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &previousAction_);
    rlimit limit = previousLimit_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previousLimit_);
    ::sigaction(SIGXFSZ, &previousAction_, nullptr);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit previousLimit_{};
  struct sigaction previousAction_ = {};
};

}  // namespace wizard_test
