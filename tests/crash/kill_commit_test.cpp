// Guards a commit against a crash at any moment: a child process commits
// one transaction (twelve pages, a large object, page 0, growth) and is
// ended at its n-th file write or flush, for n = 1, 2, ... until a child
// finishes; the database, recovered where it needs it, must then hold
// exactly the state before or after the transaction, and once a crash point
// gives "after" every later one must too. A crash inside recovery itself is
// recovered by running recovery again.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "crash_model.h"
#include "file_fault_hook.h"

using namespace dv_qem;
using namespace dv_test;
using crash_model::state;

namespace {

// Far more than one commit of the model makes; a loop that gets here never ends.
constexpr unsigned kMostEvents = 1000;

class KillCommit : public db_test {
 protected:
  void SetUp() override {
    dv_transaction::initialize();
    db_ = path("crash.db");
    crash_model::prepare(db_);
    pristine_ = read_file(db_);
    size_before_ = file_size(db_);
  }

  void restore(const std::vector<char>& db, const std::vector<char>* log) {
    write_file(db_, db.data(), db.size());
    std::remove((db_ + ".log").c_str());
    if (log != nullptr) write_file(db_ + ".log", log->data(), log->size());
  }

  // The transaction in this process, ended at its n-th write or flush (n 0:
  // not ended).
  void commit_ended_at(unsigned n) {
    dv_database* db = dv_database::open(db_.c_str(), 0, 0, 0);
    _VRN_reset_file_event_hook();
    if (n != 0) _VRN_set_file_event_hook(crash_model::crash_now, n);
    dv_transaction::begin(dv_transaction::update);
    crash_model::change(db);
    dv_transaction::commit();
  }

  std::string db_;
  std::vector<char> pristine_;
  long size_before_ = 0;
};

TEST_F(KillCommit, EveryWriteAndFlushOfACommitAndOfItsRecovery) {
  // The size after the transaction, from a run that is not ended.
  ASSERT_EQ(crash_model::in_child([&] { commit_ended_at(0); }), 0);
  const long size_after = file_size(db_);
  ASSERT_GT(size_after, size_before_) << "the transaction grows the file";
  std::string why;
  ASSERT_EQ(crash_model::state_of(db_, size_before_, size_after, why), state::after) << why;

  unsigned crash_points = 0, recovered = 0, first_after = 0;
  std::vector<char> deepest_db, deepest_log;  // the last crash that needed recovery
  for (unsigned n = 1;; ++n) {
    ASSERT_LT(n, kMostEvents);
    restore(pristine_, nullptr);
    const int status = crash_model::in_child([&] { commit_ended_at(n); });
    ASSERT_TRUE(status == crash_model::kCrashed || status == 0) << "event " << n << ": status " << status;
    if (dv_database::needs_recovery(db_.c_str())) {
      ++recovered;
      deepest_db = read_file(db_);
      deepest_log = read_file(db_ + ".log");
    }
    const state s = crash_model::state_of(db_, size_before_, size_after, why);
    EXPECT_NE(s, state::neither) << "crash at event " << n << ": " << why;
    if (s == state::after && first_after == 0) first_after = n;
    if (s == state::before) {
      EXPECT_EQ(first_after, 0u) << "crash at event " << n << " lost a committed state";
    }
    if (status == 0) {
      EXPECT_EQ(s, state::after) << "a finished commit";
      break;
    }
    ++crash_points;
  }
  std::printf("commit: %u crash points, %u needed recovery, state after from event %u on\n", crash_points,
              recovered, first_after);
  ASSERT_GT(recovered, 0u) << "some crash points leave the file marked";

  // Recovery of the deepest crash, itself ended at each of its writes and
  // flushes, then run again.
  unsigned recovery_points = 0;
  for (unsigned m = 1;; ++m) {
    ASSERT_LT(m, kMostEvents);
    restore(deepest_db, &deepest_log);
    const int status = crash_model::in_child([&] {
      _VRN_reset_file_event_hook();
      _VRN_set_file_event_hook(crash_model::crash_now, m);
      dv_database::recover(db_.c_str());
    });
    ASSERT_TRUE(status == crash_model::kCrashed || status == 0) << "event " << m << ": status " << status;
    EXPECT_EQ(crash_model::state_of(db_, size_before_, size_after, why), state::before)
        << "recovery ended at event " << m << ": " << why;
    if (status == 0) break;
    ++recovery_points;
  }
  std::printf("recovery: %u crash points\n", recovery_points);
  EXPECT_GT(recovery_points, 2u);
}

}  // namespace
