// Guards the runtime's lazy start-up and its clean-up: the order of the
// start-up steps and that they run once, that a failed step leaves the
// runtime to start again, that clean-up aborts, closes every database and
// releases the region, that its error is printed and thrown on as a plain
// dv_err -- but never ends the process at exit -- and the trace level and
// load-time switches read from the environment.
//
// The runtime state is process-wide: every case runs in a child process
// (suite LifecycleChild) with a 1 MiB region at 0x20000000.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dv_err.h"
#include "dv_test_process.h"
#include "dvdb.h"
#include "memory_layer.h"
#include "runtime_state.h"

using namespace dv_qem;

namespace {

constexpr dv4u kMiB = 0x100000;
char* const kStart = reinterpret_cast<char*>(0x20000000);

std::vector<std::string> steps;

void record_install() { steps.push_back(_DV_int::is_up() ? "install(up)" : "install"); }
void record_allocator() { steps.push_back(_DV_int::is_up() ? "allocator(up)" : "allocator"); }
void record_log() { steps.push_back("log"); }
void failing_log() { throw dv_err_misc("log start-up failed"); }
void record_abort() { steps.push_back("abort"); }
void record_close(DVDB* db) {
  steps.push_back(std::string("close ") + db->space_name());
  _DV_int::deregister_DVDB(db);
  delete db;
}
void failing_close(DVDB* db) { throw dv_err_file("cannot close %s", db->space_name()); }

DVDB* open_stand_in(const char* path, dv4u offset, dv4u size) {
  DVDB* db = new DVDB(path, 0);
  db->place_at(_DV_int::get_region_start() + offset, size);
  _DV_int::register_DVDB(db);
  return db;
}

struct child_case {
  const char* test;
  dv_test::env_list env;
};

const dv_test::env_list kRegion = {{"DV_QEM_AS_START", "0x20000000"}, {"DV_QEM_AS_SIZE", "0x100000"}};

dv_test::env_list with_region(dv_test::env_list extra) {
  dv_test::env_list env = kRegion;
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

TEST(Lifecycle, CasesInChildProcesses) {
  const child_case cases[] = {
      {"LifecycleChild.StartUpOrder", kRegion},
      {"LifecycleChild.FailedStepStartsAgain", kRegion},
      {"LifecycleChild.CleanUpClosesAndReleases", kRegion},
      {"LifecycleChild.CleanUpErrorIsPrintedAndThrownOn", kRegion},
      {"LifecycleChild.CleanUpErrorAtExitDoesNotEndTheProcess", kRegion},
      {"LifecycleChild.Traces", with_region({{"_DV_TRACE_MEMORY", "1"}})},
      {"LifecycleChild.MemoryLayerTracesAtLevelNine", with_region({{"_DV_TRACE_MEMORY", "9"}})},
      {"LifecycleChild.TraceLevel", with_region({{"_DV_TRACE_MEMORY", ""}, {"DV_TEST_EXPECT", "0"}})},
      {"LifecycleChild.TraceLevel", with_region({{"_DV_TRACE_MEMORY", "yes"}, {"DV_TEST_EXPECT", "1"}})},
      {"LifecycleChild.TraceLevel", with_region({{"_DV_TRACE_MEMORY", "0"}, {"DV_TEST_EXPECT", "1"}})},
      {"LifecycleChild.TraceLevel", with_region({{"_DV_TRACE_MEMORY", "39"}, {"DV_TEST_EXPECT", "3"}})},
      {"LifecycleChild.TraceLevel", with_region({{"_DV_TRACE_MEMORY", "9"}, {"DV_TEST_EXPECT", "9"}})},
      {"LifecycleChild.LoadTimeSwitches",
       with_region({{"DV_QEM_DISABLE_THREAD_LOCKING", "1"}, {"DV_QEM_CHK_ILLEGAL_PTR", "yes"}, {"DV_TEST_EXPECT", "1"}})},
      {"LifecycleChild.LoadTimeSwitches",
       with_region({{"DV_QEM_DISABLE_THREAD_LOCKING", ""}, {"DV_QEM_CHK_ILLEGAL_PTR", ""}, {"DV_TEST_EXPECT", "0"}})},
  };
  for (const child_case& c : cases) EXPECT_EQ(dv_test::run_child(c.test, c.env), 0) << c.test;
}

class LifecycleChild : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!dv_test::is_child()) GTEST_SKIP() << "runs in a child process";
  }
};

TEST_F(LifecycleChild, StartUpOrder) {
  _DV_int::hooks().install_fault_dispatcher = record_install;
  _DV_int::hooks().start_allocator = record_allocator;
  _DV_int::hooks().start_log = record_log;
  EXPECT_FALSE(_DV_int::is_initialized());
  EXPECT_FALSE(_DV_int::is_up());
  _DV_int::initialize();
  EXPECT_EQ(steps, (std::vector<std::string>{"install", "allocator(up)", "log"}));
  EXPECT_TRUE(_DV_int::is_initialized());
  EXPECT_TRUE(_DV_int::is_up());
  EXPECT_EQ(_DV_int::get_region_start(), kStart);
  EXPECT_EQ(_DV_int::get_region_size(), kMiB);

  _DV_int::initialize();
  EXPECT_EQ(steps.size(), 3u) << "start-up runs once";
  EXPECT_EQ(_DV_int::get_region_size(), kMiB);
}

