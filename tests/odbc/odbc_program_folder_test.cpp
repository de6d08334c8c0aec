// Guards the road from the program folder's tallyport.ini to a connection:
// the sheet's connection strings built from the shipped file (and from a
// program folder without one) reach the staged sources; and the staged
// files are deleted when the program ends.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "connection_string.h"
#include "dv_test_process.h"
#include "fw_profile.h"
#include "odbc_test_support.h"
#include "source_files.h"
#include "staged_source_cache.h"
#include "table_list_set.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> TablesOf(CDatabase& db, LPCTSTR types) {
  CTableListSet list(&db);
  list.Open(CRecordset::snapshot, types);
  std::vector<std::string> names;
  for (; !list.IsEOF(); list.MoveNext()) names.emplace_back(list.m_strTableName);
  return names;
}

class ProgramFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(program_);
    fs::create_directory(sources_);
    odbc_test::WriteBytes(sources_ + "/products.csv", "Name,Price\nChair,12\n");
    odbc_test::WriteDBase(sources_ + "/parts.dbf", {{"NAME", 'C', 10, 0}}, {{"Bolt"}});
    // What the source-file page writes when a file is chosen.
    WritePrivateProfileString("General ConnStr Info", "DefaultDir", sources_.c_str(), Ini().c_str());
  }
  std::string Ini() const { return program_ + "/tallyport.ini"; }
  // The string the source-file page makes of the sheet's one.
  std::string FileConnection(int type, const std::string& sourceFilePart) {
    std::string connect(BuildConnectionString(type, type, program_.c_str(), ""));
    if (connect.back() != ';') connect += ';';
    connect += sourceFilePart;
    if (type == 2) connect += ";";
    return connect;
  }

  dv_test::scratch_dir scratch_;
  std::string program_ = scratch_ / "program";
  std::string sources_ = scratch_ / "sources";
};

TEST_F(ProgramFolder, TheShippedSettingsReachEveryFileKind) {
  fs::copy_file(std::string(DV_DATA_DIR) + "/tallyport.ini", Ini(), fs::copy_options::overwrite_existing);
  WritePrivateProfileString("General ConnStr Info", "DefaultDir", sources_.c_str(), Ini().c_str());
  CDatabase text;
  odbc_test::Connect(text, FileConnection(2, "DBQ="));
  EXPECT_EQ(TablesOf(text, "'TABLE'"), std::vector<std::string>{"products.csv"});
  // The dBase string names the chosen file's folder.
  CDatabase dbase;
  odbc_test::Connect(dbase, std::string(BuildConnectionString(3, 3, program_.c_str(), "")) + "DefaultDir=" + sources_ + ";");
  EXPECT_EQ(TablesOf(dbase, "'TABLE'"), std::vector<std::string>{"parts"});
}

TEST_F(ProgramFolder, AFolderWithoutDriverNamesReadsByTheEmptyFileKeyOrTheExtension) {
  CDatabase text;
  odbc_test::Connect(text, FileConnection(2, "DBQ="));
  EXPECT_EQ(TablesOf(text, "'TABLE'"), std::vector<std::string>{"products.csv"});
  CDatabase dbase;
  odbc_test::Connect(dbase, FileConnection(3, "DBQ=" + sources_ + "/parts.dbf"));
  EXPECT_EQ(TablesOf(dbase, "'TABLE'"), std::vector<std::string>{"parts"});
}

// The child stages a table and ends; the parent finds no staged file left.
TEST(StagedFiles, StageATableAndEnd) {
  if (!dv_test::is_child()) GTEST_SKIP() << "runs in a child process";
  const char* folder = std::getenv("ODBC_TEST_SOURCES");
  ASSERT_NE(folder, nullptr);
  CDatabase db;
  odbc_test::Connect(db, odbc_test::TextConnection(folder));
  odbc_test::TextRowset set(&db, 32);
  set.Open(CRecordset::snapshot, "SELECT * FROM [products.csv]", CRecordset::useMultiRowFetch);
  auto staged = OpenStagedSource(RecogniseConnection(odbc_test::TextConnection(folder).c_str()));
  ASSERT_TRUE(fs::exists(staged->SqlitePath())) << staged->SqlitePath();
}

TEST(StagedFiles, AreDeletedWhenTheProgramEnds) {
  dv_test::scratch_dir scratch;
  fs::create_directory(scratch / "tmp");
  fs::create_directory(scratch / "src");
  odbc_test::WriteBytes(scratch / "src/products.csv", "Name\nChair\n");
  ASSERT_EQ(dv_test::run_child("StagedFiles.StageATableAndEnd",
                               {{"TMPDIR", scratch / "tmp"}, {"ODBC_TEST_SOURCES", scratch / "src"}}),
            0);
  EXPECT_TRUE(fs::is_empty(scratch / "tmp"));
}

}  // namespace
