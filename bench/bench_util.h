// Pieces every part of the benchmark shares: the clock, the options, the
// figure lines ("name value unit") each sub-command prints, and starting this
// program again as a sub-command in a fresh process.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

// Seconds on the monotonic clock.
double now_seconds();

// The sizes of the workloads and where their files go.
struct options {
  unsigned records = 100000;   // records of the bulk load and the walks
  unsigned txns = 500;         // small transactions
  unsigned changes = 10;       // records changed per small transaction
  unsigned fault_pages = 4096; // pages of the first-touch fault measurement
  unsigned flushes = 200;      // pwrite + fsync pairs of the flush measurement
  unsigned lookups = 20000;    // look-ups by key of each keyed workload, cold and warm each
  std::string dir;             // folder of every file made (required)
};

// Reads "--name value" pairs from argv[first..argc); exits with a usage
// message on anything else.
options parse_options(int argc, char** argv, int first);
// The same options as arguments for a sub-command.
std::vector<std::string> option_args(const options& o);

// Prints the figure line "name value unit" on standard output.
void figure(const std::string& name, double value, const std::string& unit);
// Prints a remark ("# text") that the parent passes on to its own output.
void remark(const std::string& text);

struct figure_value {
  double value;
  std::string unit;
};
using figures = std::map<std::string, figure_value>;

using env_list = std::vector<std::pair<std::string, std::string>>;

// Runs this program with the sub-command and args (under the emulator the
// build found, when there is one) with env added to its environment. Returns
// the figures it printed; its remarks go to standard output. Exits the
// process when the child fails.
figures run_self(const std::string& sub_command, const std::vector<std::string>& args, const env_list& env);

// Ends the process with a message on standard error.
[[noreturn]] void fail(const std::string& message);

}  // namespace bench