TEST_F(LifecycleChild, FailedStepStartsAgain) {
  _DV_int::hooks().start_log = failing_log;
  try {
    _DV_int::initialize();
    ADD_FAILURE() << "start-up did not fail";
  } catch (const dv_err_misc& e) {
    EXPECT_STREQ(e.get_report(), "dv_err_misc - log start-up failed");
  }
  EXPECT_FALSE(_DV_int::is_initialized());
  EXPECT_EQ(_DV_int::get_region_size(), kMiB);

  _DV_int::hooks().start_log = record_log;
  _DV_int::initialize();
  EXPECT_TRUE(_DV_int::is_initialized());
  EXPECT_EQ(_DV_int::get_region_start(), kStart) << "the region reserved before is kept";
  EXPECT_EQ(_DV_int::get_region_size(), kMiB);
  EXPECT_EQ(steps, (std::vector<std::string>{"log"}));
}

TEST_F(LifecycleChild, CleanUpClosesAndReleases) {
  _DV_int::initialize();
  _DV_int::hooks().abort_transaction = record_abort;
  _DV_int::hooks().close_database = record_close;
  open_stand_in("/tmp/lifecycle/b.db", kMiB / 2, kMiB / 2);
  open_stand_in("/tmp/lifecycle/a.db", 0, kMiB / 2);

  _DV_int::_cleanup();
  EXPECT_EQ(steps, (std::vector<std::string>{"abort", "close /tmp/lifecycle/a.db", "close /tmp/lifecycle/b.db"}));
  EXPECT_EQ(_DV_int::get_first_DVDB(), nullptr);
  EXPECT_EQ(_DV_int::get_region_size(), 0u);
  EXPECT_EQ(dv_memory_region_size(), 0u);
  EXPECT_FALSE(_DV_int::is_persistent(kStart));
  EXPECT_FALSE(_DV_int::is_initialized());
  EXPECT_FALSE(_DV_int::is_up());
  EXPECT_TRUE(_DV_int::was_database_opened()) << "never cleared";

  // The range is free again, and the next use starts the runtime again.
  char* probe = dv_try_reserve_memory(kStart, kMiB);
  ASSERT_EQ(probe, kStart);
  dv_unreserve_memory(probe, kMiB);
  _DV_int::initialize();
  EXPECT_EQ(_DV_int::get_region_start(), kStart);
  EXPECT_EQ(_DV_int::get_region_size(), kMiB);
}

TEST_F(LifecycleChild, CleanUpErrorIsPrintedAndThrownOn) {
  _DV_int::initialize();
  _DV_int::hooks().close_database = failing_close;
  DVDB* db = open_stand_in("/tmp/lifecycle/stuck.db", 0, kMiB);
  testing::internal::CaptureStderr();
  bool thrown_as_plain_dv_err = false;
  try {
    _DV_int::_cleanup();
  } catch (const dv_err_file&) {
    ADD_FAILURE() << "thrown on as the original class";
  } catch (const dv_err& e) {
    thrown_as_plain_dv_err = true;
    EXPECT_STREQ(e.get_report(), "dv_err_file - cannot close /tmp/lifecycle/stuck.db");
  }
  std::string printed = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(thrown_as_plain_dv_err);
  EXPECT_EQ(printed, "Durnavel unhandled exception:\n  dv_err_file - cannot close /tmp/lifecycle/stuck.db\n");
  EXPECT_TRUE(_DV_int::_lookup_DVDB_by_ptr(db));
  _DV_int::hooks().close_database = nullptr;
  _DV_int::deregister_DVDB(db);
  delete db;
}

// The child passes this test and then exits; the unload clean-up meets the
// failing close. The parent expects a normal exit, not an abort.
TEST_F(LifecycleChild, CleanUpErrorAtExitDoesNotEndTheProcess) {
  _DV_int::initialize();
  _DV_int::hooks().close_database = failing_close;
  open_stand_in("/tmp/lifecycle/left-open.db", 0, kMiB);
}

TEST_F(LifecycleChild, Traces) {
  testing::internal::CaptureStdout();
  _DV_int::initialize();
  DVDB* db = open_stand_in("/tmp/lifecycle/t.db", 0, kMiB);
  _DV_int::deregister_DVDB(db);
  _DV_int::_cleanup();
  std::string out = testing::internal::GetCapturedStdout();
  char expected[256];
  std::snprintf(expected, sizeof expected,
                "DV_int::reserve_address_space(0x20000000,1048576)\n"
                "DV_int::register_DVDB(0x%x)\n"
                "DV_int::deregister_DVDB(0x%x)\n"
                "DV_int::_cleanup() called.\n",
                static_cast<unsigned>(reinterpret_cast<uintptr_t>(db)),
                static_cast<unsigned>(reinterpret_cast<uintptr_t>(db)));
  EXPECT_EQ(out, expected);
  delete db;
}

TEST_F(LifecycleChild, MemoryLayerTracesAtLevelNine) {
  _DV_int::initialize();
  testing::internal::CaptureStdout();
  dv_map_memory(kStart, _DV_int::get_page_size(), dv_memory_read_write);
  dv_unmap_memory(kStart, _DV_int::get_page_size());
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "dv_map_memory(0x20000000, 4096, 2)\ndv_unmap_memory(0x20000000, 4096)\n");
}

TEST_F(LifecycleChild, TraceLevel) {
  testing::internal::CaptureStdout();
  _DV_int::initialize();
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(_DV_int::get_trace_level(), std::atoi(std::getenv("DV_TEST_EXPECT")));
}

TEST_F(LifecycleChild, LoadTimeSwitches) {
  int expected = std::atoi(std::getenv("DV_TEST_EXPECT"));
  EXPECT_EQ(_DV_int::is_thread_locking_disabled(), expected);
  EXPECT_EQ(_DV_int::get_check_illegal_pointers(), expected);
  _DV_int::set_thread_locking_disabled(!expected);
  _DV_int::set_check_illegal_pointers(!expected);
  EXPECT_EQ(_DV_int::is_thread_locking_disabled(), !expected);
  EXPECT_EQ(_DV_int::get_check_illegal_pointers(), !expected);
}

}  // namespace
