// Mutation harness for the readers of outside input: seeded mutations of a
// valid file, each case run in a forked child under a time and memory
// bound, and the outcome classified as accepted, refused with a message, or
// bad (a signal, a hang, the memory bound passed, a refusal without text).
// DV_HOSTILE_SEED replays a run, DV_HOSTILE_CASE with it one case of it;
// DV_HOSTILE_CASES sets the cases per reader; DV_HOSTILE_SAVE names a file
// that receives the replayed case's bytes. A bad case's bytes are kept in
// DV_HOSTILE_KEEP (else the temporary folder) and DV_HOSTILE_BYTES replays
// such a file as one case.
#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace hostile {

// The run's seed: DV_HOSTILE_SEED when set, else a fresh one.
unsigned RunSeed();
// Cases per reader: DV_HOSTILE_CASES when set, else shortDefault.
int CaseCount(int shortDefault);

// Mutates valid files: byte flips, truncation, huge binary lengths and
// counts, missing and doubled delimiters, unterminated quotes, NUL bytes,
// invalid UTF-8 and Windows-1252 bytes, 1 MB lines, long runs of a
// delimiter (thousands of columns, deep paths), repeated lines and huge
// decimal numbers. One to three mutations per call.
class Mutator {
 public:
  explicit Mutator(uint32_t seed) : rng_(seed) {}
  std::string Mutate(const std::string& valid);
  // Index in [0, n).
  size_t Below(size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }

 private:
  void MutateOnce(std::string& bytes);
  size_t Position(const std::string& bytes, bool headerBias);
  std::mt19937 rng_;
};

enum class Outcome { Accepted, Refused, Bad };

// What a case did; for a bad case, what went wrong.
struct CaseResult {
  Outcome outcome;
  std::string detail;
};

// The bounds of one case: wall time and heap growth beyond the child's
// size at the fork.
struct Limits {
  unsigned seconds = 20;
  size_t memoryBytes = size_t(384) << 20;
};

// The bytes of the file at path (empty when it cannot be read).
std::string ReadBytes(const std::string& path);
// Replaces the file at path by bytes.
void WriteBytes(const std::string& path, const std::string& bytes);

// Runs read in a forked child: returning is accepted, a std::exception with
// a non-empty what() is refused; anything else is bad.
CaseResult RunCase(const std::function<void()>& read, const Limits& limits = Limits{});

// Called in a case's child when the reader broke a rule the test states
// (a refused file changed, a message without the file's name): ends the
// child at once, and the case is bad with what as its detail.
[[noreturn]] void Violation(const std::string& what);

// The counts of one reader's run, and the first bad cases with seed, case
// number and detail.
struct Tally {
  std::string reader;
  unsigned seed = 0;
  int accepted = 0;
  int refused = 0;
  int bad = 0;
  std::vector<std::string> badCases;
  void Add(int caseNumber, const CaseResult& result);
  // "reader: N accepted, N refused, N bad (seed S)".
  std::string Summary() const;
};

// Runs `cases` mutations of valid through place+read: case 0 is the valid
// file unchanged and must be accepted. place writes the case's bytes where
// the reader looks for them; read runs in the child.
Tally RunReader(const std::string& reader, const std::string& valid, int cases,
                const std::function<void(const std::string& bytes)>& place, const std::function<void()>& read,
                const Limits& limits = Limits{});

// A reader's own damage: the case's bytes made from the valid file with the
// case's mutator (its random stream).
using Mutation = std::function<std::string(Mutator& mutator, const std::string& valid)>;

// RunReader with the reader's own mutation in place of Mutator::Mutate.
Tally RunReaderWith(const std::string& reader, const std::string& valid, int cases, const Mutation& mutate,
                    const std::function<void(const std::string& bytes)>& place, const std::function<void()>& read,
                    const Limits& limits = Limits{});

}  // namespace hostile
