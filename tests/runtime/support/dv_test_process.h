// Runs a test of this same test program in a separate process, so that two
// processes share nothing but files. The child is selected with a gtest
// filter and told it is the child through DV_TEST_CHILD=1 in its
// environment.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace dv_test {

using env_list = std::vector<std::pair<std::string, std::string>>;

// Execs this program with --gtest_filter=<test_name> and the extra
// environment; returns the child's exit status, or 128 + signal number.
int run_child(const std::string& test_name, const env_list& env = {});

// True inside a process started by run_child.
bool is_child();

}  // namespace dv_test
