// Guards access-fault paging: a touched page is read and read-locked, a
// written page is logged once and write-locked, save arms the next write
// again; the refusals of the fault dispatcher with their exact texts (null,
// beyond the image, no database, read-only); touch; dropping pages; a page
// left without access is read again from the file; a failed read leaves no
// page behind; and the exception filter's handling of faults it does not
// serve (passed on, caught as transient, a call to nowhere caught in its
// caller, recursive, reported).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "db_test_support.h"
#include "durnavel.h"
#include "dv_test_process.h"
#include "dvdb.h"
#include "fault_dispatch.h"
#include "db_log.h"
#include "fault_filter.h"
#include "file_fault_hook.h"
#include "memory_layer.h"
#include "page.h"
#include "thread_registry.h"
#include "transaction_state.h"

using namespace dv_qem;
using namespace dv_test;

namespace {

// Out of line: the compiler must not see through the addresses tests use.
__attribute__((noinline)) int read_word(const void* p) { return *static_cast<const volatile int*>(p); }
__attribute__((noinline)) void write_word(void* p, int v) { *static_cast<volatile int*>(p) = v; }

class Paging : public db_test {
 protected:
  // A saved database whose pages 1 .. n_pages - 1 each hold one object (slot
  // i - 1, seed 1), with every page but page 0 dropped from memory.
  dv_database* make(unsigned n_pages, int read_only = 0) {
    std::string file = path("paging.db");
    dv_database* db = dv_database::create(file.c_str(), 0644, 1, 0);
    data_ = slots(db, n_pages - 1, 1);
    for (unsigned i = 1; i < n_pages; ++i) EXPECT_EQ(data_.page(db, i - 1), internal(db)->space_start() + i * kPage);
    db->save();
    if (read_only) {
      db->close();
      db = dv_database::open(file.c_str(), 1, 0, 0);
    }
    db->return_all_pages();
    return db;
  }

  // The object on page i (i >= 1).
  char* at(dv_database* db, unsigned i) { return data_.object(db, i - 1); }
  bool holds(dv_database* db, unsigned i, unsigned seed) { return data_.holds(db, i - 1, seed); }
  void fill(dv_database* db, unsigned i, unsigned seed) { data_.fill(db, i - 1, seed); }
  _Page* page_object(dv_database* db, unsigned i) {
    return internal(db)->find_page(internal(db)->space_start() + i * kPage);
  }
  int lock_of(dv_database* db, unsigned i) {
    _Page* p = page_object(db, i);
    return p != nullptr ? p->get_lock() : -1;
  }
  int logged() { return logged_images(path("paging.db")); }

