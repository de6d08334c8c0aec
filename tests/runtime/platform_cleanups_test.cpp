// Guards the clean-up lists: list order 0 to 3, newest first within a list,
// arguments passed, each entry run once, a nested run doing nothing, and the
// lists run when the library is unloaded at process exit.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "dv_err.h"
#include "dv_platform.h"
#include "dv_scratch_dir.h"
#include "dv_test_process.h"

using namespace dv_qem;

namespace {

std::string journal;

void note(void* text) { journal += static_cast<const char*>(text); }
void note_plain() { journal += "p"; }
void run_nested() {
  journal += "n";
  _VRN_run_cleanups();  // must do nothing while the lists run
}
void register_late() {
  journal += "r";
  _VRN_register_cleanup_arg(note, const_cast<char*>("L"), 3);
}

class PlatformCleanups : public ::testing::Test {
 protected:
  void SetUp() override {
    _VRN_run_cleanups();  // start from empty lists
    journal.clear();
  }
};

TEST_F(PlatformCleanups, RunInListOrderNewestFirst) {
  _VRN_register_cleanup_arg(note, const_cast<char*>("2a"), 2);
  _VRN_register_cleanup_arg(note, const_cast<char*>("0a"), 0);
  _VRN_register_cleanup_arg(note, const_cast<char*>("3a"), 3);
  _VRN_register_cleanup_arg(note, const_cast<char*>("0b"), 0);
  _VRN_register_cleanup(note_plain, 1);
  _VRN_register_cleanup_arg(note, const_cast<char*>("2b"), 2);
  _VRN_run_cleanups();
  EXPECT_EQ(journal, "0b0ap2b2a3a");
  _VRN_run_cleanups();  // every entry ran once and is gone
  EXPECT_EQ(journal, "0b0ap2b2a3a");
}

TEST_F(PlatformCleanups, NestedRunDoesNothing) {
  _VRN_register_cleanup_arg(note, const_cast<char*>("x"), 1);
  _VRN_register_cleanup(run_nested, 0);
  _VRN_run_cleanups();
  EXPECT_EQ(journal, "nx");
}

TEST_F(PlatformCleanups, EntryRegisteredDuringARunStillRuns) {
  _VRN_register_cleanup(register_late, 1);
  _VRN_run_cleanups();
  EXPECT_EQ(journal, "rL");
}

TEST_F(PlatformCleanups, ListNumberOutsideZeroToThreeIsAnAssertion) {
  EXPECT_THROW(_VRN_register_cleanup(note_plain, 4), dv_err_internal);
  EXPECT_THROW(_VRN_register_cleanup_arg(note, nullptr, -1), dv_err_internal);
  _VRN_run_cleanups();
  EXPECT_EQ(journal, "");
}

void write_marker(void* path) {
  if (FILE* f = std::fopen(static_cast<const char*>(path), "w")) {
    std::fputs("ran", f);
    std::fclose(f);
  }
}

// Child: registers a clean-up and leaves it to the library's unload.
TEST(PlatformCleanupsChild, RegisterAndExit) {
  if (!dv_test::is_child()) GTEST_SKIP() << "run by PlatformCleanups.RunAtUnload";
  // The environment outlives every static object of the program.
  _VRN_register_cleanup_arg(write_marker, std::getenv("DV_TEST_MARKER"), 2);
}

TEST(PlatformCleanupsAtUnload, RunAtProcessExit) {
  dv_test::scratch_dir dir;
  std::string marker = dir / "marker";
  ASSERT_EQ(
      dv_test::run_child("PlatformCleanupsChild.RegisterAndExit", {{"DV_TEST_MARKER", marker}}), 0);
  std::ifstream in(marker);
  std::string content;
  in >> content;
  EXPECT_EQ(content, "ran");
}

}  // namespace
