// Guards paging with several threads: faults served on the threads that
// take them, one at a time, with reads and writes of many pages at once; and
// no thread ever sees a page that is still being read from the file, even
// while another thread drops and reads pages again and again.
//
// The worker threads are started before the main thread takes its first
// fault: under qemu-i386 a thread that has returned from a runtime signal
// runs on a private TLS selector, which threads it creates would inherit.
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
  dv_database* make(unsigned n_pages) {
    dv_database* db = dv_database::create(path("threads.db").c_str(), 0644, 1, 0);
    grow_raw_pages(db, n_pages - 1);
    for (unsigned i = 1; i < n_pages; ++i) fill_page(db, i, 1);
    db->save();
    db->return_all_pages();
    return db;
  }
};

TEST_F(PagingThreads, FaultsOnSeveralThreads) {
  constexpr unsigned kPages = 48;
  constexpr unsigned kThreads = 4;
  std::atomic<const char*> start{nullptr};
  dv_database* db = nullptr;
  std::atomic<int> bad_reads{0};
  // Each thread walks the pages from its own starting point, reading the
  // pages of the others and rewriting its own.
  thread_team team(kThreads, [&](unsigned t) {
    for (unsigned k = 0; k < kPages - 1; ++k) {
      unsigned i = 1 + (t * 11 + k) % (kPages - 1);
      if (i % kThreads == t)
        fill_page(db, i, 2);
      else if (!page_holds(start.load(), i, 1) && !page_holds(start.load(), i, 2))
        ++bad_reads;
    }
  });
  db = make(kPages);
  start.store(internal(db)->as_start);
  team.join();
  EXPECT_EQ(bad_reads.load(), 0);
  db->self_check();
  db->save();
  db->close();

  dv_database* again = dv_database::open(path("threads.db").c_str(), 1, 0, 0);
  for (unsigned i = 1; i < kPages; ++i) EXPECT_TRUE(page_holds(internal(again)->as_start, i, 2)) << i;
  again->close();
}

// One thread drops every page and reads them in again, over and over; the
// others read whole pages meanwhile (faulting pages in themselves too). A
// page is never seen before its contents are in place.
TEST_F(PagingThreads, AReaderNeverSeesAHalfFilledPage) {
  constexpr unsigned kPages = 16;
  constexpr int kRounds = 25;
  std::atomic<const char*> start{nullptr};
  std::atomic<bool> done{false};
  std::atomic<int> bad_pages{0};
  std::atomic<int> pages_checked{0};
  thread_team readers(2, [&](unsigned r) {
    unsigned i = r * 5;
    while (!done.load()) {
      i = 1 + (i * 7 + 3) % (kPages - 1);
      if (!page_holds(start.load(), i, 1)) ++bad_pages;
      ++pages_checked;
    }
  });
  dv_database* db = make(kPages);
  start.store(internal(db)->as_start);
  readers.release();
  for (int round = 0; round < kRounds; ++round) {
    durnavel::return_all_pages();
    for (unsigned i = 1; i < kPages; ++i)
      if (!page_holds(start.load(), i, 1)) ++bad_pages;
  }
  done.store(true);
  readers.join();
  EXPECT_EQ(bad_pages.load(), 0);
  EXPECT_GT(pages_checked.load(), 0);
  db->self_check();
  db->close();
}

// A read that fails lets the other threads run again.
TEST_F(PagingThreads, AFailedReadResumesTheOtherThreads) {
  std::atomic<bool> done{false};
  std::atomic<unsigned> spins{0};
  thread_team spinner(1, [&](unsigned) {
    while (!done.load()) spins.fetch_add(1);
  });
  spinner.release();
  dv_database* db = make(4);
  ASSERT_EQ(::truncate(path("threads.db").c_str(), 2 * kPage), 0);
  EXPECT_THROW((void)page_holds(internal(db)->as_start, 3, 1), dv_err_cant_read_from_file);
  const unsigned before = spins.load();
  for (int i = 0; i < 30000 && spins.load() == before; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_NE(spins.load(), before) << "the spinning thread was left stopped";
  done.store(true);
  spinner.join();
  db->close();
}

}  // namespace