  slots data_;
};

TEST_F(Paging, AReadFetchesAndReadLocksThePage) {
  dv_database* db = make(4);
  unsigned none, read, write;
  db->get_page_stats(none, read, write);
  EXPECT_EQ(read, 1u) << "only page 0 after dropping";
  unsigned faults = _VRN_fault_count();
  EXPECT_TRUE(holds(db, 2, 1));
  EXPECT_EQ(_VRN_fault_count(), faults + 1);
  EXPECT_EQ(lock_of(db, 2), _Page::LR);
  EXPECT_EQ(lock_of(db, 1), -1);
  EXPECT_TRUE(holds(db, 2, 1));
  EXPECT_EQ(_VRN_fault_count(), faults + 1) << "a read-locked page reads without faults";
  EXPECT_EQ(logged(), 0);
  db->self_check();
  db->close();
}

TEST_F(Paging, TheFirstWriteLogsThePageOnceAndSaveArmsItAgain) {
  dv_database* db = make(3);
  (void)read_word(at(db, 1));
  EXPECT_EQ(lock_of(db, 1), _Page::LR);
  unsigned faults = _VRN_fault_count();
  write_word(at(db, 1), 1);
  EXPECT_EQ(_VRN_fault_count(), faults + 1);
  EXPECT_EQ(lock_of(db, 1), _Page::LW);
  EXPECT_EQ(logged(), 1);
  EXPECT_EQ(log_entries(path("paging.db")).back().value, kPage) << "the image of page 1";
  write_word(at(db, 1) + 8, 2);
  EXPECT_EQ(_VRN_fault_count(), faults + 1) << "a second write causes no fault";
  EXPECT_EQ(logged(), 1);

  db->save();
  EXPECT_EQ(logged(), 0) << "the log starts afresh";
  EXPECT_EQ(lock_of(db, 1), _Page::LR);
  write_word(at(db, 1), 3);
  EXPECT_EQ(_VRN_fault_count(), faults + 2) << "after save the next write faults again";
  EXPECT_EQ(logged(), 1);

  // A first touch that writes fetches the page write-locked at once.
  write_word(at(db, 2), 4);
  EXPECT_EQ(lock_of(db, 2), _Page::LW);
  EXPECT_EQ(logged(), 2);
  EXPECT_EQ(log_entries(path("paging.db")).back().value, 2 * kPage);
  EXPECT_EQ(_VRN_fault_count(), faults + 3);
  db->close();
}

// A save makes the written pages read-only again, together with the
// read-locked pages between them in as few calls as it can, and leaves a
// page without access as it is: each page ends with the access its lock
// gives, page 0 (writable for the marks) read-only.
TEST_F(Paging, ASaveLeavesEveryPageWithTheAccessOfItsLock) {
  dv_database* db = make(9);
  for (unsigned i = 1; i < 8; ++i) (void)read_word(at(db, i));
  for (unsigned i : {1u, 3u, 4u, 7u}) fill(db, i, 2);
  page_object(db, 5)->downgrade();
  db->save();

  struct {
    unsigned page;
    int lock;
    int protection;
  } const expected[] = {
      {0, _Page::LR, dv_memory_read_only},    {1, _Page::LR, dv_memory_read_only},
      {2, _Page::LR, dv_memory_read_only},    {3, _Page::LR, dv_memory_read_only},
      {4, _Page::LR, dv_memory_read_only},    {5, _Page::LNONE, dv_memory_no_access},
      {6, _Page::LR, dv_memory_read_only},    {7, _Page::LR, dv_memory_read_only},
  };
  for (const auto& e : expected) {
    ASSERT_NE(page_object(db, e.page), nullptr) << "page " << e.page;
    EXPECT_EQ(page_object(db, e.page)->get_lock(), e.lock) << "page " << e.page;
    EXPECT_EQ(page_object(db, e.page)->get_protection(), e.protection) << "page " << e.page;
  }
  EXPECT_EQ(page_object(db, 8), nullptr) << "a page never touched stays absent";

  // What the access says holds: reads of read-locked pages pass, the page
  // without access is read again, and every write faults.
  unsigned faults = _VRN_fault_count();
  EXPECT_TRUE(holds(db, 2, 1));
  EXPECT_TRUE(holds(db, 4, 2));
  EXPECT_EQ(_VRN_fault_count(), faults);
  EXPECT_TRUE(holds(db, 5, 1));
  EXPECT_EQ(_VRN_fault_count(), faults + 1);
  for (unsigned i : {1u, 2u, 4u}) write_word(at(db, i), 9);
  EXPECT_EQ(_VRN_fault_count(), faults + 4);
  write_word(reinterpret_cast<char*>(internal(db)->super()) + offsetof(_DB_header_super, recovery_word) - 4,
             read_word(reinterpret_cast<char*>(internal(db)->super()) + offsetof(_DB_header_super, recovery_word) - 4));
  EXPECT_EQ(_VRN_fault_count(), faults + 5) << "page 0 is read-only again after the marks";
  db->save();
  db->self_check();
  db->close();
}

// Written pages far apart, with more read-only pages between them than a
// run carries: both become read-only again and the pages between stay so.
TEST_F(Paging, ASaveAcrossALongStretchOfReadOnlyPages) {
  constexpr unsigned kObjects = 1100;
  dv_database* db = dv_database::create(path("paging.db").c_str(), 0644, 1, 0);
  slots data(db, kObjects, 1);
  db->save();
  db->return_all_pages();
  for (unsigned i = 0; i < kObjects; ++i) ASSERT_TRUE(data.holds(db, i, 1)) << "object " << i;
  const unsigned written[] = {0, 1050, kObjects - 1};
  ASSERT_GT(data.page(db, 1050) - data.page(db, 0), 1030 * static_cast<long>(kPage)) << "a long stretch between";
  for (unsigned i : written) data.fill(db, i, 2);
  db->save();
  for (unsigned i = 0; i < db->size() / kPage; ++i) {
    const _Page* page = internal(db)->find_page(internal(db)->space_start() + i * kPage);
    if (page == nullptr) continue;
    ASSERT_EQ(page->get_lock(), _Page::LR) << "page " << i;
    ASSERT_EQ(page->get_protection(), dv_memory_read_only) << "page " << i;
  }
  unsigned faults = _VRN_fault_count();
  for (unsigned i : written) write_word(data.object(db, i), 9);
  EXPECT_EQ(_VRN_fault_count(), faults + 3);
  db->save();
  db->close();
}

void fail_the_write(unsigned, int) { throw dv_err_cant_write_to_file("WriteFile failed: (28) No space left on device"); }

// A page becomes writable only once its before-image is in the log: when the
// log cannot take it, the write is refused and the page stays read-only.
TEST_F(Paging, NoWriteLockWithoutTheBeforeImage) {
  dv_database* db = make(2);
  (void)read_word(at(db, 1));
  _VRN_reset_file_event_hook();
  _VRN_set_file_event_hook(fail_the_write, 1);
  EXPECT_THROW(write_word(at(db, 1), 1), dv_err_cant_write_to_file);
  _VRN_reset_file_event_hook();
  EXPECT_EQ(lock_of(db, 1), _Page::LR);
  EXPECT_EQ(logged(), 0);
  EXPECT_TRUE(holds(db, 1, 1)) << "the write did not happen";
  write_word(at(db, 1), 1);
  EXPECT_EQ(lock_of(db, 1), _Page::LW);
  EXPECT_EQ(logged(), 1);
  db->close();
}

TEST_F(Paging, DereferencingRefusals) {
  dv_database* db = make(2);
  expect_error<dv_err_deref_transient_pointer>(
      [] { (void)read_word(nullptr); },
      "dv_err_deref_transient_pointer - Access violation - Attempt to dereference a null (zero) pointer");
  expect_error<dv_err_deref_transient_pointer>(
      [] { write_word(reinterpret_cast<void*>(8), 1); },
      "dv_err_deref_transient_pointer - Violation writing non-persistent address 0x8\nThis was probably the "
      "result of dereferencing an invalid pointer");

  char* past_end = internal(db)->space_start() + db->size() + 8;
  expect_error<dv_err_illegal_pointer>(
      [&] { (void)read_word(past_end); },
      format("dv_err_illegal_pointer - Attempt to dereference the persistent pointer %#x, but it is beyond the "
             "end of the database (%s).",
             word(past_end), path("paging.db").c_str()));

  char* no_database = internal(db)->space_start() + db->as_size() + 16;
  ASSERT_TRUE(durnavel::is_persistent(no_database));
  expect_error<dv_err_illegal_pointer>(
      [&] { write_word(no_database, 1); },
      format("dv_err_illegal_pointer - Attempt to dereference the persistent pointer %#x, but no database is "
             "assigned to that address.",
             word(no_database)));
  EXPECT_EQ(_VRN_fault_in_service(), nullptr) << "the in-service mark is cleared on the way out";
  EXPECT_EQ(_VRN_current_thread_info()->in_handler, 0);

  // The refused accesses changed nothing.
  EXPECT_TRUE(holds(db, 1, 1));
  db->self_check();
  db->close();
}

TEST_F(Paging, WritingAReadOnlyDatabase) {
  dv_database* db = make(2, 1);
  expect_error<dv_err_write_permission_denied>(
      [&] { write_word(at(db, 1), 1); },
      "dv_err_write_permission_denied - Attempt to write to a readonly database (" + path("paging.db") + ").");
  EXPECT_TRUE(holds(db, 1, 1)) << "reading still works";
  expect_error<dv_err_write_permission_denied>(
      [&] { write_word(at(db, 1), 1); },
      "dv_err_write_permission_denied - Attempt to write to a readonly database (" + path("paging.db") + ").");
  EXPECT_EQ(lock_of(db, 1), _Page::LR);
  db->close();
}

TEST_F(Paging, Touch) {
  dv_database* db = make(3);
  unsigned faults = _VRN_fault_count();
  durnavel::touch(at(db, 1) + 100, 0);
  EXPECT_EQ(_VRN_touched(), 1);
  EXPECT_EQ(lock_of(db, 1), _Page::LR);
  durnavel::touch(at(db, 1), 0);
  EXPECT_EQ(_VRN_touched(), 0) << "nothing to do for a read-locked page";
  durnavel::touch(at(db, 1), 1);
  EXPECT_EQ(_VRN_touched(), 1);
  EXPECT_EQ(lock_of(db, 1), _Page::LW);
  EXPECT_EQ(logged(), 1);
  durnavel::touch(at(db, 1), 1);
  EXPECT_EQ(_VRN_touched(), 0);
  durnavel::touch(at(db, 2), 1);
  EXPECT_EQ(lock_of(db, 2), _Page::LW);
  EXPECT_EQ(_VRN_fault_count(), faults) << "touch serves without faults";
  int on_stack = 0;
  durnavel::touch(&on_stack, 1);
  EXPECT_EQ(_VRN_touched(), 0);
  EXPECT_TRUE(holds(db, 2, 1));
  db->close();
}

TEST_F(Paging, DroppingPages) {
  dv_database* db = make(6);
  for (unsigned i = 1; i < 5; ++i) (void)read_word(at(db, i));
  fill(db, 1, 2);  // modified: kept
  EXPECT_EQ(durnavel::return_memory(at(db, 2), 2 * kPage, 0), 0u);
  EXPECT_EQ(durnavel::return_memory(at(db, 2), 0, 1), 0u);
  EXPECT_EQ(durnavel::return_memory(at(db, 2) + 10, kPage, 1), 2u) << "widened to whole pages";
  EXPECT_EQ(lock_of(db, 2), -1);
  EXPECT_EQ(lock_of(db, 3), -1);
  EXPECT_EQ(lock_of(db, 4), _Page::LR);
  EXPECT_EQ(durnavel::return_memory(internal(db)->space_start() + 64 * kPage, kPage, 1), 0u) << "beyond the image";
  EXPECT_EQ(db->return_all_pages(), 1u) << "page 4; page 0 and the modified page stay";
  EXPECT_EQ(lock_of(db, 0), _Page::LR);
  EXPECT_EQ(lock_of(db, 1), _Page::LW);
  unsigned faults = _VRN_fault_count();
  EXPECT_TRUE(holds(db, 3, 1));
  EXPECT_TRUE(holds(db, 1, 2));
  EXPECT_EQ(_VRN_fault_count(), faults + 1);
  EXPECT_EQ(durnavel::return_all_pages(), 1u);
  db->self_check();
  db->close();
}

// A page left without access (as an abort leaves the pages it reverted) is
// read again from the file at its next touch, not merely opened.
TEST_F(Paging, APageLeftWithoutAccessIsFetchedAgain) {
  dv_database* db = make(2);
  fill(db, 1, 2);
  _Page* p = page_object(db, 1);
  ASSERT_EQ(p->get_lock(), _Page::LW);
  p->downgrade();
  EXPECT_EQ(p->get_lock(), _Page::LNONE);
  EXPECT_TRUE(holds(db, 1, 1)) << "the file's contents";
  EXPECT_EQ(lock_of(db, 1), _Page::LR);
  page_object(db, 1)->downgrade();
  write_word(at(db, 1), 5);
  EXPECT_EQ(lock_of(db, 1), _Page::LW);
  db->self_check();
  db->close();
}

// A page that cannot be read is not left in memory half-made: the next
// touch tries the file again.
TEST_F(Paging, AFailedReadLeavesNoPageBehind) {
  dv_database* db = make(4);
  std::vector<char> image = read_file(path("paging.db"));
  ASSERT_EQ(::truncate(path("paging.db").c_str(), 2 * kPage), 0);
  for (int attempt = 0; attempt < 2; ++attempt) {
    expect_error<dv_err_cant_read_from_file>([&] { (void)read_word(at(db, 3)); },
                                             "dv_err_cant_read_from_file - Failed to read 4096 bytes from file.");
    EXPECT_EQ(page_object(db, 3), nullptr);
  }
  unsigned none, read, write;
  db->get_page_stats(none, read, write);
  EXPECT_EQ(none + read + write, 1u);
  write_file(path("paging.db"), image.data(), image.size());
  EXPECT_TRUE(holds(db, 3, 1));
  db->self_check();
  db->close();
}

TEST_F(Paging, PageDumpLinesAndTheDatabaseDump) {
  dv_database* db = make(3);
  (void)read_word(at(db, 2));
  char* start = internal(db)->space_start();
  testing::internal::CaptureStdout();
  page_object(db, 2)->dump_line(2);
  page_object(db, 0)->dump_line(0);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, format("   Page    2 0x%x, buffer 0x%x, offset   8192, lock=LR\n"
                        "   Page    0 0x%x, buffer 0x%x, offset      0, lock=LR (root)\n",
                        word(page_object(db, 2)), word(start + 2 * kPage), word(page_object(db, 0)), word(start)));
  testing::internal::CaptureStdout();
  db->dump_contents();
  out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.substr(0, out.find("Dumping contents of system pages")),
            format("DATABASE %s\n=====================================================\nR/W, AS [0x%x, %u], size %u\n",
                   path("paging.db").c_str(), word(start), 8 * kMiB, db->size()));
  // The allocator's dump has read every user page.
  EXPECT_EQ(out.substr(out.find("Dumping page info")),
            format("Dumping page info\n=================\n"
                   "   Page    0 0x%x, buffer 0x%x, offset      0, lock=LR (root)\n"
                   "   Page    1 0x%x, buffer 0x%x, offset   4096, lock=LR\n"
                   "   Page    2 0x%x, buffer 0x%x, offset   8192, lock=LR\n",
                   word(page_object(db, 0)), word(start), word(page_object(db, 1)), word(start + kPage),
                   word(page_object(db, 2)), word(start + 2 * kPage)));
  db->close();
}

