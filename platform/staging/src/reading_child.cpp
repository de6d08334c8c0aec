// The reading child: a forked process that reads outside files and reports
// back through a pipe in framed messages; the parent waits for them with a
// time bound and turns every way the child can end into a result or a
// SourceFileError.
#include "reading_child.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

// A message from the child: one kind byte, the payload's length (4 bytes,
// the byte order of the machine, parent and child being one program), the
// payload.
enum MessageKind : char {
  kProgress = 'P',  // payload: the rows done, in decimal
  kResult = 'R',    // payload: the text the work returned
  kRefusal = 'E',   // payload: the text of what the work threw
};
constexpr size_t kHeaderBytes = 1 + sizeof(uint32_t);

// The child's exit statuses.
enum ChildStatus : int {
  kDone = 0,             // a result was sent
  kRefused = 3,          // a refusal was sent
  kCannotReport = 4,     // the pipe to the parent failed
};

// DV_STAGING_TEST_FAULT="KIND:NAME[:ROWS]": the child reading the file named
// NAME (its last path component) ends by SIGSEGV (crash), stops reporting
// (hang) or reports rows without end (loop), at the start or once ROWS
// rows are reported done. Read in the child only; tests use it to stand
// for a library that crashes or loops.
constexpr char kTestFaultVariable[] = "DV_STAGING_TEST_FAULT";

struct TestFault {
  enum class Kind { None, Crash, Hang, Loop } kind = Kind::None;
  long afterRows = 0;
};

TestFault TestFaultFor(const std::string& file) {
  const char* setting = std::getenv(kTestFaultVariable);
  if (setting == nullptr) return {};
  const std::string text = setting;
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return {};
  const std::string kind = text.substr(0, colon);
  std::string name = text.substr(colon + 1);
  long afterRows = 0;
  if (const size_t rows = name.find(':'); rows != std::string::npos) {
    afterRows = std::atol(name.c_str() + rows + 1);
    name.resize(rows);
  }
  if (name != std::filesystem::path(file).filename().string()) return {};
  if (kind == "crash") return {TestFault::Kind::Crash, afterRows};
  if (kind == "hang") return {TestFault::Kind::Hang, afterRows};
  if (kind == "loop") return {TestFault::Kind::Loop, afterRows};
  return {};
}

// In the child: every write is whole, or the child ends.
void SendOrExit(int fd, MessageKind kind, const std::string& payload) {
  std::string message(kHeaderBytes, '\0');
  message[0] = kind;
  const uint32_t length = static_cast<uint32_t>(payload.size());
  std::memcpy(&message[1], &length, sizeof length);
  message += payload;
  for (size_t done = 0; done < message.size();) {
    const ssize_t wrote = ::write(fd, message.data() + done, message.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) ::_exit(kCannotReport);
    done += static_cast<size_t>(wrote);
  }
}

// In the child: a fault ends it by its signal. The program's own fault
// handler serves its persistent memory; in the child it must not act on a
// library's stray pointer, so the default actions come back.
void TakeDefaultFaultActions() {
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) ::signal(sig, SIG_DFL);
  sigset_t faults;
  sigemptyset(&faults);
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) sigaddset(&faults, sig);
  ::sigprocmask(SIG_UNBLOCK, &faults, nullptr);
  const rlimit noCore{0, 0};
  ::setrlimit(RLIMIT_CORE, &noCore);
}

// In the child: what libraries print (and the emulator's report of a
// crash) would land on the program's screen; it goes nowhere, the refusal
// tells what matters.
void SilenceOutput() {
  const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null < 0) return;
  ::dup2(null, STDOUT_FILENO);
  ::dup2(null, STDERR_FILENO);
  ::close(null);
}

void Happen(const TestFault& fault, int fd) {
  if (fault.kind == TestFault::Kind::Crash) ::raise(SIGSEGV);
  if (fault.kind == TestFault::Kind::Hang)
    for (;;) ::pause();
  if (fault.kind == TestFault::Kind::Loop)
    for (long rows = kStagingProgressRows;; rows += kStagingProgressRows)
      SendOrExit(fd, kProgress, std::to_string(rows));
}

// In the child: a program that ends (killed, say) takes its reading child
// with it; a hung library would otherwise outlive it.
void EndWithParent(pid_t parent) {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != parent) ::_exit(kCannotReport);
}

