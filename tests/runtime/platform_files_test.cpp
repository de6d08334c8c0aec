// Guards the file layer: open modes and the result codes of real failing
// opens, whole-file locks between processes (and that a refused truncating
// open leaves the file alone), positioned reads and writes against a model,
// a full device reported as a short write, failures of write, read, seek,
// flush and truncate raised with their texts, and the small file-system calls.
#include <fcntl.h>
#include <gtest/gtest.h>

#include "dv_test_seed.h"
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "dv_err.h"
#include "dv_platform.h"
#include "dv_scratch_dir.h"
#include "dv_test_process.h"

using namespace dv_qem;

namespace {

constexpr int kCreate = _VRN_O_CREAT;
constexpr int kTruncate = _VRN_O_TRUNC;

void put_file(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

std::string file_content(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string text_of(int error_number) {
  char text[320];
  _VRN_system_error_text(error_number, text, sizeof text);
  return text;
}

// An open that is expected to succeed.
_VRN_file* open_ok(const std::string& path, int flags, int mode = 0644) {
  int code = -1;
  char text[320] = "";
  _VRN_file* f = _VRN_open_file(path.c_str(), flags, mode, code, text, sizeof text);
  EXPECT_NE(f, nullptr) << path << ": " << text;
  EXPECT_EQ(code, 0);
  return f;
}

struct open_result {
  int code;
  std::string text;
};

// An open that is expected to fail.
open_result open_failing(const std::string& path, int flags) {
  open_result r{-1, ""};
  char text[320] = "";
  _VRN_file* f = _VRN_open_file(path.c_str(), flags, 0644, r.code, text, sizeof text);
  EXPECT_EQ(f, nullptr) << path;
  if (f != nullptr) _VRN_close_file(f);
  r.text = text;
  return r;
}

template <class E, class F>
std::string report_of(F&& action) {
  try {
    action();
  } catch (const E& e) {
    return e.get_report();
  }
  return "no exception";
}

class PlatformFiles : public ::testing::Test {
 protected:
  dv_test::scratch_dir dir;
};

// ---- opening ----------------------------------------------------------------

struct failing_open_row {
  const char* what;
  std::string (*make_path)(const dv_test::scratch_dir& dir);
  int flags;
  int code;
  int error_number;  // whose text the caller receives
  bool needs_non_root;
};

const failing_open_row kFailingOpens[] = {
    {"missing file", [](const dv_test::scratch_dir& d) { return d / "missing.db"; }, 0, 9, ENOENT,
     false},
    {"missing directory", [](const dv_test::scratch_dir& d) { return d / "nodir/a.db"; },
     kCreate | 2, 9, ENOENT, false},
    {"file used as directory",
     [](const dv_test::scratch_dir& d) {
       put_file(d / "plain", "x");
       return d / "plain/a.db";
     },
     2, 11, ENOTDIR, false},
    {"name too long", [](const dv_test::scratch_dir& d) { return d / std::string(300, 'n'); }, 0, 8,
     ENAMETOOLONG, false},
    {"directory opened for writing", [](const dv_test::scratch_dir& d) { return d.path(); }, 2, 6,
     EISDIR, false},
    {"access bits 3", [](const dv_test::scratch_dir& d) { return d.path(); }, 3, 6, EINVAL, false},
    {"read-only file opened for writing",
     [](const dv_test::scratch_dir& d) {
       put_file(d / "ro.db", "x");
       ::chmod((d / "ro.db").c_str(), 0444);
       return d / "ro.db";
     },
     2, 1, EACCES, true},
};

TEST_F(PlatformFiles, FailingOpensGiveCodeAndSystemText) {
  for (const failing_open_row& row : kFailingOpens) {
    SCOPED_TRACE(row.what);
    if (row.needs_non_root && ::geteuid() == 0) continue;  // root may write anything
    open_result r = open_failing(row.make_path(dir), row.flags);
    EXPECT_EQ(r.code, row.code);
    EXPECT_EQ(r.text, text_of(row.error_number));
  }
}

TEST_F(PlatformFiles, ErrorTextIsCutToTheCallersBuffer) {
  int code = -1;
  char text[8];
  std::memset(text, 'x', sizeof text);
  EXPECT_EQ(_VRN_open_file((dir / "missing").c_str(), 0, 0644, code, text, 6), nullptr);
  EXPECT_EQ(code, 9);
  EXPECT_EQ(std::string(text), text_of(ENOENT).substr(0, 5));
  EXPECT_EQ(text[6], 'x');
}

struct mode_row {
  const char* what;
  bool exists_before;
  int flags;
  bool opens;
  const char* content_after;  // of the file after the open (null: no file)
};

const mode_row kModes[] = {
    {"create makes a new file", false, kCreate | 2, true, ""},
    {"create keeps an existing file", true, kCreate | 2, true, "old data"},
    {"create with truncate empties an existing file", true, kCreate | kTruncate | 2, true, ""},
    {"create with truncate makes a new file", false, kCreate | kTruncate | 2, true, ""},
    {"truncate with write access empties", true, kTruncate | 1, true, ""},
    {"truncate without create needs the file", false, kTruncate | 2, false, nullptr},
    {"truncate with read access only keeps the data", true, kTruncate, true, "old data"},
    {"plain open keeps the data", true, 2, true, "old data"},
    {"plain open needs the file", false, 2, false, nullptr},
};

TEST_F(PlatformFiles, OpenModesCreateAndTruncateAsAsked) {
  for (const mode_row& row : kModes) {
    SCOPED_TRACE(row.what);
    std::string path = dir / "mode.db";
    ::unlink(path.c_str());
    if (row.exists_before) put_file(path, "old data");
    if (row.opens) {
      _VRN_file* f = open_ok(path, row.flags);
      if (f != nullptr) {
        EXPECT_EQ(_VRN_close_file(f), 0);
      }
    } else {
      EXPECT_EQ(open_failing(path, row.flags).code, 9);
    }
    if (row.content_after == nullptr) {
      EXPECT_EQ(_VRN_get_mode(path.c_str()), -1);
    } else {
      EXPECT_EQ(file_content(path), row.content_after);
    }
  }
}

TEST_F(PlatformFiles, CreatedFileGetsTheCallersMode) {
  _VRN_file* f = open_ok(dir / "m.db", kCreate | 2, 0600);
  _VRN_close_file(f);
  struct stat st;
  ASSERT_EQ(::stat((dir / "m.db").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(PlatformFiles, DevicePathOpensOnlyAnExistingFile) {
  ASSERT_EQ(dir.path()[0], '/');
  std::string device_form = "//." + dir.path() + "/dev.db";
  EXPECT_EQ(open_failing(device_form, kCreate | kTruncate | 2).code, 9);
  put_file(dir / "dev.db", "kept");
  _VRN_file* f = open_ok(device_form, kCreate | kTruncate | 2);
  _VRN_close_file(f);
  EXPECT_EQ(file_content(dir / "dev.db"), "kept");
}

TEST_F(PlatformFiles, DescriptorsAreCloseOnExec) {
  put_file(dir / "c.db", "x");
  _VRN_file* f = open_ok(dir / "c.db", 0);
  // The newest descriptor of the process is the one the open made.
  int probe = ::dup(0);
  ASSERT_GE(probe, 1);
  int flags = ::fcntl(probe - 1, F_GETFD);
  ::close(probe);
  EXPECT_TRUE(flags & FD_CLOEXEC);
  _VRN_close_file(f);
}

// Child: with its descriptor limit at the number already open, one more open
// is refused as too many open files.
TEST(PlatformFilesChild, TooManyOpenFiles) {
  if (!dv_test::is_child()) GTEST_SKIP() << "run by PlatformFiles.TooManyOpenFilesIsCode7";
  const char* path = std::getenv("DV_TEST_PATH");
  ASSERT_NE(path, nullptr);
  int lowest_free = ::dup(0);
  ASSERT_GE(lowest_free, 0);
  ::close(lowest_free);
  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  struct rlimit low = saved;
  low.rlim_cur = static_cast<rlim_t>(lowest_free);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
  int code = -1;
  char text[320] = "";
  _VRN_file* f = _VRN_open_file(path, 0, 0644, code, text, sizeof text);
  ::setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_EQ(f, nullptr);
  EXPECT_EQ(code, 7) << text;
  EXPECT_EQ(std::string(text), text_of(EMFILE));
}

TEST_F(PlatformFiles, TooManyOpenFilesIsCode7) {
  put_file(dir / "n.db", "x");
  EXPECT_EQ(
      dv_test::run_child("PlatformFilesChild.TooManyOpenFiles", {{"DV_TEST_PATH", dir / "n.db"}}),
      0);
}

// ---- locks between openers --------------------------------------------------

// Child: opens DV_TEST_PATH with DV_TEST_FLAGS and expects DV_TEST_CODE.
TEST(PlatformFilesChild, OpenGivesExpectedCode) {
  if (!dv_test::is_child()) GTEST_SKIP() << "run by the PlatformFileLocks tests";
  const char* path = std::getenv("DV_TEST_PATH");
  ASSERT_NE(path, nullptr);
  int flags = std::atoi(std::getenv("DV_TEST_FLAGS"));
  int expected = std::atoi(std::getenv("DV_TEST_CODE"));
  int code = -1;
  char text[320] = "";
  _VRN_file* f = _VRN_open_file(path, flags, 0644, code, text, sizeof text);
  EXPECT_EQ(code, expected) << text;
  if (expected == 1) {
    EXPECT_EQ(std::string(text), text_of(EWOULDBLOCK));
  }
  EXPECT_EQ(f == nullptr, expected != 0);
  if (f != nullptr) _VRN_close_file(f);
}

struct lock_row {
  const char* what;
  int holder_flags;  // the parent's open
  int other_flags;   // the child's open
  int code;          // the child's result
};

const lock_row kLocks[] = {
    {"reader beside a reader", 0, 0, 0},
    {"writer beside a reader", 0, 2, 1},
    {"reader beside a writer", 2, 0, 1},
    {"writer beside a writer", 2, 2, 1},
    {"creating opener beside a writer", 2, kCreate | 2, 1},
    {"overwriting creator beside a writer", 2, kCreate | kTruncate | 2, 1},
    {"truncating opener beside a reader", 0, kTruncate | 1, 1},
};

TEST_F(PlatformFiles, SecondProcessOpenerFollowsTheShareRules) {
  std::string path = dir / "shared.db";
  for (const lock_row& row : kLocks) {
    SCOPED_TRACE(row.what);
    put_file(path, "precious pages");
    _VRN_file* held = open_ok(path, row.holder_flags);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(dv_test::run_child("PlatformFilesChild.OpenGivesExpectedCode",
                                 {{"DV_TEST_PATH", path},
                                  {"DV_TEST_FLAGS", std::to_string(row.other_flags)},
                                  {"DV_TEST_CODE", std::to_string(row.code)}}),
              0);
    _VRN_close_file(held);
    // A refused truncating open must not have emptied the holder's file.
    EXPECT_EQ(file_content(path), "precious pages");
  }
}

TEST_F(PlatformFiles, SecondOpenerInTheSameProcessIsRefusedToo) {
  std::string path = dir / "twice.db";
  _VRN_file* held = open_ok(path, kCreate | 2);
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(open_failing(path, 2).code, 1);
  _VRN_close_file(held);
  _VRN_file* again = open_ok(path, 2);
  if (again != nullptr) _VRN_close_file(again);
}

// ---- reading, writing, seeking ----------------------------------------------

TEST_F(PlatformFiles, WriteReadAndSeekWorkAtTheTrackedOffset) {
  _VRN_file* f = open_ok(dir / "rw.db", kCreate | 2);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(_VRN_write_file(f, "hello ", 6), 6u);
  EXPECT_EQ(_VRN_write_file(f, "world", 5), 5u);
  EXPECT_EQ(_VRN_file_size(f), 11);
  EXPECT_EQ(_VRN_seek_file(f, 6, 0), 6);
  char buffer[16] = {};
  EXPECT_EQ(_VRN_read_file(f, buffer, sizeof buffer), 5u);  // end of file: short
  EXPECT_STREQ(buffer, "world");
  EXPECT_EQ(_VRN_read_file(f, buffer, sizeof buffer), 0u);
  EXPECT_EQ(_VRN_seek_file(f, -5, 2), 6);
  EXPECT_EQ(_VRN_pwrite_file(f, "HELLO", 5, 0), 5u);  // leaves the offset alone
  EXPECT_EQ(_VRN_write_file(f, "W", 1), 1u);
  char all[12] = {};
  EXPECT_EQ(_VRN_pread_file(f, all, 11, 0), 11u);
  EXPECT_STREQ(all, "HELLO World");
  EXPECT_EQ(_VRN_seek_file(f, 100, 0), 100);  // past the end is allowed
  EXPECT_EQ(_VRN_write_file(f, "!", 1), 1u);
  EXPECT_EQ(_VRN_file_size(f), 101);
  EXPECT_EQ(_VRN_close_file(f), 0);
}

TEST_F(PlatformFiles, SeekRefusesOtherWhenceAndNegativeOffsets) {
  _VRN_file* f = open_ok(dir / "s.db", kCreate | 2);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(report_of<dv_err_file>([&] { _VRN_seek_file(f, 0, 1); }),
            "dv_err_file - SetFilePointer failed: Invalid whence - 1");
  EXPECT_EQ(report_of<dv_err_file>([&] { _VRN_seek_file(f, -1, 2); }),
            "dv_err_file - SetFilePointer failed: " + text_of(EINVAL));
  _VRN_close_file(f);
}

// Seeded random writes, reads, truncations and seeks against a byte vector.
TEST_F(PlatformFiles, PositionedIoMatchesAModel) {
  unsigned seed = dv_test::seed();
  SCOPED_TRACE("seed " + std::to_string(seed) + " (rerun with DV_TEST_SEED)");
  std::mt19937 random(seed);
  auto below = [&](unsigned n) { return static_cast<unsigned>(random() % n); };

  _VRN_file* f = open_ok(dir / "model.db", kCreate | kTruncate | 2);
  ASSERT_NE(f, nullptr);
  std::vector<char> model;
  off_t offset = 0;
  for (int step = 0; step < 300; ++step) {
    std::vector<char> data(below(3000));
    for (char& c : data) c = static_cast<char>(random());
    off_t at = below(20000);
    switch (below(5)) {
      case 0:  // write at the tracked offset
        ASSERT_EQ(_VRN_write_file(f, data.data(), data.size()), data.size());
        if (!data.empty() && model.size() < offset + data.size()) model.resize(offset + data.size());
        std::copy(data.begin(), data.end(), model.begin() + offset);
        offset += data.size();
        break;
      case 1:  // positioned write
        ASSERT_EQ(_VRN_pwrite_file(f, data.data(), data.size(), at), data.size());
        // An empty write does not extend the file.
        if (!data.empty() && model.size() < at + data.size()) model.resize(at + data.size());
        std::copy(data.begin(), data.end(), model.begin() + at);
        break;
      case 2: {  // read at the tracked offset
        std::vector<char> got(data.size());
        size_t expected = offset >= static_cast<off_t>(model.size())
                              ? 0
                              : std::min(got.size(), model.size() - static_cast<size_t>(offset));
        ASSERT_EQ(_VRN_read_file(f, got.data(), got.size()), expected);
        ASSERT_TRUE(std::equal(got.begin(), got.begin() + expected, model.begin() + offset));
        offset += expected;
        break;
      }
      case 3:  // truncate or extend
        _VRN_truncate_file(f, at);
        model.resize(at);
        break;
      default:  // seek
        if (below(2) == 0) {
          offset = _VRN_seek_file(f, at, 0);
          ASSERT_EQ(offset, at);
        } else {
          off_t back = -static_cast<off_t>(below(static_cast<unsigned>(model.size()) + 1));
          offset = _VRN_seek_file(f, back, 2);
          ASSERT_EQ(offset, static_cast<off_t>(model.size()) + back);
        }
    }
    ASSERT_EQ(_VRN_file_size(f), static_cast<off_t>(model.size())) << "step " << step;
    std::vector<char> whole(model.size() + 1);
    ASSERT_EQ(_VRN_pread_file(f, whole.data(), whole.size(), 0), model.size());
    ASSERT_TRUE(std::equal(model.begin(), model.end(), whole.begin())) << "step " << step;
  }
  _VRN_close_file(f);
}

// ---- failures ---------------------------------------------------------------

TEST_F(PlatformFiles, FullDeviceGivesAShortWriteNotSuccess) {
  _VRN_file* f = open_ok("/dev/full", 1);
  ASSERT_NE(f, nullptr);
  char page[4096] = {};
  EXPECT_EQ(_VRN_write_file(f, page, sizeof page), 0u);
  EXPECT_EQ(_VRN_pwrite_file(f, page, sizeof page, 8192), 0u);
  EXPECT_EQ(_VRN_seek_file(f, 0, 0), 0);  // nothing was written, nothing advanced
  _VRN_close_file(f);
}

TEST_F(PlatformFiles, FailedWriteAndReadThrowWithTheSystemText) {
  put_file(dir / "w.db", "data");
  _VRN_file* reader = open_ok(dir / "w.db", 0);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(report_of<dv_err_cant_write_to_file>([&] { _VRN_write_file(reader, "x", 1); }),
            "dv_err_cant_write_to_file - WriteFile failed: " + text_of(EBADF));
  _VRN_close_file(reader);

  _VRN_file* writer = open_ok(dir / "w.db", 1);
  ASSERT_NE(writer, nullptr);
  char c;
  EXPECT_EQ(report_of<dv_err_cant_read_from_file>([&] { _VRN_read_file(writer, &c, 1); }),
            "dv_err_cant_read_from_file - ReadFile failed: " + text_of(EBADF));
  _VRN_close_file(writer);
}

TEST_F(PlatformFiles, FailedFlushThrows) {
  // fsync of a character device without a flush operation fails.
  int probe = ::open("/dev/full", O_WRONLY);
  ASSERT_GE(probe, 0);
  bool fails = ::fsync(probe) != 0;
  int error_number = errno;
  ::close(probe);
  if (!fails) GTEST_SKIP() << "fsync of /dev/full succeeds here";
  _VRN_file* f = open_ok("/dev/full", 1);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(report_of<dv_err_cant_write_to_file>([&] { _VRN_flush_file(f); }),
            "dv_err_cant_write_to_file - FlushFileBuffers failed: " + text_of(error_number));
  _VRN_close_file(f);
}

TEST_F(PlatformFiles, FlushWorksOnARegularFile) {
  _VRN_file* f = open_ok(dir / "f.db", kCreate | 2);
  ASSERT_NE(f, nullptr);
  _VRN_write_file(f, "x", 1);
  EXPECT_NO_THROW(_VRN_flush_file(f));
  _VRN_close_file(f);
}

TEST_F(PlatformFiles, FailedTruncateThrows) {
  put_file(dir / "t.db", "data");
  _VRN_file* reader = open_ok(dir / "t.db", 0);
  ASSERT_NE(reader, nullptr);
  std::string report = report_of<dv_err_cant_write_to_file>([&] { _VRN_truncate_file(reader, 0); });
  EXPECT_EQ(report.rfind("dv_err_cant_write_to_file - SetEndOfFile failed: (", 0), 0u) << report;
  _VRN_close_file(reader);
  EXPECT_EQ(file_content(dir / "t.db"), "data");
}

TEST_F(PlatformFiles, DirectoryFlushOfAMissingDirectoryThrows) {
  EXPECT_NO_THROW(_VRN_flush_directory_of((dir / "new.db").c_str()));
  EXPECT_NO_THROW(_VRN_flush_directory_of("relative.db"));
  EXPECT_NO_THROW(_VRN_flush_directory_of("/top.db"));
  std::string missing = dir / "gone";
  EXPECT_EQ(
      report_of<dv_err_cant_write_to_file>(
          [&] { _VRN_flush_directory_of((missing + "/a.db").c_str()); }),
      "dv_err_cant_write_to_file - FlushFileBuffers failed: " + missing + ": " + text_of(ENOENT));
}

// ---- file-system calls ------------------------------------------------------

TEST_F(PlatformFiles, ModeTellsMissingReadOnlyAndWritable) {
  std::string path = dir / "mode.db";
  EXPECT_EQ(_VRN_get_mode(path.c_str()), -1);
  put_file(path, "x");
  ::chmod(path.c_str(), 0644);
  EXPECT_EQ(_VRN_get_mode(path.c_str()), 0666);
  ::chmod(path.c_str(), 0444);
  EXPECT_EQ(_VRN_get_mode(path.c_str()), 0444);
}

TEST_F(PlatformFiles, DeleteRenameAndAccess) {
  std::string a = dir / "a.db", b = dir / "b.db";
  EXPECT_EQ(_VRN_access(a.c_str(), 0), -1);
  put_file(a, "x");
  EXPECT_EQ(_VRN_access(a.c_str(), 0), 0);
  EXPECT_EQ(_VRN_access(a.c_str(), 4 | 1), 0);  // the execute bit is not asked
  EXPECT_EQ(_VRN_rename_file(a.c_str(), b.c_str()), 0);
  EXPECT_EQ(_VRN_rename_file(a.c_str(), b.c_str()), -1);
  EXPECT_EQ(file_content(b), "x");
  EXPECT_EQ(_VRN_delete_file(b.c_str()), 0);
  EXPECT_EQ(_VRN_delete_file(b.c_str()), -1);
}

}  // namespace