TEST_F(Paging, ARecursiveFaultIsRefused) {
  dv_database* db = make(2);
  _Thread_info* self = _VRN_current_thread_info();
  self->in_handler = 1;
  expect_error<dv_err_recursive_fault_detected>(
      [&] { (void)read_word(at(db, 1)); },
      format("dv_err_recursive_fault_detected - Recursive exception detected at address 0x%x. Please see "
             "documentation.",
             word(at(db, 1))));
  self->in_handler = 0;

  _VRN_set_fault_in_service(at(db, 0));
  expect_error<dv_err_internal>([&] { (void)read_word(at(db, 1)); },
                                format("dv_err_internal - recursive reading fault on address %#x", word(at(db, 1))));
  _VRN_set_fault_in_service(nullptr);
  EXPECT_TRUE(holds(db, 1, 1));
  db->close();
}

TEST_F(Paging, TransientFaultsAreCaughtWhenAskedTo) {
  durnavel::initialize();
  void* transient = ::mmap(nullptr, kPage, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(transient, MAP_FAILED);
  _VRN_catch_transient_faults(1);
  expect_error<dv_err_misc>([&] { (void)read_word(transient); },
                            format("dv_err_misc - read-fault on transient address 0x%x, continuable 1\n", word(transient)));
  expect_error<dv_err_misc>([&] { write_word(transient, 1); },
                            format("dv_err_misc - write-fault on transient address 0x%x, continuable 1\n", word(transient)));
  _VRN_catch_transient_faults(0);
  ::munmap(transient, kPage);
}

// A call through a damaged pointer to code jumps to an address outside
// every database (or to null): the error is raised as from the call, so it
// unwinds through the caller and is caught there.
TEST_F(Paging, ACallToNowhereRaisesItsErrorInTheCaller) {
  durnavel::initialize();
  void* transient = ::mmap(nullptr, kPage, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(transient, MAP_FAILED);
  using Code = int (*)(int);
  auto call = [](void* where) {
    Code volatile code = reinterpret_cast<Code>(where);
    return code(1);
  };
  _VRN_catch_transient_faults(1);
  expect_error<dv_err_misc>([&] { (void)call(transient); },
                            format("dv_err_misc - read-fault on transient address 0x%x, continuable 1\n", word(transient)));
  _VRN_catch_transient_faults(0);
  expect_error<dv_err_deref_transient_pointer>(
      [&] { (void)call(nullptr); },
      "dv_err_deref_transient_pointer - Access violation - Attempt to dereference a null (zero) pointer");
  EXPECT_EQ(_VRN_current_thread_info()->in_handler, 0);
  ::munmap(transient, kPage);
}

// An undo marker makes the next write of every write-locked page fault
// again, so the undo records see it; the log has it already. After a save
// the page is read-locked and its next write is logged again.
TEST_F(Paging, AnUndoMarkerArmsWrittenPagesAgain) {
  dv_database* db = make(3);
  write_word(at(db, 1), 1);
  EXPECT_EQ(logged(), 1);
  db->set_undo_marker();
  EXPECT_TRUE(page_object(db, 1)->is_rearmed());
  EXPECT_EQ(lock_of(db, 1), _Page::LW);
  unsigned faults = _VRN_fault_count();
  write_word(at(db, 1), 2);
  EXPECT_EQ(_VRN_fault_count(), faults + 1) << "the write faults again";
  EXPECT_TRUE(internal(db)->held_by_undo(page_object(db, 1)));
  EXPECT_EQ(logged(), 1) << "not logged twice";
  EXPECT_FALSE(page_object(db, 1)->is_rearmed());
  write_word(at(db, 1), 3);
  EXPECT_EQ(_VRN_fault_count(), faults + 1);
  write_word(at(db, 2), 3);
  EXPECT_TRUE(internal(db)->held_by_undo(page_object(db, 2)));
  EXPECT_EQ(logged(), 2);

  EXPECT_EQ(db->is_undoable(), 1);
  db->undo(2);
  EXPECT_EQ(read_word(at(db, 1)), 1);
  EXPECT_EQ(db->is_redoable(), 1);
  db->redo(1);
  EXPECT_EQ(read_word(at(db, 1)), 3);
  EXPECT_TRUE(page_object(db, 1)->is_rearmed()) << "re-armed after the step";
  db->save();
  EXPECT_EQ(db->is_undoable(), 0) << "save forgets the undo records";
  EXPECT_FALSE(page_object(db, 1)->is_rearmed());
  write_word(at(db, 1), 4);
  EXPECT_EQ(logged(), 1) << "the first write after save is logged again";
  db->close();

  dv_database* ro = dv_database::open(path("paging.db").c_str(), 1, 0, 0);
  expect_error<dv_err_write_permission_denied>(
      [&] { ro->set_undo_marker(); },
      "dv_err_write_permission_denied - Attempt to set an undo_marker for a readonly database (" + path("paging.db") +
          ").\n");
  ro->close();
}

// With transactions initialised, persistent memory is touched only inside a
// transaction, and the database grows only in an update transaction.
TEST_F(Paging, TransactionsInUseWithoutATransaction) {
  dv_database* db = make(2);
  _Transaction_state::initialized = 1;
  expect_error<dv_err_trans>(
      [&] { (void)read_word(at(db, 1)); },
      format("dv_err_trans - Attempt to dereference a pointer to persistent memory (0x%x) with no transaction in "
             "progress.",
             word(at(db, 1))));
  expect_error<dv_err_trans>(
      [&] { durnavel::touch(at(db, 1), 0); },
      format("dv_err_trans - Attempt to touch persistent memory (0x%x) with no transaction in progress.",
             word(at(db, 1))));
  expect_error<dv_err_trans>([&] { internal(db)->grow_page(); },
                             "dv_err_trans - Attempt allocate memory in database (" + path("paging.db") +
                                 ") with no update transaction in progress.");
  EXPECT_EQ(durnavel::disable_logging(), 0);
  EXPECT_EQ(page_object(db, 1), nullptr);
  _Transaction_state::initialized = 0;
  db->close();
}

TEST_F(Paging, NoLogFileWhenLoggingIsOff) {
  EXPECT_EQ(durnavel::disable_logging(), 1);
  dv_database* db = make(2);
  EXPECT_EQ(internal(db)->database_log(), _DB_log::dummy());
  EXPECT_EQ(file_size(path("paging.db") + ".log"), -1);
  fill(db, 1, 2);
  db->save();
  EXPECT_EQ(file_size(path("paging.db") + ".log"), -1);
  db->close();
}

// ---- faults the filter does not serve, each in a child process ------------

class PagingChild : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!is_child()) GTEST_SKIP() << "runs in a child process";
  }
};

