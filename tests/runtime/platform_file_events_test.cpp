// Guards the write/flush event hook of the file layer that crash tests use:
// which calls count, that the hook fires before the chosen event is
// performed, the every-event form, reset, and ending a process mid-sequence.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "dv_platform.h"
#include "dv_scratch_dir.h"
#include "dv_test_process.h"
#include "file_fault_hook.h"

using namespace dv_qem;

namespace {

struct seen_event {
  unsigned event;
  int kind;
  off_t size_then;  // the file's size when the hook ran
};

std::vector<seen_event> seen;
_VRN_file* watched = nullptr;

void record(unsigned event, int kind) {
  seen.push_back({event, kind, watched != nullptr ? _VRN_file_size(watched) : -1});
}

class PlatformFileEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    _VRN_reset_file_event_hook();
    seen.clear();
    int code = -1;
    char text[320];
    path_ = dir_ / "events.db";
    watched =
        _VRN_open_file(path_.c_str(), _VRN_O_CREAT | _VRN_O_RDWR, 0644, code, text, sizeof text);
    ASSERT_NE(watched, nullptr) << text;
  }
  void TearDown() override {
    _VRN_reset_file_event_hook();
    _VRN_close_file(watched);
    watched = nullptr;
  }

  // write, flush, positioned write, directory flush: events 1 to 4.
  void four_events() {
    _VRN_write_file(watched, "a", 1);
    _VRN_flush_file(watched);
    _VRN_pwrite_file(watched, "bc", 2, 1);
    _VRN_flush_directory_of(path_.c_str());
  }

  dv_test::scratch_dir dir_;
  std::string path_;
};

TEST_F(PlatformFileEvents, WritesAndFlushesCountNothingElseDoes) {
  four_events();
  char buffer[4];
  _VRN_seek_file(watched, 0, 0);
  _VRN_read_file(watched, buffer, 3);
  _VRN_pread_file(watched, buffer, 3, 0);
  _VRN_truncate_file(watched, 2);
  _VRN_file_size(watched);
  EXPECT_EQ(_VRN_file_event_count(), 4u);
}

TEST_F(PlatformFileEvents, HookRunsBeforeTheChosenEvent) {
  _VRN_set_file_event_hook(record, 3);
  four_events();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].event, 3u);
  EXPECT_EQ(seen[0].kind, _VRN_FILE_EVENT_WRITE);
  EXPECT_EQ(seen[0].size_then, 1);  // the positioned write had not happened yet
  EXPECT_EQ(_VRN_file_size(watched), 3);
}

TEST_F(PlatformFileEvents, EventZeroMeansEveryEvent) {
  _VRN_set_file_event_hook(record, 0);
  four_events();
  ASSERT_EQ(seen.size(), 4u);
  const int kinds[] = {_VRN_FILE_EVENT_WRITE, _VRN_FILE_EVENT_FLUSH, _VRN_FILE_EVENT_WRITE,
                       _VRN_FILE_EVENT_FLUSH};
  for (unsigned i = 0; i < 4; ++i) {
    EXPECT_EQ(seen[i].event, i + 1);
    EXPECT_EQ(seen[i].kind, kinds[i]);
  }
}

TEST_F(PlatformFileEvents, ResetRemovesTheHookAndRestartsTheCount) {
  _VRN_set_file_event_hook(record, 0);
  _VRN_write_file(watched, "a", 1);
  _VRN_reset_file_event_hook();
  EXPECT_EQ(_VRN_file_event_count(), 0u);
  four_events();
  EXPECT_EQ(seen.size(), 1u);
  EXPECT_EQ(_VRN_file_event_count(), 4u);
}

TEST_F(PlatformFileEvents, HookCountsOnFromWhereTheCountIs) {
  _VRN_write_file(watched, "a", 1);
  _VRN_set_file_event_hook(record, 2);
  _VRN_write_file(watched, "b", 1);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].event, 2u);
}

void end_process(unsigned, int) { ::_exit(42); }

// Child: writes "A", "B", "C" with the process ended before the second write.
TEST(PlatformFileEventsChild, DieAtSecondWrite) {
  if (!dv_test::is_child()) GTEST_SKIP() << "run by PlatformFileEvents.EndingTheProcessAtAnEvent";
  int code = -1;
  char text[320];
  _VRN_file* f = _VRN_open_file(std::getenv("DV_TEST_PATH"), _VRN_O_CREAT | _VRN_O_RDWR, 0644, code,
                                text, sizeof text);
  ASSERT_NE(f, nullptr) << text;
  _VRN_reset_file_event_hook();
  _VRN_set_file_event_hook(end_process, 2);
  for (const char* part : {"A", "B", "C"}) _VRN_write_file(f, part, 1);
}

TEST_F(PlatformFileEvents, EndingTheProcessAtAnEvent) {
  std::string path = dir_ / "crash.db";
  EXPECT_EQ(
      dv_test::run_child("PlatformFileEventsChild.DieAtSecondWrite", {{"DV_TEST_PATH", path}}), 42);
  std::ifstream in(path);
  std::string content;
  in >> content;
  EXPECT_EQ(content, "A");
}

}  // namespace
