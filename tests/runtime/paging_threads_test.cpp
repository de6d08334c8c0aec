// Guards paging with several threads: faults served on the threads that
// take them, one at a time, with reads and writes of many pages at once; and
// no thread ever sees a page that is still being read from the file, even
// while another thread drops and reads pages again and again.
//
// The worker threads are started before the main thread takes its first
// fault: under qemu-i386 a thread that has returned from a runtime signal
// runs on a private TLS selector, which threads it creates would inherit.
// Each test therefore runs in a process of its own, also when the whole
// program runs at once.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "db_test_support.h"
#include "durnavel.h"
#include "dv_test_process.h"
#include "dvdb.h"

using namespace dv_qem;
using namespace dv_test;

namespace {

// Threads that each run body(index) under a fault guard once released.
class thread_team {
 public:
  thread_team(unsigned n, std::function<void(unsigned)> body) : body_(std::move(body)) {
    for (unsigned i = 0; i < n; ++i)
      threads_.emplace_back([this, i] {
        _VRN_fault_handler guard;
        while (!go_.load()) std::this_thread::yield();
        body_(i);
      });
  }
  ~thread_team() { join(); }
  void release() { go_.store(true); }
  void join() {
    release();
    for (std::thread& t : threads_)
      if (t.joinable()) t.join();
  }

 private:
  std::function<void(unsigned)> body_;
  std::atomic<bool> go_{false};
  std::vector<std::thread> threads_;
};

class PagingThreads : public db_test {
 protected:
  // Outside a child: runs the current test in a fresh process and answers
  // true (the caller returns); inside it: false, the test runs here.
  bool ran_in_own_process() {
    if (is_child()) return false;
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    EXPECT_EQ(run_child(std::string(test->test_suite_name()) + "." + test->name()), 0);
    return true;
  }

  // A saved database of n slots (seed 1), every page but page 0 dropped.
  dv_database* make(unsigned n) {
    dv_database* db = dv_database::create(path("threads.db").c_str(), 0644, 1, 0);
    data_ = slots(db, n, 1);
    db->save();
    db->return_all_pages();
    return db;
  }

  slots data_;
};

TEST_F(PagingThreads, FaultsOnSeveralThreads) {
  if (ran_in_own_process()) return;
  constexpr unsigned kSlots = 47;
  constexpr unsigned kThreads = 4;
  std::atomic<dv_database*> db{nullptr};
  std::atomic<int> bad_reads{0};
  // Each thread walks the slots from its own starting point, reading the
  // slots of the others and rewriting its own.
  thread_team team(kThreads, [&](unsigned t) {
    for (unsigned k = 0; k < kSlots; ++k) {
      unsigned i = (t * 11 + k) % kSlots;
      if (i % kThreads == t)
        data_.fill(db.load(), i, 2);
      else if (!data_.holds(db.load(), i, 1) && !data_.holds(db.load(), i, 2))
        ++bad_reads;
    }
  });
  db.store(make(kSlots));
  team.join();
  EXPECT_EQ(bad_reads.load(), 0);
  db.load()->self_check();
  db.load()->save();
  db.load()->close();

  dv_database* again = dv_database::open(path("threads.db").c_str(), 1, 0, 0);
  // Every slot was rewritten by the thread it belongs to.
  for (unsigned i = 0; i < kSlots; ++i) EXPECT_TRUE(data_.holds(again, i, 2)) << i;
  again->close();
}

// One thread drops every page and reads them in again, over and over; the
// others read whole pages meanwhile (faulting pages in themselves too). A
// page is never seen before its contents are in place.
TEST_F(PagingThreads, AReaderNeverSeesAHalfFilledPage) {
  if (ran_in_own_process()) return;
  constexpr unsigned kSlots = 15;
  constexpr int kRounds = 25;
  std::atomic<dv_database*> db{nullptr};
  std::atomic<bool> done{false};
  std::atomic<int> bad_pages{0};
  std::atomic<int> pages_checked{0};
  thread_team readers(2, [&](unsigned r) {
    unsigned i = r * 5;
    while (!done.load()) {
      i = (i * 7 + 3) % kSlots;
      if (!data_.holds(db.load(), i, 1)) ++bad_pages;
      ++pages_checked;
    }
  });
  db.store(make(kSlots));
  readers.release();
  for (int round = 0; round < kRounds; ++round) {
    durnavel::return_all_pages();
    for (unsigned i = 0; i < kSlots; ++i)
      if (!data_.holds(db.load(), i, 1)) ++bad_pages;
  }
  done.store(true);
  readers.join();
  EXPECT_EQ(bad_pages.load(), 0);
  EXPECT_GT(pages_checked.load(), 0);
  db.load()->self_check();
  db.load()->close();
}

// A read that fails lets the other threads run again.
TEST_F(PagingThreads, AFailedReadResumesTheOtherThreads) {
  if (ran_in_own_process()) return;
  std::atomic<bool> done{false};
  std::atomic<unsigned> spins{0};
  thread_team spinner(1, [&](unsigned) {
    while (!done.load()) spins.fetch_add(1);
  });
  spinner.release();
  dv_database* db = make(3);
  ASSERT_EQ(::truncate(path("threads.db").c_str(), data_.offset(2) - 32), 0);
  EXPECT_THROW((void)data_.holds(db, 2, 1), dv_err_cant_read_from_file);
  const unsigned before = spins.load();
  for (int i = 0; i < 30000 && spins.load() == before; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_NE(spins.load(), before) << "the spinning thread was left stopped";
  done.store(true);
  spinner.join();
  db->close();
}

}  // namespace
