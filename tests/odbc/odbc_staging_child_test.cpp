// Guards the staging of file sources in a child process: a reading that
// dies by a signal (a crashing library, stood for by the test switch),
// dies half-way through a large table, hangs, or hands out rows without
// end gives "cannot read this file" naming the file and the reason; the
// program goes on, a good file of the same connection stages after it, no
// part of the half-staged table is ever read, a workbook whose listing
// crashes is refused at connect, a reader's own refusal reaches the caller
// word for word, no child is left behind, and a hung reading child ends
// with the program.
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "odbc_test_support.h"
#include "source_files.h"
#include "staged_source_cache.h"

namespace {

using odbc_test::MessageOf;

constexpr char kFaultVariable[] = "DV_STAGING_TEST_FAULT";

// The number of rows of table, or the error's text.
std::string CountOrError(CDatabase& db, const std::string& table) {
  try {
    odbc_test::TextRowset set(&db, 64);
    set.SetRowsetSize(100);
    set.Open(CRecordset::snapshot, ("SELECT count(*) FROM [" + table + "]").c_str(), CRecordset::useMultiRowFetch);
    return set.Text(0, 0);
  } catch (CDBException* e) {
    return MessageOf(e);
  }
}

// The one value of an SQL statement on the staged file itself (naming no
// source table, it stages none), or the error's text.
std::string ValueOf(CDatabase& db, const std::string& sql) {
  try {
    odbc_test::TextRowset set(&db, 256);
    set.Open(CRecordset::snapshot, sql.c_str(), CRecordset::useMultiRowFetch);
    return set.IsEOF() ? "<none>" : set.Text(0, 0);
  } catch (CDBException* e) {
    return MessageOf(e);
  }
}

// No child of this process is left, running or unreaped.
void ExpectNoChildLeft() {
  errno = 0;
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

class StagingChild : public ::testing::Test {
 protected:
  void SetUp() override {
    odbc_test::WriteBytes(scratch_ / "good.csv", "Name,Qty\nNail,3\nScrew,4\n");
    odbc_test::Connect(db_, odbc_test::TextConnection(scratch_.path()));
  }
  void TearDown() override {
    ::unsetenv(kFaultVariable);
    SetStagingIdleLimit(60);
  }
  std::string StagedPath() {
    return OpenStagedSource(RecogniseConnection(odbc_test::TextConnection(scratch_.path()).c_str()))->SqlitePath();
  }

  dv_test::scratch_dir scratch_;
  CDatabase db_;
};

TEST_F(StagingChild, AReadingThatDiesHangsOrLoopsIsRefusedAndTheNextFileStages) {
  odbc_test::WriteBytes(scratch_ / "bad.csv", "Name,Qty\nBolt,1\n");
  const struct {
    const char* fault;
    const char* reason;
  } cases[] = {
      {"crash:bad.csv", "the reading ended by signal 11"},
      {"hang:bad.csv", "the reading made no progress for 2 s and was stopped"},
      {"loop:bad.csv", "the reading gave 1000 rows, more than its files hold bytes (16), and was stopped"},
  };
  SetStagingIdleLimit(2);
  for (const auto& c : cases) {
    ::setenv(kFaultVariable, c.fault, 1);
    const auto start = std::chrono::steady_clock::now();
    const std::string text = CountOrError(db_, "bad.csv");
    EXPECT_EQ(text.find(scratch_ / "bad.csv" + ": cannot read this file: " + c.reason), 0u) << c.fault << ": " << text;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30)) << c.fault;
    EXPECT_EQ(CountOrError(db_, "good.csv"), "2") << c.fault;
    ExpectNoChildLeft();
  }
  // The switch gone, the same file stages: a refusal is never remembered.
  ::unsetenv(kFaultVariable);
  EXPECT_EQ(CountOrError(db_, "bad.csv"), "1");
}

