// Guards path names: the extension rule with and without DV_FATFS (cut only
// in the file name, never past the output buffer), absolute paths that keep
// their case, file names split at '/', '\\' and ':', the temporary directory
// and unique temporary files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dv_err.h"
#include "dv_platform.h"
#include "dv_scratch_dir.h"
#include "dv_test_process.h"

using namespace dv_qem;

namespace {

template <class E, class F>
std::string report_of(F&& action) {
  try {
    action();
  } catch (const E& e) {
    return e.get_report();
  }
  return "no exception";
}

// Sets or clears DV_FATFS for one test.
class fatfs_setting {
 public:
  explicit fatfs_setting(const char* value) {
    if (value != nullptr)
      ::setenv("DV_FATFS", value, 1);
    else
      ::unsetenv("DV_FATFS");
  }
  ~fatfs_setting() { ::unsetenv("DV_FATFS"); }
};

std::string with_extension(const char* path, const char* extension) {
  char out[_VRN_MAX_PATH];
  _VRN_add_extension(out, sizeof out, path, extension);
  return out;
}

// ---- extensions ---------------------------------------------------------------

struct extension_row {
  const char* path;
  const char* fatfs;  // DV_FATFS value, null when unset
  const char* expected;
};

const extension_row kExtensions[] = {
    {"shop.db", nullptr, "shop.db.log"},
    {"shop.db", "1", "shop.log"},
    {"archive.tar.gz", nullptr, "archive.tar.gz.log"},
    {"archive.tar.gz", "1", "archive.tar.log"},
    {"shop.db", "", "shop.db.log"},         // empty counts as unset
    {"dir.d/file", "1", "dir.d/file.log"},  // a directory's dot is not an extension
    {"dir.d\\file", "1", "dir.d\\file.log"},
    {"c:shop.db", "1", "c:shop.log"},
    {"/data/Shop.DB", "1", "/data/Shop.log"},  // case kept
    {"a.b", "1", "a.log"},
    {"data.kvcx", "1", "data.kvcx.log"},  // four characters: not cut
    {"file.", "1", "file..log"},          // no characters: not cut
    {"dir/.db", "1", "dir/.db.log"},      // a name that is all extension stays
    {"noext", "1", "noext.log"},
};

TEST(PlatformPaths, ExtensionRule) {
  for (const extension_row& row : kExtensions) {
    SCOPED_TRACE(std::string(row.path) + " DV_FATFS=" + (row.fatfs ? row.fatfs : "(unset)"));
    fatfs_setting fatfs(row.fatfs);
    EXPECT_EQ(with_extension(row.path, "log"), row.expected);
  }
}

TEST(PlatformPaths, ExtensionNeverOverrunsTheOutput) {
  char out[16];
  std::memset(out, '#', sizeof out);
  _VRN_add_extension(out, 12, "shop.db", "log");  // 11 characters and the terminator
  EXPECT_STREQ(out, "shop.db.log");
  std::memset(out, '#', sizeof out);
  EXPECT_EQ(
      report_of<dv_err_invalid_pathname>([&] { _VRN_add_extension(out, 11, "shop.db", "log"); }),
      "dv_err_invalid_pathname - shop.db.log");
  EXPECT_EQ(out[0], '#');  // nothing written

  std::string long_path = "/" + std::string(_VRN_MAX_PATH - 4, 'p');
  char full[_VRN_MAX_PATH];
  EXPECT_EQ(report_of<dv_err_invalid_pathname>(
                [&] { _VRN_add_extension(full, sizeof full, long_path.c_str(), "log"); }),
            "dv_err_invalid_pathname - " + long_path + ".log");
}

TEST(PlatformPaths, FatNamesCheckTheirArguments) {
  fatfs_setting fatfs("yes");
  std::string short_path = report_of<dv_err_internal>([] { with_extension("a", "log"); });
  EXPECT_EQ(short_path.rfind(
                "dv_err_internal - Assertion \"_VRN_strlen(pathname)>1\" failed at line ", 0),
            0u)
      << short_path;
  std::string long_extension =
      report_of<dv_err_internal>([] { with_extension("shop.db", "logs"); });
  EXPECT_EQ(
      long_extension.rfind("dv_err_internal - Assertion \"_VRN_strlen(extension)<=3\" failed", 0),
      0u)
      << long_extension;
}

// ---- absolute paths -------------------------------------------------------------

class PlatformFullPath : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(::getcwd(saved_, sizeof saved_), nullptr);
    ASSERT_EQ(::chdir(dir_.path().c_str()), 0);
    ASSERT_NE(::getcwd(cwd_, sizeof cwd_), nullptr);
  }
  void TearDown() override { ASSERT_EQ(::chdir(saved_), 0); }

  std::string full(const std::string& path) {
    char buffer[_VRN_MAX_PATH];
    std::strcpy(buffer, path.c_str());
    _VRN_get_full_path(buffer);
    return buffer;
  }

  dv_test::scratch_dir dir_;
  char saved_[PATH_MAX];
  char cwd_[PATH_MAX];
};

TEST_F(PlatformFullPath, MakesAbsoluteAndKeepsCase) {
  std::string cwd = cwd_;
  struct row {
    const char* path;
    std::string expected;
  } rows[] = {
      {"Shop.DB", cwd + "/Shop.DB"},     {"./Sub//Shop.DB", cwd + "/Sub/Shop.DB"},
      {"a/../B.db", cwd + "/a/../B.db"},  // ".." is left to the file system
      {"/Abs//./Path/", "/Abs/Path"},    {"/", "/"},
  };
  for (const row& r : rows) EXPECT_EQ(full(r.path), r.expected) << r.path;
}

