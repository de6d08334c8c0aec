// Guards the library's initialisation: it runs once when many threads start
// it at once, its steps run in order under their locks, a failed step runs
// again on the next call, the read-only and read-write blocks hold what they
// should (environment switches included), nothing but the process part runs
// without a session, and the exit routine frees and nulls the blocks. Each
// case runs in a child process of its own, since the state is process-wide.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "coll_startup.h"
#include "dv_coll_err.h"
#include "dv_coll_statics.h"
#include "dv_function_cache.h"
#include "dv_locks.h"
#include "dv_test_process.h"

using namespace dv_qem;

namespace {

std::atomic<int> attached{0};
std::atomic<int> dispatch_tables_set{0};
std::atomic<bool> steps_out_of_order{false};
std::atomic<bool> fail_next_dispatch{false};

void count_attach(_Session* session) {
  if (session != _Session::get_current() || _VRN_session_lock::level == 0) steps_out_of_order = true;
  ++attached;
}

void count_dispatch() {
  // Runs after the session state was attached, under the session lock.
  if (attached.load() == 0 || _VRN_session_lock::level == 0) steps_out_of_order = true;
  if (fail_next_dispatch.exchange(false)) throw dv_err_coll_internal("dispatch tables failed");
  ++dispatch_tables_set;
}

const _Coll_session_steps kCountingSteps = {count_attach, count_dispatch, nullptr};

}  // namespace

TEST(CollStartup, CasesInChildProcesses) {
  struct Case {
    const char* test;
    dv_test::env_list env;
  } cases[] = {
      {"CollStartupChild.ConcurrentInitialisationRunsOnce", {}},
      {"CollStartupChild.FailedStepRunsAgain", {}},
      {"CollStartupChild.BlocksHoldTheirValues", {{"DV_QOPT_VERBOSE", "0"}, {"DV_COLL_DEBUG_INDEX", ""}}},
      {"CollStartupChild.SwitchesAreRead", {{"DV_QOPT_VERBOSE", "1"}, {"DV_COLL_DEBUG_INDEX", "yes"}}},
      {"CollStartupChild.WithoutASessionOnlyTheProcessPartRuns", {}},
      {"CollStartupChild.CleanupFreesAndNullsTheBlocks", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(dv_test::run_child(c.test, c.env), 0) << c.test;
}

class CollStartupChild : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!dv_test::is_child()) GTEST_SKIP() << "runs in a child process";
  }
};

TEST_F(CollStartupChild, ConcurrentInitialisationRunsOnce) {
  EXPECT_EQ(dv_coll_readonly_static_pointer, nullptr);
  EXPECT_EQ(dv_coll_readwrite_static_pointer, nullptr);
  EXPECT_EQ(_Mapping_fcn_cache, nullptr);
  _VRN_coll_set_session_steps(&kCountingSteps);

  constexpr int kThreads = 8;
  std::latch start(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i)
    threads.emplace_back([&] {
      start.arrive_and_wait();
      _VRN_coll_initialize();
    });
  for (std::thread& t : threads) t.join();

  EXPECT_EQ(dispatch_tables_set.load(), 1);
  EXPECT_EQ(attached.load(), kThreads) << "the session state is fetched on every call";
  EXPECT_FALSE(steps_out_of_order.load());
  ASSERT_NE(dv_coll_readonly_static_pointer, nullptr);
  ASSERT_NE(dv_coll_readwrite_static_pointer, nullptr);
  ASSERT_NE(_Mapping_fcn_cache, nullptr);

  const void* readonly = dv_coll_readonly_static_pointer;
  const void* cache = _Mapping_fcn_cache;
  _VRN_coll_initialize();
  EXPECT_EQ(dispatch_tables_set.load(), 1);
  EXPECT_EQ(dv_coll_readonly_static_pointer, readonly);
  EXPECT_EQ(_Mapping_fcn_cache, cache);
  EXPECT_STREQ(err_coll.get_report(), "err_coll");
}

