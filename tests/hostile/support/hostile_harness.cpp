#include "hostile_harness.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace hostile {

unsigned RunSeed() {
  const char* fixed = std::getenv("DV_HOSTILE_SEED");
  return fixed != nullptr ? static_cast<unsigned>(std::strtoul(fixed, nullptr, 0)) : std::random_device{}();
}

int CaseCount(int shortDefault) {
  const char* count = std::getenv("DV_HOSTILE_CASES");
  const int value = count != nullptr ? std::atoi(count) : 0;
  return value > 0 ? value : shortDefault;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

size_t Mutator::Position(const std::string& bytes, bool headerBias) {
  if (bytes.empty()) return 0;
  if (headerBias && Below(2) == 0) return Below(std::min<size_t>(bytes.size(), 128));
  return Below(bytes.size());
}

void Mutator::MutateOnce(std::string& bytes) {
  static const char kDelimiters[] = ",;\t\n\r\"=[]<>/|.$";
  static const char* const kNumbers[] = {"99999999999999999999", "2147483647", "-2147483648", "4294967295",
                                         "-1", "0", "65536", "1e308", "0x7fffffff", "000000000000000000001"};
  switch (Below(12)) {
    case 0: {  // byte flips
      const size_t flips = 1 + Below(8);
      for (size_t i = 0; i < flips && !bytes.empty(); ++i) bytes[Position(bytes, true)] ^= char(1u << Below(8));
      break;
    }
    case 1:  // truncation
      bytes.resize(Position(bytes, false));
      break;
    case 2: {  // a huge length or count over binary bytes
      static const uint32_t kHuge[] = {0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 0xFFFFu, 0x8000u, 0x10000u};
      const uint32_t value = kHuge[Below(6)];
      const size_t width = Below(2) == 0 ? 2 : 4;
      const size_t at = Position(bytes, true);
      for (size_t i = 0; i < width && at + i < bytes.size(); ++i) bytes[at + i] = char(value >> (8 * i));
      break;
    }
    case 3: {  // a delimiter removed
      const std::string delimiters(kDelimiters);
      const size_t found = bytes.find_first_of(delimiters, Position(bytes, false));
      if (found != std::string::npos) bytes.erase(found, 1);
      break;
    }
    case 4: {  // a delimiter doubled or put where none belongs
      const char delimiter = kDelimiters[Below(sizeof kDelimiters - 1)];
      bytes.insert(Position(bytes, false), Below(2) == 0 ? 1 : 2, delimiter);
      break;
    }
    case 5:  // an unterminated quote
      bytes.insert(Position(bytes, false), 1, '"');
      break;
    case 6:  // NUL bytes
      bytes.insert(Position(bytes, false), 1 + Below(4), '\0');
      break;
    case 7: {  // invalid UTF-8 and Windows-1252 bytes
      static const char* const kBad[] = {"\xC3", "\xFF\xFE", "\x80\x81\x8D\x8F\x90\x9D", "\xF8\x88\x80\x80\x80",
                                         "\xED\xA0\x80", "\xC0\xAF", "\xEF\xBB\xBF", "\xE2\x82"};
      bytes.insert(Position(bytes, false), kBad[Below(8)]);
      break;
    }
    case 8: {  // a 1 MB line
      std::string line(size_t(1) << 20, Below(2) == 0 ? 'A' : ',');
      if (Below(2) == 0)
        for (char& c : line) c = char(Below(256));
      bytes.insert(Position(bytes, false), line);
      break;
    }
    case 9: {  // thousands of a delimiter: columns, path levels, sections
      static const char* const kRuns[] = {",", "\t", ";", "/", "\\", "x\t", "[a]\n", "<Tables>=", "a,"};
      const char* unit = kRuns[Below(9)];
      std::string run;
      const size_t count = 1000 + Below(9000);
      for (size_t i = 0; i < count; ++i) run += unit;
      bytes.insert(Position(bytes, false), run);
      break;
    }
    case 10: {  // a line repeated many times
      if (bytes.empty()) break;
      const size_t start = bytes.rfind('\n', Position(bytes, false));
      const size_t from = start == std::string::npos ? 0 : start + 1;
      const size_t end = bytes.find('\n', from);
      const std::string line = bytes.substr(from, end == std::string::npos ? std::string::npos : end - from + 1);
      std::string repeated;
      for (size_t i = 0, n = 100 + Below(2000); i < n && repeated.size() < (size_t(4) << 20); ++i) repeated += line;
      bytes.insert(from, repeated);
      break;
    }
    default: {  // a huge or odd decimal number over a number of the text
      const size_t digit = bytes.find_first_of("0123456789", Position(bytes, false));
      if (digit == std::string::npos) break;
      const size_t end = bytes.find_first_not_of("0123456789", digit);
      bytes.replace(digit, (end == std::string::npos ? bytes.size() : end) - digit, kNumbers[Below(10)]);
      break;
    }
  }
}

std::string Mutator::Mutate(const std::string& valid) {
  std::string bytes = valid;
  const size_t count = 1 + Below(3);
  for (size_t i = 0; i < count; ++i) MutateOnce(bytes);
  return bytes;
}

namespace {

// Exit codes of the child.
constexpr int kAccepted = 0;
constexpr int kRefused = 3;
constexpr int kRefusedSilently = 4;
constexpr int kUnknownThrow = 5;
constexpr int kViolation = 6;

// In a case's child: the pipe's end that carries a violation's text.
int violationPipe = -1;

// The process's mapped size in bytes (VmSize), 0 when unknown.
size_t MappedBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmSize:", 0) == 0) return size_t(std::strtoull(line.c_str() + 7, nullptr, 10)) * 1024;
  return 0;
}

// The resident peak of this process in bytes.
size_t PeakResidentBytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return size_t(usage.ru_maxrss) * 1024;
}

}  // namespace