TEST_F(PlatformFullPath, FromTheRootDirectory) {
  ASSERT_EQ(::chdir("/"), 0);
  EXPECT_EQ(full("x.db"), "/x.db");
}

TEST_F(PlatformFullPath, RefusesAResultOf512CharactersOrMore) {
  std::string cwd = cwd_;
  size_t room = _VRN_MAX_PATH - 1 - cwd.size() - 1;  // longest name that fits
  std::string fits(room, 'f');
  EXPECT_EQ(full(fits).size(), _VRN_MAX_PATH - 1);
  std::string too_long(room + 1, 'f');
  EXPECT_EQ(report_of<dv_err_invalid_pathname>([&] { full(too_long); }),
            "dv_err_invalid_pathname - " + too_long);
}

TEST_F(PlatformFullPath, EmptyPathIsAFileError) {
  char text[320];
  _VRN_system_error_text(ENOENT, text, sizeof text);
  EXPECT_EQ(report_of<dv_err_file>([&] { full(""); }), std::string("dv_err_file - : ") + text);
}

// ---- file names -------------------------------------------------------------------

TEST(PlatformPaths, FileNameFollowsTheLastSeparator) {
  struct row {
    const char* path;
    const char* name;
  } rows[] = {
      {"Shop.DB", "Shop.DB"},   {"/d/Shop.DB", "Shop.DB"},       {"d\\e\\Shop.DB", "Shop.DB"},
      {"c:Shop.DB", "Shop.DB"}, {"c:\\d/e\\Shop.DB", "Shop.DB"}, {"dir/", ""},
  };
  for (const row& r : rows) EXPECT_STREQ(_VRN_file_name_of(r.path), r.name) << r.path;
}

TEST(PlatformPaths, ShortPathKeepsTheFileNameInPlace) {
  char path[_VRN_MAX_PATH] = "c:\\Data/Sub\\Shop.DB";
  _VRN_get_short_path(path);
  EXPECT_STREQ(path, "Shop.DB");
  char directory[_VRN_MAX_PATH] = "/data/";
  EXPECT_EQ(report_of<dv_err_file>([&] { _VRN_get_short_path(directory); }),
            "dv_err_file - /data/");
  EXPECT_STREQ(directory, "/data/");
}

// ---- temporary files ----------------------------------------------------------------

// Child: the temporary directory is DV_TEST_EXPECTED for the TMPDIR it got.
TEST(PlatformPathsChild, TmpDirFromTheEnvironment) {
  if (!dv_test::is_child()) GTEST_SKIP() << "run by PlatformPaths.TmpDirComesFromTmpdirOrTmp";
  EXPECT_STREQ(_VRN_get_tmp_dir(), std::getenv("DV_TEST_EXPECTED"));
}

TEST(PlatformPaths, TmpDirComesFromTmpdirOrTmp) {
  struct row {
    const char* tmpdir;
    const char* expected;
  } rows[] = {
      {"/var/Scratch///", "/var/Scratch"}, {"/var/tmp", "/var/tmp"}, {"", "/tmp"}, {"/", "/"}};
  for (const row& r : rows) {
    EXPECT_EQ(dv_test::run_child("PlatformPathsChild.TmpDirFromTheEnvironment",
                                 {{"TMPDIR", r.tmpdir}, {"DV_TEST_EXPECTED", r.expected}}),
              0)
        << "TMPDIR=" << r.tmpdir;
  }
}

TEST(PlatformPaths, TmpFilenameCreatesAUniqueFile) {
  dv_test::scratch_dir dir;
  char first[_VRN_MAX_PATH], second[_VRN_MAX_PATH];
  ASSERT_EQ(_VRN_get_tmp_filename(dir.path().c_str(), "Shop.DB", first), 0);
  ASSERT_EQ(_VRN_get_tmp_filename(dir.path().c_str(), "Shop.DB", second), 0);
  EXPECT_STRNE(first, second);
  std::string prefix = dir / "Shop.DB";
  for (const char* name : {first, second}) {
    EXPECT_EQ(std::string(name).rfind(prefix, 0), 0u) << name;
    EXPECT_EQ(std::strlen(name), prefix.size() + 6) << name;
    struct stat st;
    EXPECT_EQ(::stat(name, &st), 0) << name;
  }
}

TEST(PlatformPaths, TmpFilenameDefaultsToTheTmpDir) {
  char name[_VRN_MAX_PATH];
  ASSERT_EQ(_VRN_get_tmp_filename(nullptr, "dvq", name), 0);
  std::string expected = std::string(_VRN_get_tmp_dir()) + "/dvq";
  EXPECT_EQ(std::string(name).rfind(expected, 0), 0u) << name;
  EXPECT_EQ(::unlink(name), 0);
}

TEST(PlatformPaths, TmpFilenameFailsWithoutAPlace) {
  dv_test::scratch_dir dir;
  char name[_VRN_MAX_PATH];
  EXPECT_EQ(_VRN_get_tmp_filename((dir / "missing").c_str(), "x", name), -1);
  std::string long_dir = "/" + std::string(_VRN_MAX_PATH, 'd');
  EXPECT_EQ(_VRN_get_tmp_filename(long_dir.c_str(), "x", name), -1);
}

}  // namespace
