// Guards the writing side of the recovery log: the header and entry bytes at
// their offsets, complete/reset/close, names that must fit the header,
// temporary logs, the assertions, the dummy log, write failures (full
// device, file too large, failure inside complete), the order of writes
// and flushes that makes a completed log durable before it is relied on, and
// a completed log that ends with its end entry whatever an earlier write left
// in the file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "db_log.h"
#include "dv_err.h"
#include "dv_platform.h"
#include "dv_scratch_dir.h"
#include "file_fault_hook.h"
#include "log_format.h"
#include "log_test_support.h"

using namespace dv_qem;
using dv_test::bytes;
using dv_test::get_at;
using dv_test::kPage;

namespace {

constexpr size_t kHeader = sizeof(_DB_log_header);
constexpr size_t kEntry = sizeof(_DB_log_entry);

std::string field_string(const bytes& data, size_t offset, size_t size) {
  return std::string(reinterpret_cast<const char*>(data.data()) + offset, size);
}

bool all_zero(const bytes& data, size_t offset, size_t size) {
  for (size_t i = offset; i < offset + size; ++i)
    if (data[i] != 0) return false;
  return true;
}

// The report of the dv_err that fn throws, or "" when it throws none.
template <typename Fn>
std::string report_of(Fn fn) {
  try {
    fn();
  } catch (const dv_err& e) {
    return e.get_report();
  }
  return "";
}

std::string assertion(const char* text) {
  return std::string("dv_err_internal - Assertion \"") + text + "\" failed";
}

class RecoveryLog : public ::testing::Test {
 protected:
  void TearDown() override { _VRN_reset_file_event_hook(); }

  std::string db_path() const { return dir_ / "store.db"; }
  std::string log_path() const { return db_path() + ".log"; }
  _DB_log* open_log() { return _DB_log::open_for_update(db_path().c_str(), false); }

