// Guards the session and the two process-wide locks: slot keys are checked,
// slot objects die with their session, the only session can be destroyed,
// and both locks nest on one thread while keeping other threads out until
// fully released (the thread lock also under contention).
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "dv_err.h"
#include "dv_locks.h"
#include "dv_test_process.h"

using namespace dv_qem;

namespace {

int destroyed_locals = 0;

struct Counted_local : _Subsystem_local {
  ~Counted_local() override { ++destroyed_locals; }
};

}  // namespace

TEST(Session, OnlySessionExistsFromLoadWithEmptySlots) {
  _Session* session = _Session::get_current(0);
  ASSERT_NE(session, nullptr);
  EXPECT_EQ(session, _Session::only_session);
  EXPECT_EQ(_Session::get_current(1), session);
  EXPECT_EQ(session->get_local(1), nullptr);
}

TEST(Session, KeysOtherThanOneAreInternalErrors) {
  _Session session("keys");
  for (unsigned key : {0u, 2u, 3u, 0xffffffffu}) {
    SCOPED_TRACE(key);
    try {
      session.get_local(key);
      ADD_FAILURE() << "get_local accepted the key";
    } catch (const dv_err_internal& e) {
      EXPECT_NE(std::strstr(e.get_report(),
                            "Assertion \"key>reserved_subsystem && key<MAX_N_SUBSYSTEMS\" failed"),
                nullptr)
          << e.get_report();
    }
    Counted_local local;
    EXPECT_THROW(session.set_local(key, &local), dv_err_internal);
  }
}

TEST(Session, SetLocalIsReadBackAndDestroyedWithTheSession) {
  destroyed_locals = 0;
  auto* session = new _Session("slots");
  EXPECT_EQ(session->get_local(1), nullptr);
  auto* local = new Counted_local;
  session->set_local(1, local);
  EXPECT_EQ(session->get_local(1), local);
  delete session;
  EXPECT_EQ(destroyed_locals, 1);
}

TEST(Session, CleanupDestroysTheOnlySession) {
  if (!dv_test::is_child()) {
    EXPECT_EQ(dv_test::run_child("Session.CleanupDestroysTheOnlySession"), 0);
    return;
  }
  destroyed_locals = 0;
  _Session::get_current()->set_local(1, new Counted_local);
  _Session::cleanup_all_sessions();
  EXPECT_EQ(destroyed_locals, 1);
  EXPECT_EQ(_Session::get_current(), nullptr);
  EXPECT_EQ(_Session::only_session, nullptr);
  _Session::cleanup_all_sessions();  // nothing left to destroy; unload runs it again too
  EXPECT_EQ(destroyed_locals, 1);
}

TEST(SessionLock, NestedGuardsRaiseLevelToTheDepth) {
  EXPECT_EQ(_VRN_session_lock::level, 0u);
  {
    _VRN_session_lock outer;
    EXPECT_EQ(_VRN_session_lock::level, 1u);
    {
      _VRN_session_lock middle;
      _VRN_session_lock inner;
      EXPECT_EQ(_VRN_session_lock::level, 3u);
    }
    EXPECT_EQ(_VRN_session_lock::level, 1u);
  }
  EXPECT_EQ(_VRN_session_lock::level, 0u);
}

TEST(SessionLock, SecondThreadWaitsUntilTheFirstHasFullyLeft) {
  std::atomic<bool> second_entered{false};
  dv4u level_seen_by_second = 0;
  std::thread second;
  {
    auto* outer = new _VRN_session_lock;
    {
      _VRN_session_lock inner;
      second = std::thread([&] {
        _VRN_session_lock lock;
        level_seen_by_second = _VRN_session_lock::level;
        second_entered.store(true);
      });
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      EXPECT_FALSE(second_entered.load());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(second_entered.load()) << "entered while the outer guard was held";
    delete outer;
  }
  second.join();
  EXPECT_TRUE(second_entered.load());
  EXPECT_EQ(level_seen_by_second, 1u);
  EXPECT_EQ(_VRN_session_lock::level, 0u);
}

TEST(ThreadLock, NestsOnOneThreadAndKeepsOthersOutUntilReleased) {
  std::atomic<bool> other_entered{false};
  std::thread other;
  {
    _VRN_thread_lock outer;
    _VRN_thread_lock inner;
    other = std::thread([&] {
      _VRN_thread_lock lock;
      other_entered.store(true);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(other_entered.load());
  }
  other.join();
  EXPECT_TRUE(other_entered.load());
}

// Threads taking the lock many times, nested, while the others want it too:
// one thread inside at a time, no increment lost, and each thread's errno
// as it was (waiting for the lock must not change it).
TEST(ThreadLock, ContendedTakingsExcludeEachOtherAndKeepErrno) {
  constexpr int kThreads = 4;
  constexpr int kTakings = 2000;
  int counter = 0;  // guarded by the thread lock only
  std::atomic<bool> go{false};
  std::atomic<int> inside{0};
  std::atomic<int> overlaps{0};
  std::atomic<int> errno_changes{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      while (!go.load()) std::this_thread::yield();
      for (int i = 0; i < kTakings; ++i) {
        errno = 1000 + t;
        {
          _VRN_thread_lock outer;
          if (inside.fetch_add(1) != 0) overlaps.fetch_add(1);
          {
            _VRN_thread_lock nested;
            const int seen = counter;
            std::this_thread::yield();  // the others reach for the lock meanwhile
            counter = seen + 1;
          }
          inside.fetch_sub(1);
        }
        if (errno != 1000 + t) errno_changes.fetch_add(1);
      }
    });
  }
  go.store(true);
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(overlaps.load(), 0);
  EXPECT_EQ(errno_changes.load(), 0);
  EXPECT_EQ(counter, kThreads * kTakings);
}
