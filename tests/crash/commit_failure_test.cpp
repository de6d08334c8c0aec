// Guards a commit whose file writes fail: each write or flush of the commit
// in turn is made to fail (as a full device or a failed flush would). The
// commit fails with that write error and the transaction stays in
// progress. A failure before the database file is marked leaves the
// database usable, and committing again succeeds; a failure after it leaves
// the database refused as needing recovery, none of its pages writable,
// and recovery gives back the state before or after the transaction.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "crash_model.h"
#include "file_fault_hook.h"

using namespace dv_qem;
using namespace dv_test;
using crash_model::state;

namespace {

constexpr unsigned kMostEvents = 1000;

void fail_here(unsigned, int kind) {
  if (kind == _VRN_FILE_EVENT_WRITE) throw dv_err_cant_write_to_file("Failed to write %d bytes to file.", 7);
  throw dv_err_cant_write_to_file("FlushFileBuffers failed: %s", "(5) Input/output error");
}

class CommitFailure : public db_test {
 protected:
  void SetUp() override {
    dv_transaction::initialize();
    db_ = path("crash.db");
    crash_model::prepare(db_);
    pristine_ = read_file(db_);
    size_before_ = file_size(db_);
  }
  void TearDown() override { _VRN_reset_file_event_hook(); }

  // The files a failed commit left, once the transaction was ended.
  struct failure {
    unsigned event;
    std::vector<char> db, log;
  };

  std::string db_;
  std::vector<char> pristine_;
  long size_before_ = 0;
  std::vector<failure> failures_;
};

TEST_F(CommitFailure, EveryFailedWriteOrFlushOfACommit) {
  long size_after = 0;
  unsigned usable = 0, refused = 0;
  for (unsigned n = 1;; ++n) {
    ASSERT_LT(n, kMostEvents);
    SCOPED_TRACE("failure at event " + std::to_string(n) + " of the commit");
    write_file(db_, pristine_.data(), pristine_.size());
    std::remove((db_ + ".log").c_str());

    dv_database* db = dv_database::open(db_.c_str(), 0, 0, 0);
    dv_transaction* txn = dv_transaction::begin(dv_transaction::update);
    crash_model::change(db);
    char* slab = crash_model::root_value(db, crash_model::slab_name(3));
    _VRN_reset_file_event_hook();
    _VRN_set_file_event_hook(fail_here, n);
    bool failed = false;
    try {
      dv_transaction::commit();
    } catch (const dv_err_cant_write_to_file& e) {
      failed = true;
      const std::string report = e.get_report();
      EXPECT_TRUE(report == "dv_err_cant_write_to_file - Failed to write 7 bytes to file." ||
                  report == "dv_err_cant_write_to_file - FlushFileBuffers failed: (5) Input/output error")
          << report;
    }
    _VRN_reset_file_event_hook();
    if (!failed) {
      // Past the commit's last event: done.
      EXPECT_TRUE(txn->is_committed());
      db->close();
      size_after = file_size(db_);
      std::string why;
      EXPECT_EQ(crash_model::state_of(db_, size_before_, size_after, why), state::after) << why;
      break;
    }
    EXPECT_EQ(dv_transaction::get_current(), txn) << "the transaction goes on";

    if (db->needs_recovery()) {
      ++refused;
      unsigned unlocked, read_locked, write_locked;
      db->get_page_stats(unlocked, read_locked, write_locked);
      EXPECT_EQ(write_locked, 0u) << "no page stays writable";
      expect_error<dv_err_database_needs_recovery>(
          [&] { durnavel::touch(slab, 1); },
          "dv_err_database_needs_recovery - Trying to access a database which needs recovery (" + db_ + ").");
      expect_error<dv_err_database_needs_recovery>(
          [&] { dv_transaction::commit(); },
          "dv_err_database_needs_recovery - Trying to access a database which needs recovery (" + db_ + ").");
      dv_transaction::abort();
      db->close();
    } else {
      ++usable;
      dv_transaction::commit();  // the same changes, written this time
      EXPECT_TRUE(crash_model::seed_of(slab, crash_model::kSlabBytes, 3) == 2);
      db->close();
    }
    // What the file holds is one of the two states, whichever way the
    // failed write went (checked against the size after, known at the end).
    failures_.push_back({n, read_file(db_), read_file(db_ + ".log")});
  }
  ASSERT_GT(size_after, size_before_);
  for (const failure& f : failures_) {
    write_file(db_, f.db.data(), f.db.size());
    std::remove((db_ + ".log").c_str());
    if (!f.log.empty()) write_file(db_ + ".log", f.log.data(), f.log.size());
    std::string why;
    EXPECT_NE(crash_model::state_of(db_, size_before_, size_after, why), state::neither)
        << "failure at event " << f.event << ": " << why;
  }
  std::printf("commit failures: %u left the database usable, %u left it refused until recovered\n", usable,
              refused);
  EXPECT_GT(usable, 0u);
  EXPECT_GT(refused, 0u);
}

}  // namespace