  dv_test::scratch_dir dir_;
};

void expect_header(const bytes& log, const char* state, dv4s in_progress, dv4s stamp) {
  ASSERT_GE(log.size(), kHeader);
  EXPECT_TRUE(all_zero(log, 0, 32)) << "write bookkeeping";
  EXPECT_EQ(field_string(log, 32, 28), std::string("GRENVALDOMARK C++ LOG LT PR", 28));
  EXPECT_EQ(field_string(log, 60, 4), std::string(state, 4));
  EXPECT_EQ(get_at<dv4s>(log, 64), in_progress);
  EXPECT_EQ(get_at<dv4s>(log, 68), stamp);
  EXPECT_EQ(field_string(log, 72, 128), std::string("store.db") + std::string(120, '\0'));
  EXPECT_EQ(field_string(log, 200, 128), std::string("store.db.log") + std::string(116, '\0'));
  EXPECT_EQ(get_at<dv4s>(log, 328), 4096);
  EXPECT_EQ(get_at<dv2u>(log, 332), 1);
  EXPECT_EQ(get_at<dv2u>(log, 334), 2);
  // Where the entries end: set with the completion marks (a complete log
  // ends there), 0 in progress.
  EXPECT_EQ(get_at<dv4u>(log, 336), in_progress != 0 ? 0u : static_cast<dv4u>(log.size()));
  EXPECT_TRUE(all_zero(log, 340, 172));
}

void expect_entry(const bytes& log, size_t at, dv4s kind, dv4s offset, dv4s page_size,
                  dv4s old_size) {
  ASSERT_GE(log.size(), at + kEntry);
  EXPECT_TRUE(all_zero(log, at, 32)) << "write bookkeeping";
  EXPECT_EQ(field_string(log, at + 32, 6), std::string("TaggY", 6));
  EXPECT_EQ(get_at<dv2u>(log, at + 38), 0);
  EXPECT_EQ(get_at<dv4s>(log, at + 40), kind);
  EXPECT_EQ(get_at<dv4s>(log, at + 44), offset);
  EXPECT_EQ(get_at<dv4s>(log, at + 48), page_size);
  // An image entry records its page's number + 1 there.
  EXPECT_EQ(get_at<dv4s>(log, at + 52), kind == 1 ? offset / 4096 + 1 : old_size);
}

TEST_F(RecoveryLog, AnOpenedLogIsAHeaderInProgress) {
  _DB_log* log = open_log();
  EXPECT_EQ(std::string(log->path()), log_path());
  bytes file = dv_test::read_bytes(log_path());
  EXPECT_EQ(file.size(), kHeader);
  expect_header(file, "BAD", 1, 0);
  log->close(true);
}

TEST_F(RecoveryLog, EntriesAndTheCompletedHeaderAtTheirOffsets) {
  bytes image = dv_test::make_database_image(2, 3);
  _DB_log* log = open_log();
  log->log_page(kPage, image.data() + kPage, kPage);
  log->log_growth(2 * kPage);
  log->complete(0x01020304);
  bytes file = dv_test::read_bytes(log_path());
  ASSERT_EQ(file.size(), kHeader + kEntry + kPage + kEntry + kEntry);
  expect_header(file, "-OK", 0, 0x01020304);
  expect_entry(file, kHeader, 1, kPage, kPage, 0);
  EXPECT_TRUE(std::equal(image.begin() + kPage, image.end(), file.begin() + kHeader + kEntry));
  expect_entry(file, kHeader + kEntry + kPage, 2, 0, 0, 2 * kPage);
  expect_entry(file, kHeader + kEntry + kPage + kEntry, 3, 0, 0, 0);
  log->close(true);
}

// A run of growth is logged as the same entries, one a page, as growth one
// page at a time, behind what was logged before it.
TEST_F(RecoveryLog, AGrowthRunLogsOneEntryAPageWithTheSizeBeforeIt) {
  bytes image = dv_test::make_database_image(2, 3);
  _DB_log* log = open_log();
  log->log_page(kPage, image.data() + kPage, kPage);
  log->log_growth_run(2 * kPage, 3);
  log->log_growth(5 * kPage);
  log->complete(7);
  bytes file = dv_test::read_bytes(log_path());
  const size_t growth = kHeader + kEntry + kPage;
  ASSERT_EQ(file.size(), growth + 5 * kEntry);
  for (unsigned i = 0; i < 4; ++i) expect_entry(file, growth + i * kEntry, 2, 0, 0, (2 + i) * kPage);
  expect_entry(file, growth + 4 * kEntry, 3, 0, 0, 0);
  log->close(true);
}

TEST_F(RecoveryLog, ResetCutsTheEntriesAndStartsOver) {
  bytes image = dv_test::make_database_image(1, 3);
  _DB_log* log = open_log();
  log->log_page(0, image.data(), kPage);
  log->complete(9);
  log->reset();
  bytes file = dv_test::read_bytes(log_path());
  expect_header(file, "BAD", 1, 0);
  ASSERT_GE(file.size(), kHeader + kEntry);
  EXPECT_TRUE(all_zero(file, kHeader, kEntry)) << "an empty slot right behind the header: no entries";

  log->log_growth(kPage);  // the next write appends right behind the header
  log->complete(10);
  file = dv_test::read_bytes(log_path());
  ASSERT_EQ(file.size(), kHeader + 2 * kEntry);
  expect_header(file, "-OK", 0, 10);
  expect_entry(file, kHeader, 2, 0, 0, kPage);
  log->close(true);
}

TEST_F(RecoveryLog, CloseDeletesALogInProgressOrWhenAsked) {
  struct Row {
    const char* name;
    bool complete;
    bool delete_file;
    bool kept;
  } rows[] = {
      {"in progress, keep asked", false, false, false},
      {"in progress, delete asked", false, true, false},
      {"complete, keep asked", true, false, true},
      {"complete, delete asked", true, true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    _DB_log* log = open_log();
    if (row.complete) log->complete(1);
    log->close(row.delete_file);
    EXPECT_EQ(dv_test::file_exists(log_path()), row.kept);
    std::remove(log_path().c_str());
  }
}

TEST_F(RecoveryLog, AnExistingLogIsReplacedAndANewOneHasMode0644) {
  mode_t old_mask = ::umask(022);
  _DB_log* log = open_log();
  log->close(false);
  struct stat st;
  ASSERT_EQ(::stat(log_path().c_str(), &st), -1) << "in progress: deleted";

  log = open_log();
  ASSERT_EQ(::stat(log_path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  log->complete(5);
  log->close(false);

  dv_test::write_bytes(log_path(), bytes(10000, 0xee));
  log = open_log();
  bytes file = dv_test::read_bytes(log_path());
  EXPECT_EQ(file.size(), kHeader);
  expect_header(file, "BAD", 1, 0);
  log->close(true);
  ::umask(old_mask);
}

TEST_F(RecoveryLog, ATemporaryLogLivesInTheTemporaryDirectory) {
  _DB_log* log = _DB_log::open_for_update(db_path().c_str(), true);
  std::string path = log->path();
  std::string prefix = std::string(_VRN_get_tmp_dir()) + "/store.db";
  EXPECT_EQ(path.substr(0, prefix.size()), prefix);
  EXPECT_EQ(path.size(), prefix.size() + 6);
  bytes file = dv_test::read_bytes(path);
  ASSERT_EQ(file.size(), kHeader);
  EXPECT_EQ(field_string(file, 72, 9), std::string("store.db", 9));
  EXPECT_EQ(field_string(file, 200, path.size() + 1), path + std::string(1, '\0'))
      << "the whole temporary path";
  EXPECT_FALSE(dv_test::file_exists(log_path()));
  log->close(false);
  EXPECT_FALSE(dv_test::file_exists(path));
}

TEST_F(RecoveryLog, NamesThatDoNotFitTheHeaderAreRefused) {
  // The log's name is the database's plus ".log": 123 characters fit, 124
  // make a 128-character log name.
  std::string tmp_prefix = std::string(_VRN_get_tmp_dir()) + "/";
  size_t tmp_room = 127 - tmp_prefix.size() - 6;  // longest database name for a temporary log
  struct Row {
    size_t name_length;
    bool temporary;
    const char* refused;  // what the refusal names, or null when it fits
  } rows[] = {
      {123, false, nullptr},
      {124, false, "log file name"},
      {127, false, "log file name"},
      {128, false, "database file name"},
      {200, false, "database file name"},
      {tmp_room, true, nullptr},
      {tmp_room + 1, true, "log file name"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.name_length) + (row.temporary ? " temporary" : ""));
    std::string name(row.name_length, 'n');
    name[0] = 'q';  // no other test's files start so
    std::string db = dir_ / name;
    std::string log_file = db + ".log";
    _DB_log* log = nullptr;
    std::string report =
        report_of([&] { log = _DB_log::open_for_update(db.c_str(), row.temporary); });
    if (row.refused == nullptr) {
      ASSERT_EQ(report, "");
      bytes file = dv_test::read_bytes(log->path());
      EXPECT_EQ(field_string(file, 72, name.size() + 1), name + std::string(1, '\0'));
      log->close(true);
      continue;
    }
    std::string shown_path = row.temporary ? tmp_prefix + name + "XXXXXX" : log_file;
    std::string too_long = row.temporary ? shown_path
                           : std::string(row.refused) == "log file name" ? name + ".log"
                                                                         : name;
    EXPECT_EQ(report, "dv_err_database_log - Database Log \"" + shown_path +
                          "\" open/create error: \"" + row.refused +
                          " longer than 127 characters: " + too_long + "\"");
    EXPECT_FALSE(dv_test::file_exists(log_file));
    for (const auto& entry : std::filesystem::directory_iterator(_VRN_get_tmp_dir()))
      EXPECT_NE(entry.path().filename().string().substr(0, name.size()), name)
          << "no temporary file left";
  }
}

TEST_F(RecoveryLog, MisuseIsAnAssertion) {
  bytes page(kPage);
  struct Row {
    const char* name;
    void (*misuse)(_DB_log* log, const void* page);
    const char* text;
  } rows[] = {
      {"page of a complete log",
       [](_DB_log* log, const void* page) {
         log->complete(1);
         log->log_page(0, page, kPage);
       },
       "header->in_progress()"},
      {"growth of a complete log",
       [](_DB_log* log, const void*) {
         log->complete(1);
         log->log_growth(kPage);
       },
       "header->in_progress()"},
      {"complete without a stamp", [](_DB_log* log, const void*) { log->complete(0); }, "tstamp"},
      {"complete twice",
       [](_DB_log* log, const void*) {
         log->complete(1);
         log->complete(2);
       },
       "p!=in_progress()"},
      {"growth from size 0", [](_DB_log* log, const void*) { log->log_growth(0); },
       "old_size && !(old_size % _DV_int::get_page_size())"},
      {"growth from part of a page", [](_DB_log* log, const void*) { log->log_growth(kPage + 8); },
       "old_size && !(old_size % _DV_int::get_page_size())"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    _DB_log* log = open_log();
    std::string report = report_of([&] { row.misuse(log, page.data()); });
    std::string want = assertion(row.text);
    EXPECT_EQ(report.substr(0, want.size()), want);
    log->close(true);
  }
}

TEST_F(RecoveryLog, TheDummyLogDoesNothing) {
  _DB_log* dummy = _DB_log::dummy();
  EXPECT_EQ(dummy, _DB_log::dummy()) << "shared";
  EXPECT_EQ(dummy->path(), nullptr);
  bytes page(kPage);
  _VRN_reset_file_event_hook();
  dummy->log_page(0, page.data(), kPage);
  dummy->log_growth(kPage);
  dummy->complete(1);
  dummy->complete(2);
  dummy->reset();
  dummy->close(true);
  EXPECT_EQ(_VRN_file_event_count(), 0u);
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
}

// ---- write failures --------------------------------------------------------

// The device fills up at the header's write (the write comes back short).
void device_full(unsigned, int) { throw dv_err_cant_write_to_file("Failed to write %d bytes to file.", 512); }

TEST_F(RecoveryLog, AFullDeviceFailsTheOpenAndLeavesNothing) {
  _VRN_reset_file_event_hook();
  _VRN_set_file_event_hook(device_full, 1);
  std::string report = report_of([&] { open_log(); });
  _VRN_reset_file_event_hook();
  EXPECT_EQ(report, "dv_err_cant_write_to_file - Failed to write 512 bytes to file.");
  EXPECT_FALSE(dv_test::file_exists(log_path()));
}

// A log path that is a symbolic link (here to a full device) is refused
// before anything is written, and the link is left where it is.
TEST_F(RecoveryLog, ALogPathThatIsASymbolicLinkIsRefusedAndKept) {
  ASSERT_EQ(::symlink("/dev/full", log_path().c_str()), 0);
  EXPECT_EQ(report_of([&] { open_log(); }),
            "dv_err_database_log - Database Log \"" + log_path() +
                "\" open/create error: \"(40) Too many levels of symbolic links\"");
  EXPECT_TRUE(dv_test::file_exists(log_path()));
}

TEST_F(RecoveryLog, AFailedAppendIsWrittenOverByTheNext) {
  bytes image = dv_test::make_database_image(2, 6);
  _DB_log* log = open_log();
  log->log_growth(kPage);

  // The file may not grow past the header, the growth entry and a bit.
  struct rlimit old_limit;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  struct sigaction ignore = {}, old_action;
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGXFSZ, &ignore, &old_action);
  struct rlimit small = old_limit;
  small.rlim_cur = kHeader + kEntry + 100;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string report = report_of([&] { log->log_page(kPage, image.data() + kPage, kPage); });
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  ::sigaction(SIGXFSZ, &old_action, nullptr);
  EXPECT_EQ(report.substr(0, 44), "dv_err_cant_write_to_file - WriteFile failed");

  log->log_page(0, image.data(), kPage);
  log->complete(3);
  bytes file = dv_test::read_bytes(log_path());
  ASSERT_EQ(file.size(), kHeader + kEntry + kEntry + kPage + kEntry);
  expect_entry(file, kHeader, 2, 0, 0, kPage);
  expect_entry(file, kHeader + kEntry, 1, 0, kPage, 0);
  EXPECT_TRUE(std::equal(image.begin(), image.begin() + kPage, file.begin() + kHeader + 2 * kEntry));
  expect_entry(file, kHeader + 2 * kEntry + kPage, 3, 0, 0, 0);
  log->close(true);
}

void fail_event(unsigned, int) { throw dv_err_cant_write_to_file("injected failure"); }

TEST_F(RecoveryLog, AFailedCompleteLeavesTheLogInProgress) {
  // complete writes the end entry (event 1), the header (2), then flushes (3).
  for (unsigned failing_event = 1; failing_event <= 3; ++failing_event) {
    SCOPED_TRACE("failing event " + std::to_string(failing_event));
    _DB_log* log = open_log();
    log->log_growth(kPage);
    _VRN_reset_file_event_hook();
    _VRN_set_file_event_hook(fail_event, failing_event);
    EXPECT_EQ(report_of([&] { log->complete(4); }), "dv_err_cant_write_to_file - injected failure");
    _VRN_reset_file_event_hook();

    log->complete(5);  // still in progress: completing again works
    bytes file = dv_test::read_bytes(log_path());
    ASSERT_EQ(file.size(), kHeader + 2 * kEntry) << "one end entry";
    expect_header(file, "-OK", 0, 5);
    expect_entry(file, kHeader + kEntry, 3, 0, 0, 0);
    log->close(true);
  }
}

// ---- order of writes and flushes ----------------------------------------

struct log_event {
  int kind;
  bytes file;  // the log file when the event was about to happen
};
std::vector<log_event> log_events;
std::string watched_log;

void record_log_event(unsigned, int kind) {
  log_events.push_back({kind, dv_test::read_bytes(watched_log)});
}

std::vector<int> kinds_seen() {
  std::vector<int> kinds;
  for (const log_event& e : log_events) kinds.push_back(e.kind);
  return kinds;
}

constexpr int W = _VRN_FILE_EVENT_WRITE;
constexpr int F = _VRN_FILE_EVENT_FLUSH;

TEST_F(RecoveryLog, CompleteWritesEntryAndHeaderThenFlushesOnce) {
  bytes image = dv_test::make_database_image(1, 2);
  _DB_log* log = open_log();
  watched_log = log_path();
  log_events.clear();
  _VRN_reset_file_event_hook();
  _VRN_set_file_event_hook(record_log_event, 0);

  log->log_page(0, image.data(), kPage);
  EXPECT_EQ(kinds_seen(), std::vector<int>{W}) << "one write per entry, no flush";

  log_events.clear();
  log->complete(0x77);
  ASSERT_EQ(kinds_seen(), (std::vector<int>{W, W, F}));
  const bytes& at_flush = log_events[2].file;
  ASSERT_EQ(at_flush.size(), kHeader + kEntry + kPage + kEntry);
  expect_header(at_flush, "-OK", 0, 0x77);
  expect_entry(at_flush, kHeader + kEntry + kPage, 3, 0, 0, 0);
  EXPECT_EQ(get_at<dv4s>(log_events[1].file, 64), 1) << "the header goes after the end entry";
  _VRN_reset_file_event_hook();
  log->close(true);
}

TEST_F(RecoveryLog, OpenAndResetFlushTheirHeader) {
  watched_log = log_path();
  log_events.clear();
  _VRN_reset_file_event_hook();
  _VRN_set_file_event_hook(record_log_event, 0);
  _DB_log* log = open_log();
  EXPECT_EQ(kinds_seen(), (std::vector<int>{W, F, F})) << "a new file: its directory too";
  log->complete(1);
  log->close(false);

  log_events.clear();
  log = open_log();
  EXPECT_EQ(kinds_seen(), (std::vector<int>{W, F})) << "replacing a file: no directory flush";

  log->log_growth(kPage);
  log->complete(2);
  log_events.clear();
  log->reset();
  ASSERT_EQ(kinds_seen(), (std::vector<int>{W, F}));
  expect_header(log_events[1].file, "BAD", 1, 0);
  EXPECT_EQ(log_events[1].file.size(), kHeader + 2 * kEntry) << "the file keeps its length";
  _VRN_reset_file_event_hook();
  log->close(true);
}

// After a reset the old entries stay behind the header in progress; the
// next write goes over them, an empty slot ends its entries while it is in
// progress, and its completion cuts off what is left, so a complete log
// always ends with its end entry (what recovery requires). Each row: the
// images of the first write and of the second.
TEST_F(RecoveryLog, ACompletedLogEndsWithItsEndEntryWhateverAnEarlierWriteLeft) {
  struct row {
    const char* name;
    unsigned first_images;
    unsigned second_images;
  };
  const row rows[] = {{"a shorter write after a longer one", 3, 1},
                      {"a write as long as the one before", 2, 2},
                      {"a longer write after a shorter one", 1, 3},
                      {"a write of nothing after a long one", 3, 0}};
  bytes image = dv_test::make_database_image(1, 4);
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    _DB_log* log = open_log();
    for (unsigned i = 0; i < r.first_images; ++i) log->log_page(i * kPage, image.data(), kPage);
    log->complete(7);
    log->reset();

    watched_log = log_path();
    log_events.clear();
    _VRN_set_file_event_hook(record_log_event, 0);
    for (unsigned i = 0; i < r.second_images; ++i) log->log_page(i * kPage, image.data(), kPage);
    const size_t entries_end = kHeader + r.second_images * (kEntry + kPage);
    const bytes in_progress = dv_test::read_bytes(log_path());
    ASSERT_GE(in_progress.size(), entries_end + kEntry);
    EXPECT_TRUE(all_zero(in_progress, entries_end, kEntry)) << "an empty slot ends the entries in progress";
    log->complete(8);
    _VRN_reset_file_event_hook();
    const size_t end = entries_end + kEntry;
    ASSERT_EQ(log_events.back().kind, F);
    const bytes& at_flush = log_events.back().file;
    ASSERT_EQ(at_flush.size(), end) << "cut at the end entry before the flush";
    expect_header(at_flush, "-OK", 0, 8);
    expect_entry(at_flush, end - kEntry, 3, 0, 0, 0);
    for (unsigned i = 0; i < r.second_images; ++i)
      expect_entry(at_flush, kHeader + i * (kEntry + kPage), 1, static_cast<dv4s>(i * kPage), kPage, 0);
    log->close(true);
  }
}

}  // namespace