TEST_F(StagingChild, ATableWhoseReadingDiesHalfWayIsNeverReadInPart) {
  // Rows of 3,000 bytes: the child has written far more than SQLite's page
  // cache holds into the staged file when it dies at row 1,000.
  std::string text = "Id,Note\n";
  for (int k = 1; k <= 1500; ++k) text += std::to_string(k) + "," + std::string(3000, 'a' + k % 26) + "\n";
  odbc_test::WriteBytes(scratch_ / "big.csv", text);
  EXPECT_EQ(CountOrError(db_, "good.csv"), "2");
  ::setenv(kFaultVariable, "crash:big.csv:1000", 1);
  const std::string error = CountOrError(db_, "big.csv");
  EXPECT_NE(error.find("big.csv: cannot read this file: the reading ended by signal 11"), std::string::npos) << error;
  struct stat journal {};
  EXPECT_EQ(::stat((StagedPath() + "-journal").c_str(), &journal), 0) << "the child died inside its transaction";
  EXPECT_GT(journal.st_size, 0);

  // The staged file reads as before the crash: the half-staged table is
  // not there, the other table is whole.
  EXPECT_EQ(ValueOf(db_, "SELECT count(*) FROM sqlite_master WHERE name LIKE 'big%'"), "0");
  EXPECT_EQ(ValueOf(db_, "SELECT integrity_check FROM pragma_integrity_check"), "ok");
  EXPECT_EQ(CountOrError(db_, "good.csv"), "2");
  ::unsetenv(kFaultVariable);
  EXPECT_EQ(CountOrError(db_, "big.csv"), "1500");
  ExpectNoChildLeft();
}

TEST_F(StagingChild, ARefusalReachesTheCallerWordForWord) {
  odbc_test::WriteBytes(scratch_ / "wide.csv", "a,b\n1,2,3\n");
  const std::string text = CountOrError(db_, "wide.csv");
  EXPECT_EQ(text.find(scratch_ / "wide.csv" + ": line 2: field 3 holds a value, but the table has only 2 columns"),
            0u)
      << text;
  ExpectNoChildLeft();
}

TEST_F(StagingChild, AReadingChildEndsWithTheProgram) {
  odbc_test::WriteBytes(scratch_ / "stuck.csv", "Name\nBolt\n");
  // Orphans come to this process, so the reading child's end is seen here
  // (qemu's user mode offers no subreaper).
  if (::prctl(PR_SET_CHILD_SUBREAPER, 1) != 0) GTEST_SKIP() << "no child subreaper: " << std::strerror(errno);
  const pid_t program = ::fork();
  ASSERT_GE(program, 0);
  if (program == 0) {
    // The program, its reading hung, is killed a second later.
    ::setenv(kFaultVariable, "hang:stuck.csv", 1);
    ::alarm(1);
    CountOrError(db_, "stuck.csv");
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(program, &status, 0), program);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) << status;
  pid_t reaped = 0;
  for (int i = 0; i < 500 && reaped == 0; ++i) {
    reaped = ::waitpid(-1, &status, WNOHANG);
    if (reaped == 0) ::usleep(20000);
  }
  ::prctl(PR_SET_CHILD_SUBREAPER, 0);
  ASSERT_GT(reaped, 0) << "the reading child outlived the program";
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
}

TEST(StagingChildExcel, AWorkbookWhoseListingCrashesIsRefusedAtConnect) {
  dv_test::scratch_dir scratch;
  const std::string book = scratch / "book.xls";
  ASSERT_TRUE(odbc_test::WriteWorkbook(book, {{"Sheet1", {{"Name"}, {"Rake"}}}}))
      << "python3 with xlwt writes the workbook";
  ::setenv(kFaultVariable, "crash:book.xls", 1);
  CDatabase db;
  std::string text = "no error";
  try {
    db.OpenEx(odbc_test::ExcelConnection(book).c_str(), CDatabase::noOdbcDialog);
  } catch (CDBException* e) {
    text = MessageOf(e);
  }
  ::unsetenv(kFaultVariable);
  EXPECT_EQ(text.find(book + ": cannot read this file: the reading ended by signal 11"), 0u) << text;
  EXPECT_FALSE(db.IsOpen());
  odbc_test::Connect(db, odbc_test::ExcelConnection(book));
  EXPECT_EQ(CountOrError(db, "Sheet1$"), "1");
  ExpectNoChildLeft();
}

}  // namespace
