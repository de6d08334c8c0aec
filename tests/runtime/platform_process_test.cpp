// Guards the process-wide helpers: exit that cannot re-enter itself, the page
// size, the clock, the transient-fault switch and the windowed-program test.
#include <gtest/gtest.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "dv_err.h"
#include "dv_platform.h"
#include "dv_test_process.h"

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

}  // namespace