TEST(PagingFilter, UnservedFaults) {
  EXPECT_EQ(run_child("PagingChild.TransientFaultGoesToThePreviousHandler"), 0);
  EXPECT_EQ(run_child("PagingChild.AThreadWithoutAGuardIsNotServed"), 128 + SIGSEGV);
  scratch_dir dir;
  std::string report = dir / "stderr";
  EXPECT_EQ(run_child("PagingChild.ReportedWithDebugSwitch", {{"DV_DEBUG_C0000005", "1"}, {"DV_TEST_FILE", report}}),
            128 + SIGSEGV);
  std::vector<char> text = read_file(report);
  std::string line(text.begin(), text.end());
  EXPECT_EQ(line.substr(0, 26), "Attempt to write location ") << line;
  EXPECT_NE(line.find(" from EIP "), std::string::npos) << line;
}

void* unlocked_page = nullptr;
int previous_handler_calls = 0;

void previous_handler(int, siginfo_t* info, void*) {
  ++previous_handler_calls;
  if (info->si_addr == unlocked_page) ::mprotect(unlocked_page, kPage, PROT_READ | PROT_WRITE);
}

TEST(PagingTrace, TracesOfTheDispatcher) { EXPECT_EQ(run_child("PagingChild.TracesOfTheDispatcher", {{"_DV_TRACE_MEMORY", "3"}}), 0); }

