// Guards the thread registry, the fault-guard bookkeeping and stopping the
// world: guarded threads are held still between stop and resume and run
// again afterwards, unguarded ones never stop, stops nest, guards nest, and
// a thread that ends with its guard still established is never signalled.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "dv_err.h"
#include "dv_fault_handler.h"
#include "dv_test_process.h"
#include "thread_registry.h"
#include "world_stop.h"

using namespace dv_qem;

namespace {

enum class Guard { none, established, ended };

// A thread that counts as fast as it can: under a fault guard, without one,
// or after a guard it established has ended.
class Spinner {
 public:
  explicit Spinner(Guard guard) : thread_([this, guard] { run(guard); }) {
    while (!started_.load()) std::this_thread::yield();
  }
  ~Spinner() {
    quit_.store(true);
    thread_.join();
  }
  unsigned count() const { return count_.load(); }

 private:
  void run(Guard guard) {
    if (guard == Guard::established) {
      _VRN_fault_handler fault_guard;
      spin();
      return;
    }
    if (guard == Guard::ended) _VRN_fault_handler fault_guard;
    spin();
  }
  void spin() {
    started_.store(true);
    while (!quit_.load()) count_.fetch_add(1);
  }

  std::atomic<bool> started_{false};
  std::atomic<bool> quit_{false};
  std::atomic<unsigned> count_{0};
  std::thread thread_;  // last: the thread starts once the fields above exist
};

using Spinners = std::vector<std::unique_ptr<Spinner>>;

Spinners make_spinners(int n, Guard guard) {
  Spinners spinners;
  for (int i = 0; i < n; ++i) spinners.push_back(std::make_unique<Spinner>(guard));
  return spinners;
}

// True once the counter moves (gives up after a generous bound, so a broken
// resume fails instead of hanging). Neither allocates nor prints, so it may
// run while the world is stopped.
bool moves(const Spinner& s) {
  unsigned before = s.count();
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < give_up) {
    if (s.count() != before) return true;
    std::this_thread::yield();
  }
  return false;
}

bool all_move(const Spinners& spinners) {
  for (const auto& s : spinners)
    if (!moves(*s)) return false;
  return true;
}

// Samples every counter twice with a pause between; true when none changed.
bool all_frozen(const Spinners& spinners, std::chrono::milliseconds pause) {
  unsigned before[8];
  size_t n = spinners.size();
  for (size_t i = 0; i < n; ++i) before[i] = spinners[i]->count();
  std::this_thread::sleep_for(pause);
  for (size_t i = 0; i < n; ++i)
    if (spinners[i]->count() != before[i]) return false;
  return true;
}

thread_local int thread_tag = 0;

// Computed afresh on every call, never hoisted out of a loop.
__attribute__((noipa)) int* thread_tag_address() { return &thread_tag; }

pid_t kernel_thread_id() { return static_cast<pid_t>(syscall(SYS_gettid)); }

}  // namespace

TEST(WorldStop, HoldsGuardedThreadsStillUntilResumed) {
  _VRN_fault_handler guard;  // the stopper's own guard must not stop it
  Spinners spinners = make_spinners(4, Guard::established);
  ASSERT_TRUE(all_move(spinners));

  _VRN_stop_the_world();
  bool frozen = all_frozen(spinners, std::chrono::milliseconds(50));
  _VRN_resume_the_world();

  EXPECT_TRUE(frozen);
  EXPECT_TRUE(all_move(spinners));
}

TEST(WorldStop, RepeatedCyclesNeitherDeadlockNorLeakARunningThread) {
  Spinners spinners = make_spinners(4, Guard::established);
  ASSERT_TRUE(all_move(spinners));
  int cycles_with_movement = 0;
  for (int cycle = 0; cycle < 200; ++cycle) {
    _VRN_stop_the_world();
    if (!all_frozen(spinners, std::chrono::milliseconds(0))) ++cycles_with_movement;
    _VRN_resume_the_world();
  }
  EXPECT_EQ(cycles_with_movement, 0);
  EXPECT_TRUE(all_move(spinners));
}

TEST(WorldStop, GuardsComingAndGoingDuringStopsNeitherDeadlockNorEscape) {
  std::atomic<bool> quit{false};
  std::atomic<unsigned> rounds[3] = {};
  std::vector<std::thread> workers;
  for (auto& r : rounds)
    workers.emplace_back([&quit, &r] {
      while (!quit.load()) {
        _VRN_fault_handler outer;
        _VRN_fault_handler inner;
        r.fetch_add(1);
      }
    });
  int escaped = 0;
  for (int cycle = 0; cycle < 100; ++cycle) {
    _VRN_stop_the_world();
    // A worker is either stopped inside its guards or waits for the registry
    // lock to establish or end one: no round completes while stopped.
    unsigned before[3];
    for (int i = 0; i < 3; ++i) before[i] = rounds[i].load();
    std::this_thread::yield();
    for (int i = 0; i < 3; ++i) escaped += rounds[i].load() != before[i];
    _VRN_resume_the_world();
  }
  // Each worker still makes progress once the world runs again.
  bool all_progressed = true;
  for (auto& r : rounds) {
    unsigned before = r.load();
    auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (r.load() == before && std::chrono::steady_clock::now() < give_up)
      std::this_thread::yield();
    all_progressed &= r.load() != before;
  }
  quit.store(true);
  for (auto& w : workers) w.join();
  EXPECT_EQ(escaped, 0);
  EXPECT_TRUE(all_progressed);
}

