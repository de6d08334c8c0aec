// Guards how system errors become runtime errors: the one errno-to-result-code
// table of file opens, the "(%d) %s" system text, and the internal errors
// built from a system error.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "dv_err.h"
#include "dv_platform.h"

using namespace dv_qem;

namespace {

struct code_row {
  int error_number;
  int code;
};

const code_row kCodeRows[] = {
    {ENOENT, 9}, {ENOTDIR, 11},    {EMFILE, 7},  {ENFILE, 7},  {EACCES, 1},
    {EPERM, 1},  {EWOULDBLOCK, 1}, {EAGAIN, 1},  {ETXTBSY, 1}, {EROFS, 12},
    {EIO, 12},   {ENOSPC, 10},     {EDQUOT, 10}, {EEXIST, 3},  {ENAMETOOLONG, 8},
    {EISDIR, 6}, {EINVAL, 6},      {EBADF, 6},   {ELOOP, 6},   {0, 6},
};

std::string system_message(int error_number) { return std::strerror(error_number); }

}  // namespace

TEST(PlatformErrors, ErrnoMapsToFileOpenCode) {
  for (const code_row& row : kCodeRows)
    EXPECT_EQ(_VRN_file_error_code(row.error_number), row.code) << "errno " << row.error_number;
}

TEST(PlatformErrors, SystemTextIsNumberAndMessage) {
  char text[128];
  _VRN_system_error_text(ENOENT, text, sizeof text);
  EXPECT_EQ(std::string(text), "(" + std::to_string(ENOENT) + ") " + system_message(ENOENT));
}

TEST(PlatformErrors, SystemTextIsCutToTheBuffer) {
  char text[6];
  std::memset(text, 'x', sizeof text);
  _VRN_system_error_text(ENOENT, text, 5);
  std::string whole = "(" + std::to_string(ENOENT) + ") " + system_message(ENOENT);
  EXPECT_EQ(std::string(text), whole.substr(0, 4));
  EXPECT_EQ(text[5], 'x');
}

TEST(PlatformErrors, SystemErrorBecomesInternalError) {
  std::string m = system_message(EACCES);
  std::string expected =
      "dv_err_internal - mapping failed - " + m + "\n" + m + " (" + std::to_string(EACCES) + ")\n";
  try {
    _VRN_signal_system_error(EACCES, "mapping failed");
    FAIL() << "no exception";
  } catch (const dv_err_internal& e) {
    EXPECT_EQ(std::string(e.get_report()), expected);
  }
}

TEST(PlatformErrors, LastErrorFormatsTextAndUsesErrno) {
  std::string m = system_message(ENOSPC);
  std::string expected = "dv_err_internal - reserve 4096 at 0x1000 - " + m + "\n" + m + " (" +
                         std::to_string(ENOSPC) + ")\n";
  try {
    errno = ENOSPC;
    _VRN_signal_last_error("reserve %d at 0x%x", 4096, 0x1000);
    FAIL() << "no exception";
  } catch (const dv_err_internal& e) {
    EXPECT_EQ(std::string(e.get_report()), expected);
  }
}

TEST(PlatformErrors, LastErrorCutsALongText) {
  std::string long_text(3000, 'a');
  try {
    errno = EIO;
    _VRN_signal_last_error("%s", long_text.c_str());
    FAIL() << "no exception";
  } catch (const dv_err_internal& e) {
    // The message buffer of an error holds 1024 bytes; it starts with the
    // class name and the text, cut, but never overrun.
    std::string report = e.get_report();
    EXPECT_EQ(report.rfind("dv_err_internal - aaaa", 0), 0u);
    EXPECT_LT(report.size(), 1024u);
  }
}