TEST_F(PagingChild, TracesOfTheDispatcher) {
  scratch_dir dir;
  _VRN_fault_handler guard;
  dv_database* db = dv_database::create((dir / "trace.db").c_str(), 0644, 0, 0);
  slots data(db, 1);
  db->save();
  db->return_all_pages();
  char* p = DVDB::page_of(data.object(db, 0));
  testing::internal::CaptureStdout();
  (void)read_word(p + 12);
  _Handler(p + 16, dv_mem_signal_read);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, format("_Handler(): 0x%x -> 0x%x (reading).]\n"
                        "_Handler(): 0x%x -> 0x%x (reading).]\n_Handler(): 0x%x ignored.\n",
                        word(p + 12), word(p), word(p + 16), word(p), word(p + 16)));
  db->close();
}

TEST_F(PagingChild, TransientFaultGoesToThePreviousHandler) {
  struct sigaction action {};
  action.sa_sigaction = previous_handler;
  action.sa_flags = SA_SIGINFO;
  sigaction(SIGSEGV, &action, nullptr);
  durnavel::initialize();
  _VRN_fault_handler guard;
  unlocked_page = ::mmap(nullptr, kPage, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  write_word(unlocked_page, 7);
  EXPECT_EQ(read_word(unlocked_page), 7);
  EXPECT_EQ(previous_handler_calls, 1);
}

TEST_F(PagingChild, AThreadWithoutAGuardIsNotServed) {
  scratch_dir dir;
  std::string file = dir / "unguarded.db";
  dv_database* db = nullptr;
  {
    _VRN_fault_handler guard;
    db = dv_database::create(file.c_str(), 0644, 0, 0);
    slots data(db, 1);
    db->save();
    db->return_all_pages();
  }
  char* p = internal(db)->space_start() + kPage + 32;
  std::thread([p] { (void)read_word(p); }).join();
}

TEST_F(PagingChild, ReportedWithDebugSwitch) {
  std::FILE* redirected = std::freopen(std::getenv("DV_TEST_FILE"), "w", stderr);
  ASSERT_NE(redirected, nullptr);
  durnavel::initialize();
  _VRN_fault_handler guard;
  void* page = ::mmap(nullptr, kPage, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  _VRN_current_thread_info()->in_handler = 1;
  write_word(static_cast<char*>(page), 1);
}

}  // namespace