TEST(WorldStop, StoppedThreadsKeepTheirOwnThreadLocals) {
  std::atomic<bool> quit{false};
  std::atomic<int> running{0};
  std::atomic<int> kept{0};
  std::vector<std::thread> workers;
  for (int tag = 1; tag <= 3; ++tag)
    workers.emplace_back([&, tag] {
      _VRN_fault_handler guard;
      thread_tag = tag;
      int* own = thread_tag_address();
      running.fetch_add(1);
      bool same = true;
      while (same && !quit.load()) same = thread_tag_address() == own && *own == tag;
      kept.fetch_add(same ? 1 : 0);
    });
  while (running.load() < 3) std::this_thread::yield();
  for (int cycle = 0; cycle < 50; ++cycle) {
    _VRN_stop_the_world();
    _VRN_resume_the_world();
  }
  quit.store(true);
  for (auto& w : workers) w.join();
  EXPECT_EQ(kept.load(), 3);
}

TEST(WorldStop, ThreadsWithoutAnEstablishedGuardKeepRunning) {
  Spinners unguarded = make_spinners(1, Guard::none);
  Spinners guard_ended = make_spinners(1, Guard::ended);
  Spinners guarded = make_spinners(1, Guard::established);

  _VRN_stop_the_world();
  bool unguarded_moved = all_move(unguarded);
  bool guard_ended_moved = all_move(guard_ended);
  bool guarded_frozen = all_frozen(guarded, std::chrono::milliseconds(20));
  _VRN_resume_the_world();

  EXPECT_TRUE(unguarded_moved);
  EXPECT_TRUE(guard_ended_moved);
  EXPECT_TRUE(guarded_frozen);
}

TEST(WorldStop, NestedStopsResumeOnlyAtTheOutermost) {
  Spinners spinners = make_spinners(2, Guard::established);
  _VRN_stop_the_world();
  _VRN_stop_the_world();
  _VRN_resume_the_world();
  bool frozen_inside_outer = all_frozen(spinners, std::chrono::milliseconds(20));
  _VRN_resume_the_world();

  EXPECT_TRUE(frozen_inside_outer);
  EXPECT_TRUE(all_move(spinners));
}

TEST(WorldStop, ResumeByAThreadThatDoesNotStopTheWorldIsAnInternalError) {
  EXPECT_THROW(_VRN_resume_the_world(), dv_err_internal);

  _VRN_stop_the_world();
  bool other_thread_refused = false;
  std::thread other([&] {
    try {
      _VRN_resume_the_world();
    } catch (const dv_err_internal&) {
      other_thread_refused = true;
    }
  });
  other.join();
  _VRN_resume_the_world();
  EXPECT_TRUE(other_thread_refused);
}

TEST(WorldStop, ThreadThatEndedWithItsGuardEstablishedIsNotSignalled) {
  _Thread_info* ended_record = nullptr;
  std::thread worker([&] {
    _VRN_establish_fault_handler();  // never ended
    ended_record = _VRN_current_thread_info();
  });
  worker.join();

  ASSERT_NE(ended_record, nullptr);
  EXPECT_EQ(ended_record->has_handle, 0);
  // Would signal a dangling pthread_t, or wait for an acknowledgement that
  // never comes, if the ended thread were still counted.
  _VRN_stop_the_world();
  _VRN_resume_the_world();
}

TEST(WorldStop, SuspendSignalIsARealTimeSignal) {
  EXPECT_GE(_VRN_suspend_signal(), SIGRTMIN);
  EXPECT_LE(_VRN_suspend_signal(), SIGRTMAX);
}

TEST(FaultGuard, NestedGuardsCountAndOnlyTheOutermostHoldsTheHandle) {
  std::thread worker([] {
    _Thread_info* self = _VRN_current_thread_info();
    EXPECT_EQ(_VRN_fault_guard_depth(), 0);
    EXPECT_EQ(self->has_handle, 0);
    {
      _VRN_fault_handler outer;
      EXPECT_EQ(self->has_handle, 1);
      EXPECT_TRUE(pthread_equal(self->handle, pthread_self()));
      {
        _VRN_fault_handler middle;
        _VRN_fault_handler inner;
        EXPECT_EQ(_VRN_fault_guard_depth(), 3);
      }
      EXPECT_EQ(_VRN_fault_guard_depth(), 1);
      EXPECT_EQ(self->has_handle, 1);
    }
    EXPECT_EQ(_VRN_fault_guard_depth(), 0);
    EXPECT_EQ(self->has_handle, 0);
  });
  worker.join();
}

TEST(FaultGuard, EndingWithoutAGuardIsAnInternalError) {
  std::thread worker([] { EXPECT_THROW(_VRN_end_fault_handler(), dv_err_internal); });
  worker.join();
}

TEST(ThreadRegistry, RecordsAreMadeOnFirstUseNewestFirstAndOutliveTheirThread) {
  _Thread_info* mine = _VRN_current_thread_info();
  ASSERT_NE(mine, nullptr);
  EXPECT_EQ(_VRN_current_thread_info(), mine);
  EXPECT_EQ(mine->thread_id, kernel_thread_id());

  _Thread_info* theirs = nullptr;
  pid_t their_id = 0;
  std::thread worker([&] {
    their_id = kernel_thread_id();
    theirs = _VRN_current_thread_info();
  });
  worker.join();

  ASSERT_NE(theirs, nullptr);
  EXPECT_NE(theirs, mine);
  EXPECT_EQ(theirs->thread_id, their_id);
  EXPECT_EQ(theirs->owner_mark, 0u);
  EXPECT_EQ(theirs->in_handler, 0);
  EXPECT_EQ(theirs->reserved, 0u);

  _Thread_registry_lock lock;
  EXPECT_EQ(_VRN_thread_registry_head(), theirs);
  bool mine_listed = false;
  for (_Thread_info* r = theirs; r != nullptr; r = r->next) mine_listed |= r == mine;
  EXPECT_TRUE(mine_listed);
}