void Violation(const std::string& what) {
  if (violationPipe >= 0) {
    const size_t length = std::min<size_t>(what.size(), 2000);
    if (::write(violationPipe, what.data(), length) < 0) _exit(kViolation);
  }
  _exit(kViolation);
}

CaseResult RunCase(const std::function<void()>& read, const Limits& limits) {
  std::fflush(nullptr);
  int channel[2];
  if (pipe(channel) != 0) return {Outcome::Bad, std::string("pipe failed: ") + std::strerror(errno)};
  // The child's resident size starts at the parent's; its peak beyond that
  // is what the case used. Under an emulator the mapped size covers the
  // whole guest space, so the resident peak is the bound that holds there.
  const size_t residentAtFork = PeakResidentBytes();
  const pid_t child = fork();
  if (child < 0) {
    close(channel[0]);
    close(channel[1]);
    return {Outcome::Bad, std::string("fork failed: ") + std::strerror(errno)};
  }
  if (child == 0) {
    close(channel[0]);
    violationPipe = channel[1];
    alarm(limits.seconds);
    // A replayed case keeps the shell's core limit, so its crash can be
    // looked at; a run leaves no core files.
    if (std::getenv("DV_HOSTILE_CASE") == nullptr && std::getenv("DV_HOSTILE_BYTES") == nullptr) {
      const rlimit noCore{0, 0};
      setrlimit(RLIMIT_CORE, &noCore);
    }
    if (const size_t mapped = MappedBytes(); mapped != 0) {
      const rlimit bound{mapped + limits.memoryBytes, mapped + limits.memoryBytes};
      setrlimit(RLIMIT_AS, &bound);
    }
    int code = kAccepted;
    try {
      read();
    } catch (const std::exception& e) {
      code = e.what()[0] != '\0' ? kRefused : kRefusedSilently;
    } catch (...) {
      code = kUnknownThrow;
    }
    _exit(code);
  }
  close(channel[1]);
  // The text is at most 2000 bytes, less than a pipe holds, so the child
  // never waits on it.
  int status = 0;
  rusage usage{};
  while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  std::string violation;
  char chunk[512];
  for (ssize_t n; (n = ::read(channel[0], chunk, sizeof chunk)) > 0;) violation.append(chunk, size_t(n));
  close(channel[0]);
  const size_t peak = size_t(usage.ru_maxrss) * 1024;
  if (WIFSIGNALED(status)) {
    const int sig = WTERMSIG(status);
    return {Outcome::Bad, sig == SIGALRM ? "hang: no end within " + std::to_string(limits.seconds) + " s"
                                         : std::string("signal ") + strsignal(sig)};
  }
  const int code = WEXITSTATUS(status);
  if (peak > residentAtFork + limits.memoryBytes)
    return {Outcome::Bad, "memory: resident peak " + std::to_string(peak >> 20) + " MB"};
  switch (code) {
    case kAccepted: return {Outcome::Accepted, {}};
    case kRefused: return {Outcome::Refused, {}};
    case kRefusedSilently: return {Outcome::Bad, "refused with an empty message"};
    case kUnknownThrow: return {Outcome::Bad, "threw something that is no std::exception"};
    case kViolation: return {Outcome::Bad, violation};
    default: return {Outcome::Bad, "exit code " + std::to_string(code)};
  }
}