TEST_F(CollStartupChild, FailedStepRunsAgain) {
  _VRN_coll_set_session_steps(&kCountingSteps);
  fail_next_dispatch = true;
  try {
    _VRN_coll_initialize();
    ADD_FAILURE() << "initialisation did not fail";
  } catch (const dv_err_coll_internal& e) {
    EXPECT_STREQ(e.get_report(), "dv_err_coll_internal - dispatch tables failed");
  }
  EXPECT_NE(dv_coll_readonly_static_pointer, nullptr) << "the process part was done";
  EXPECT_EQ(_Mapping_fcn_cache, nullptr);

  _VRN_coll_initialize();
  EXPECT_EQ(dispatch_tables_set.load(), 1);
  EXPECT_NE(_Mapping_fcn_cache, nullptr);
}

TEST_F(CollStartupChild, BlocksHoldTheirValues) {
  _VRN_coll_initialize();
  const dv_coll_readonly_static* ro = dv_coll_readonly_static_pointer;
  ASSERT_NE(ro, nullptr);
  const char* names[] = {"disallow_duplicates", "allow_duplicates", "signal_duplicates", "allow_nulls", "", "", "",
                         "be_an_array"};
  for (int bit = 0; bit < _Coll_behavior_name_count; ++bit)
    EXPECT_STREQ(ro->behavior_names[bit], names[bit]) << "bit " << bit;
  EXPECT_STREQ(ro->anonymous_pointer_comparison, "Comparisons of pointers to anonymous classes, structs or unions");
  EXPECT_EQ(ro->verbose, 0);
  EXPECT_EQ(ro->debug_index, 0);
  EXPECT_STREQ(ro->char_array_key_name, "dv_char_array");
  EXPECT_STREQ(ro->char_array_type_name, "char[]");
  // The words around them, as stored: 0, 0 at the head; four 0, then 7; a
  // null soft pointer; the two records; -1.
  const auto* words = reinterpret_cast<const dv4u*>(ro);
  EXPECT_EQ(words[0], 0u);
  EXPECT_EQ(words[1], 0u);
  for (int w = 28; w < 32; ++w) EXPECT_EQ(words[w], 0u) << "word " << w;
  EXPECT_EQ(words[32], 7u);
  EXPECT_EQ(words[34], 0u);
  EXPECT_EQ(words[52], 0xFFFFFFFFu);
  for (const _Coll_readonly_record& record : ro->records) {
    for (int b = 0; b < 32; ++b) {
      const int want = b == 2 ? 4 : b == 8 ? 2 : b == 17 ? 1 : 0;
      EXPECT_EQ(record.bytes[b], want) << "byte " << b;
    }
  }

  const dv_coll_readwrite_static* rw = dv_coll_readwrite_static_pointer;
  ASSERT_NE(rw, nullptr);
  std::vector<char> zeros(sizeof *rw, 0);
  EXPECT_EQ(std::memcmp(rw, zeros.data(), sizeof *rw), 0);
}

TEST_F(CollStartupChild, SwitchesAreRead) {
  _VRN_coll_initialize();
  ASSERT_NE(dv_coll_readonly_static_pointer, nullptr);
  EXPECT_NE(dv_coll_readonly_static_pointer->verbose, 0);
  EXPECT_NE(dv_coll_readonly_static_pointer->debug_index, 0);
}

TEST_F(CollStartupChild, WithoutASessionOnlyTheProcessPartRuns) {
  _VRN_coll_set_session_steps(&kCountingSteps);
  _Session::cleanup_all_sessions();
  _VRN_coll_initialize();
  EXPECT_NE(dv_coll_readonly_static_pointer, nullptr);
  EXPECT_NE(dv_coll_readwrite_static_pointer, nullptr);
  EXPECT_EQ(_Mapping_fcn_cache, nullptr);
  EXPECT_EQ(attached.load(), 0);
  EXPECT_EQ(dispatch_tables_set.load(), 0);
}

TEST_F(CollStartupChild, CleanupFreesAndNullsTheBlocks) {
  _VRN_coll_cleanup();  // nothing made yet: nothing to do
  _VRN_coll_initialize();
  ASSERT_NE(dv_coll_readonly_static_pointer, nullptr);
  _VRN_coll_cleanup();
  EXPECT_EQ(dv_coll_readonly_static_pointer, nullptr);
  EXPECT_EQ(dv_coll_readwrite_static_pointer, nullptr);
  _VRN_coll_cleanup();
  _VRN_coll_initialize();
  EXPECT_EQ(dv_coll_readonly_static_pointer, nullptr) << "nothing is made again after the exit routine";
}