[[noreturn]] void RunChild(int fd, const std::string& file, const ChildReading& work, pid_t parent) {
  EndWithParent(parent);
  TakeDefaultFaultActions();
  SilenceOutput();
  const TestFault fault = TestFaultFor(file);
  if (fault.afterRows == 0) Happen(fault, fd);
  const StagingProgress report = [fd, fault](long rowsDone) {
    if (fault.afterRows > 0 && rowsDone >= fault.afterRows) Happen(fault, fd);
    SendOrExit(fd, kProgress, std::to_string(rowsDone));
  };
  try {
    const std::string result = work(report);
    SendOrExit(fd, kResult, result);
    ::_exit(kDone);
  } catch (const SourceFileError& error) {
    SendOrExit(fd, kRefusal, error.what());  // it names the file and the place
  } catch (const std::exception& error) {
    SendOrExit(fd, kRefusal, file + ": cannot read this file: " + error.what());
  } catch (...) {
    SendOrExit(fd, kRefusal, file + ": the reading failed with an error of unknown kind");
  }
  ::_exit(kRefused);
}

// The parent's hold on the child: a child not yet waited for is killed and
// reaped on every way out, an exception from the progress callback included.
class ChildProcess {
 public:
  ChildProcess(pid_t pid, int fd) : pid_(pid), fd_(fd) {}
  ~ChildProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      Wait();
    }
    ::close(fd_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  int fd() const { return fd_; }
  void Kill() { ::kill(pid_, SIGKILL); }
  // The child's wait status once it ended.
  int Wait() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = 0;
    return status;
  }

 private:
  pid_t pid_;
  int fd_;
};

[[noreturn]] void CannotRead(const std::string& file, const std::string& reason) {
  throw SourceFileError(file + ": cannot read this file: " + reason);
}

}  // namespace

std::string ReadInChild(const std::string& file, const ChildReading& work, const StagingProgress& progress,
                        int idleSeconds) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) CannotRead(file, std::string("no pipe to a reading process: ") + std::strerror(errno));
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    RunChild(fds[1], file, work, parent);
  }
  ::close(fds[1]);
  if (pid < 0) {
    const int error = errno;
    ::close(fds[0]);
    CannotRead(file, std::string("no reading process: ") + std::strerror(error));
  }
  ChildProcess child(pid, fds[0]);

  using Clock = std::chrono::steady_clock;
  auto deadline = Clock::now() + std::chrono::seconds(idleSeconds);
  std::string received, result, refusal;
  bool haveResult = false, haveRefusal = false;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd ready{child.fd(), POLLIN, 0};
    const int polled = left > 0 ? ::poll(&ready, 1, static_cast<int>(left)) : 0;
    if (polled < 0 && errno == EINTR) continue;
    if (polled == 0) {
      child.Kill();
      child.Wait();
      CannotRead(file, "the reading made no progress for " + std::to_string(idleSeconds) + " s and was stopped");
    }
    char block[4096];
    const ssize_t got = ::read(child.fd(), block, sizeof block);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;  // the child ended (or its pipe failed): its status tells
    received.append(block, static_cast<size_t>(got));
    deadline = Clock::now() + std::chrono::seconds(idleSeconds);
    while (received.size() >= kHeaderBytes) {
      uint32_t length = 0;
      std::memcpy(&length, received.data() + 1, sizeof length);
      if (received.size() - kHeaderBytes < length) break;
      const char kind = received[0];
      std::string payload = received.substr(kHeaderBytes, length);
      received.erase(0, kHeaderBytes + length);
      if (kind == kProgress && progress) progress(std::atol(payload.c_str()));
      if (kind == kResult) result = std::move(payload), haveResult = true;
      if (kind == kRefusal) refusal = std::move(payload), haveRefusal = true;
    }
  }
  const int status = child.Wait();
  if (WIFSIGNALED(status))
    CannotRead(file, "the reading ended by signal " + std::to_string(WTERMSIG(status)) + " (" +
                         strsignal(WTERMSIG(status)) + ")");
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (code == kDone && haveResult) return result;
  if (code == kRefused && haveRefusal) throw SourceFileError(refusal);
  CannotRead(file, "the reading ended with status " + std::to_string(code));
}
