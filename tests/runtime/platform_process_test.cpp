// Guards the process-wide helpers: exit that cannot re-enter itself, the page
// size, the clock and the mktime wrapper, the transient-fault switch, the
// windowed-program test, and the Windows-only switches read at load.
#include <gtest/gtest.h>
#include <sys/time.h>
#include <unistd.h>

#include <time.h>

#include <cstdlib>
#include <string>

#include "dv_err.h"
#include "dv_platform.h"
#include "dv_test_process.h"
#include "platform_switches.h"

using namespace dv_qem;

namespace {

void exit_again() { _VRN_exit(7); }

// Child: exits with 3, optionally through an atexit handler that exits again.
TEST(PlatformProcessChild, Exit) {
  if (!dv_test::is_child()) GTEST_SKIP() << "run by PlatformProcess.ExitCalledWhileExiting";
  if (std::getenv("DV_TEST_EXIT_AGAIN") != nullptr) std::atexit(exit_again);
  _VRN_exit(3);
}

TEST(PlatformProcess, ExitCalledOnce) {
  EXPECT_EQ(dv_test::run_child("PlatformProcessChild.Exit"), 3);
}

TEST(PlatformProcess, ExitCalledWhileExitingEndsAtOnce) {
  EXPECT_EQ(dv_test::run_child("PlatformProcessChild.Exit", {{"DV_TEST_EXIT_AGAIN", "1"}}), 7);
}

TEST(PlatformProcess, PageSizeIsTheSystems) {
  EXPECT_EQ(_VRN_get_page_size(), static_cast<unsigned>(::sysconf(_SC_PAGESIZE)));
  EXPECT_EQ(_VRN_get_page_size(), 4096u);
}

TEST(PlatformProcess, ClockGivesSecondsAndMilliseconds) {
  struct timeval before;
  ::gettimeofday(&before, nullptr);
  dv4u seconds = 0;
  unsigned milliseconds = 1000;
  _VRN_ftime(seconds, milliseconds);
  EXPECT_GE(seconds, static_cast<dv4u>(before.tv_sec));
  EXPECT_LE(seconds, static_cast<dv4u>(before.tv_sec) + 60);
  EXPECT_LT(milliseconds, 1000u);
}

// Sets TZ for one test and restores it.
class time_zone {
 public:
  explicit time_zone(const char* zone) {
    if (const char* old = std::getenv("TZ")) {
      saved_ = old;
      had_ = true;
    }
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~time_zone() {
    if (had_) {
      ::setenv("TZ", saved_.c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }

 private:
  std::string saved_;
  bool had_ = false;
};

TEST(PlatformProcess, MktimeNormalisesTheDateAndGivesEpochSeconds) {
  time_zone utc("UTC0");
  struct Row {
    _VRN_date in;
    long seconds;
    _VRN_date out;
  } rows[] = {
      // 2000-01-01 00:00:00, a Saturday.
      {{0, 0, 0, 1, 0, 100, 0, 0, 0}, 946684800L, {0, 0, 0, 1, 0, 100, 6, 0, 0}},
      // January 32nd is February 1st, a Tuesday, day 31 of the year.
      {{0, 0, 0, 32, 0, 100, 0, 0, 0}, 949363200L, {0, 0, 0, 1, 1, 100, 2, 31, 0}},
      // 90 seconds past 23:59 carry into the next day (2001-03-01, leap-free February).
      {{90, 59, 23, 28, 1, 101, 0, 0, 0}, 983404830L, {30, 0, 0, 1, 2, 101, 4, 59, 0}},
  };
  for (Row& row : rows) {
    _VRN_date date = row.in;
    EXPECT_EQ(_VRN_mktime(date), row.seconds);
    const int got[] = {date.second, date.minute, date.hour, date.day_of_month, date.month,
                       date.year, date.day_of_week, date.day_of_year, date.daylight_saving};
    const int want[] = {row.out.second, row.out.minute, row.out.hour, row.out.day_of_month,
                        row.out.month, row.out.year, row.out.day_of_week, row.out.day_of_year,
                        row.out.daylight_saving};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(got[i], want[i]) << "field " << i << " for " << row.seconds;
  }
}

TEST(PlatformProcess, TransientFaultSwitchIsKept) {
  EXPECT_EQ(_VRN_catching_transient_faults(), 0);
  _VRN_catch_transient_faults(1);
  EXPECT_EQ(_VRN_catching_transient_faults(), 1);
  _VRN_catch_transient_faults(0);
  EXPECT_EQ(_VRN_catching_transient_faults(), 0);
}

void show_nothing(const char*, const char*) {}

TEST(PlatformProcess, WindowedOnceAMessageBoxIsRegistered) {
  EXPECT_EQ(_VRN_is_gui_process(), 0);
  _VRN_set_message_box(show_nothing);
  EXPECT_EQ(_VRN_is_gui_process(), 1);
  _VRN_set_message_box(nullptr);
  EXPECT_EQ(_VRN_is_gui_process(), 0);
}

TEST(PlatformSwitches, MixCheckModeOfTheVariable) {
  struct Row {
    const char* value;
    int gui;
    int mode;
  } rows[] = {
      {"stderr", 0, 1}, {"STDERR", 1, 1},  {"popup", 0, 2},  {"POPUP", 0, 2},
      {"default", 0, 1}, {"Default", 1, 2}, {nullptr, 0, 0}, {"", 0, 0},
      {"yes", 0, 0},    {"popup ", 0, 0},
  };
  for (const Row& r : rows)
    EXPECT_EQ(_VRN_mix_check_mode(r.value, r.gui), r.mode)
        << (r.value != nullptr ? r.value : "(unset)") << " gui " << r.gui;
}

// Child: reports the switches read at load as its exit status (one bit per
// answer) after checking the process runs as without them.
TEST(PlatformSwitchesChild, Report) {
  if (!dv_test::is_child()) GTEST_SKIP() << "run by PlatformSwitches.ReadAtLoadAndIgnored";
  EXPECT_EQ(_VRN_is_gui_process(), 0);
  const _VRN_platform_switches& s = _VRN_load_time_platform_switches();
  std::exit(s.mix_check_mode | s.win32s_faked << 2 | s.win95_faked << 3 | s.winnt_faked << 4);
}

TEST(PlatformSwitches, ReadAtLoadAndIgnored) {
  struct Row {
    dv_test::env_list env;
    int status;
  } rows[] = {
      {{}, 0},
      {{{"DV_QEM_CHECK_MSVCRT", "POPUP"}}, 2},
      {{{"DV_QEM_CHECK_MSVCRT", "default"}, {"DV_FAKE_WIN95", "1"}}, 1 | 1 << 3},
      {{{"DV_FAKE_WINNT", "yes"}, {"DV_FAKE_WIN95", ""}}, 1 << 4},
      {{{"DV_FAKE_WIN32S", "1"}, {"DV_FAKE_WIN95", "1"}, {"DV_FAKE_WINNT", "1"}}, 1 << 2},
  };
  for (const Row& r : rows) EXPECT_EQ(dv_test::run_child("PlatformSwitchesChild.Report", r.env), r.status);
}

}  // namespace
