// The clock, option parsing, figure lines and the sub-command runner.
#include "bench_util.h"

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace bench {

double now_seconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

namespace {

unsigned positive(const char* name, const char* text) {
  char* end = nullptr;
  unsigned long v = std::strtoul(text, &end, 10);
  if (end == text || *end != '\0' || v == 0 || v > 100000000ul) fail(std::string("bad value for ") + name + ": " + text);
  return static_cast<unsigned>(v);
}

}  // namespace

options parse_options(int argc, char** argv, int first) {
  options o;
  for (int i = first; i < argc; i += 2) {
    std::string name = argv[i];
    if (i + 1 >= argc) fail("missing value after " + name);
    const char* value = argv[i + 1];
    if (name == "--records") o.records = positive("--records", value);
    else if (name == "--txns") o.txns = positive("--txns", value);
    else if (name == "--changes") o.changes = positive("--changes", value);
    else if (name == "--fault-pages") o.fault_pages = positive("--fault-pages", value);
    else if (name == "--flushes") o.flushes = positive("--flushes", value);
    else if (name == "--lookups") o.lookups = positive("--lookups", value);
    else if (name == "--dir") o.dir = value;
    else fail("unknown option " + name +
              " (options: --records N --txns N --changes N --fault-pages N --flushes N --lookups N --dir PATH)");
  }
  return o;
}

std::vector<std::string> option_args(const options& o) {
  return {"--records",     std::to_string(o.records),     "--txns",    std::to_string(o.txns),
          "--changes",     std::to_string(o.changes),     "--fault-pages", std::to_string(o.fault_pages),
          "--flushes",     std::to_string(o.flushes),     "--lookups", std::to_string(o.lookups),
          "--dir",         o.dir};
}

void figure(const std::string& name, double value, const std::string& unit) {
  std::printf("%s %.10g %s\n", name.c_str(), value, unit.c_str());
  std::fflush(stdout);
}

void remark(const std::string& text) {
  std::printf("# %s\n", text.c_str());
  std::fflush(stdout);
}

void fail(const std::string& message) {
  std::fprintf(stderr, "dv_bench: %s\n", message.c_str());
  std::exit(1);
}

figures run_self(const std::string& sub_command, const std::vector<std::string>& args, const env_list& env) {
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) fail("cannot find this program (/proc/self/exe)");
  self[n] = '\0';

  std::vector<std::string> argv_strings;
  const char* emulator = DV_BENCH_EMULATOR;
  if (emulator[0] != '\0') argv_strings.push_back(emulator);
  argv_strings.push_back(self);
  argv_strings.push_back(sub_command);
  argv_strings.insert(argv_strings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : argv_strings) argv.push_back(s.data());
  argv.push_back(nullptr);

  int out[2];
  if (pipe(out) != 0) fail("pipe failed");
  std::fflush(stdout);
  pid_t pid = fork();
  if (pid < 0) fail("fork failed");
  if (pid == 0) {
    dup2(out[1], 1);
    close(out[0]);
    close(out[1]);
    for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  std::string text;
  char buffer[4096];
  for (;;) {
    ssize_t got = read(out[0], buffer, sizeof buffer);
    if (got > 0) text.append(buffer, static_cast<size_t>(got));
    else if (got == 0) break;
  }
  close(out[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) fail("sub-command " + sub_command + " failed");

  figures result;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("# ", 0) == 0) {
      std::printf("%s\n", line.c_str() + 2);
      std::fflush(stdout);
      continue;
    }
    std::istringstream fields(line);
    std::string name, unit;
    double value = 0;
    if (fields >> name >> value >> unit) result[name] = {value, unit};
  }
  return result;
}

}  // namespace bench