void Tally::Add(int caseNumber, const CaseResult& result) {
  switch (result.outcome) {
    case Outcome::Accepted: ++accepted; break;
    case Outcome::Refused: ++refused; break;
    case Outcome::Bad: {
      ++bad;
      const std::string line = reader + " case " + std::to_string(caseNumber) + " (DV_HOSTILE_SEED=" +
                               std::to_string(seed) + "): " + result.detail;
      // Every bad case is printed as it ends, so a long run lists them all.
      std::printf("bad: %s\n", line.c_str());
      if (badCases.size() < 10) badCases.push_back(line);
      break;
    }
  }
}

std::string Tally::Summary() const {
  std::ostringstream out;
  out << reader << ": " << accepted << " accepted, " << refused << " refused, " << bad << " bad (DV_HOSTILE_SEED="
      << seed << ")";
  return out.str();
}

Tally RunReader(const std::string& reader, const std::string& valid, int cases,
                const std::function<void(const std::string& bytes)>& place, const std::function<void()>& read,
                const Limits& limits) {
  return RunReaderWith(
      reader, valid, cases, [](Mutator& mutator, const std::string& bytes) { return mutator.Mutate(bytes); }, place,
      read, limits);
}

namespace {

// Where a bad case's bytes are kept: DV_HOSTILE_KEEP, else the temporary
// folder; the name holds the seed, the case and the reader.
std::string KeptCasePath(const std::string& reader, unsigned seed, int caseNumber) {
  const char* folder = std::getenv("DV_HOSTILE_KEEP");
  std::string name = "hostile-" + std::to_string(seed) + "-" + std::to_string(caseNumber) + "-";
  for (const char c : reader) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return (folder != nullptr ? std::string(folder) : std::filesystem::temp_directory_path().string()) + "/" + name +
         ".bin";
}

constexpr int kMostKeptCases = 10;  // per reader and run

}  // namespace

Tally RunReaderWith(const std::string& reader, const std::string& valid, int cases, const Mutation& mutate,
                    const std::function<void(const std::string& bytes)>& place, const std::function<void()>& read,
                    const Limits& limits) {
  Tally tally;
  tally.reader = reader;
  tally.seed = RunSeed();
  // DV_HOSTILE_CASE replays that one case of the seed's run. DV_HOSTILE_BYTES
  // replays kept bytes as one case: a reader whose valid file is made afresh
  // by each run (a Paradox table, a shop) repeats its cases only so.
  const char* only = std::getenv("DV_HOSTILE_CASE");
  const char* kept = std::getenv("DV_HOSTILE_BYTES");
  const int first = only != nullptr ? std::atoi(only) : kept != nullptr ? 1 : 0;
  const int end = only != nullptr || kept != nullptr ? first + 1 : cases;
  for (int n = first; n < end; ++n) {
    // Each case has its own stream, so one case replays without the others.
    Mutator mutator(tally.seed ^ (uint32_t(n) * 0x9E3779B9u));
    const std::string bytes = kept != nullptr ? ReadBytes(kept) : n == 0 ? valid : mutate(mutator, valid);
    place(bytes);
    if (const char* save = std::getenv("DV_HOSTILE_SAVE"); save != nullptr && only != nullptr) WriteBytes(save, bytes);
    CaseResult result = RunCase(read, limits);
    if (n == 0 && result.outcome != Outcome::Accepted)
      tally.badCases.push_back(reader + ": the valid file was not accepted: " + result.detail);
    if (result.outcome == Outcome::Bad && kept == nullptr && tally.bad < kMostKeptCases) {
      const std::string path = KeptCasePath(reader, tally.seed, n);
      WriteBytes(path, bytes);
      result.detail += " (bytes kept in " + path + ")";
    }
    tally.Add(n, result);
  }
  std::printf("%s\n", tally.Summary().c_str());
  return tally;
}

}  // namespace hostile
