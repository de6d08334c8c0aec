// Guards the sheet's builders: connection strings per source type from a
// tallyport.ini made by the test (every driver and general key of a
// file-based type listed, empty ones too; Paradox and dBase strings leaving
// empty keys out; the program folder as DefaultDir when the sheet's type is
// the Quillon shop's; type 6 the data-source string; no ini at all; a
// folder holding ';' or '}' in braces, read back as it was), the
// mapping-column code's fields and kind tests, and the import's SELECT
// statement (no comma before the first named column, names with ']' kept
// inside their brackets).
#include <gtest/gtest.h>

#include <fstream>

#include "connection_string.h"
#include "dv_scratch_dir.h"
#include "import_sql.h"
#include "mapping_column_code.h"

namespace {

class ConnectionStrings : public ::testing::Test {
 protected:
  ConnectionStrings() {
    std::ofstream(scratch / "tallyport.ini") << "[General ConnStr Info]\n"
                                                "DefaultDir=/srv/data\n"
                                                "MaxBufferSize=2048\n"
                                                "Threads=3\n"
                                                "[Plain Text]\n"
                                                "Driver={Text Driver}\n"
                                                "Extensions=txt,csv\n"
                                                "[Paradox]\n"
                                                "DRIVER={Paradox Driver}\n"
                                                "ParadoxNetStyle=4.x\n"
                                                "[DBase]\n"
                                                "DRIVER={dBase Driver}\n"
                                                "Deleted=1\n";
  }
  CString Build(int type, int currentType = 10) {
    return BuildConnectionString(type, currentType, scratch.path().c_str(), "DSN=Shop;");
  }
  dv_test::scratch_dir scratch;
};

TEST_F(ConnectionStrings, FileBasedTypesListEveryKey) {
  EXPECT_STREQ(Build(2),
               "DefaultDir=/srv/data;Driver={Text Driver};DriverId=;FIL=;Extensions=txt,csv;ColNameHeader=;Format=;"
               "MaxBufferSize=2048;MaxScanRows=;PageTimeout=;SafeTransactions=;Threads=3;UID=;UserCommitSync=;");
  EXPECT_STREQ(Build(0),
               "DefaultDir=/srv/data;Driver=;DriverId=;FIL=;Extensions=;ColNameHeader=;Format=;"
               "MaxBufferSize=2048;MaxScanRows=;PageTimeout=;SafeTransactions=;Threads=3;UID=;UserCommitSync=;");
}

TEST_F(ConnectionStrings, FoldersHoldingSemicolonsAndBracesAreQuoted) {
  std::ofstream(scratch / "tallyport.ini") << "[General ConnStr Info]\nDefaultDir=/srv/a;b}c\n";
  EXPECT_EQ(std::string(static_cast<LPCTSTR>(Build(9))), "DefaultDir={/srv/a;b}}c};");
  EXPECT_STREQ(WithDefaultDir("DRIVER={dBase Driver};DefaultDir={/old;x};Deleted=1;", "/new;y"),
               "DRIVER={dBase Driver};Deleted=1;DefaultDir={/new;y};");
  EXPECT_STREQ(UnquotedConnectionValue(QuotedConnectionValue("/a;b}}c{")), "/a;b}}c{");
  EXPECT_STREQ(QuotedConnectionValue("/plain/folder"), "/plain/folder");
  // A folder typed in a connection string is stored as the folder itself.
  ParseConnectionString("DefaultDir={/typed;x}}y};Driver={Text}", 2, (scratch / "tallyport.ini").c_str());
  EXPECT_EQ(std::string(static_cast<LPCTSTR>(Build(9))), "DefaultDir={/typed;x}}y};");
}

TEST_F(ConnectionStrings, ParadoxAndDBaseLeaveEmptyKeysOut) {
  EXPECT_STREQ(Build(7), "DRIVER={Paradox Driver};ParadoxNetStyle=4.x;");
  EXPECT_STREQ(Build(3), "DRIVER={dBase Driver};Deleted=1;");
}

TEST_F(ConnectionStrings, OtherTypes) {
  CString quillon = Build(8, 8);
  std::string expectedStart = "DefaultDir=" + scratch.path() + ";";
  EXPECT_EQ(std::string(static_cast<LPCTSTR>(quillon)).substr(0, expectedStart.size()), expectedStart)
      << "the program folder, whatever the ini holds";
  EXPECT_STREQ(Build(6), "DSN=Shop;");
  EXPECT_STREQ(Build(9), "DefaultDir=/srv/data;");
  EXPECT_STREQ(Build(10), "DefaultDir=/srv/data;");
  EXPECT_STREQ(BuildConnectionString(7, 10, (scratch / "none").c_str(), ""), "") << "no ini: nothing";
}

TEST(MappingColumnCodes, FieldsAndKinds) {
  struct Case {
    MappingColumnCode code;
    DWORD value;
    int option, choice;
    bool optionName, optionStatus, choiceName, choicePrice, choiceItemNo;
  } cases[] = {
      {MappingColumnCode(5), 5, 0, 0, false, false, false, false, false},
      {MappingColumnCode::ForOption(0, MappingColumnCode::OptionName), 0x80000000, 0, 0, true, false, false, false, false},
      {MappingColumnCode::ForOption(3, MappingColumnCode::OptionStatus), 0x80310000, 3, 0, false, true, false, false, false},
      {MappingColumnCode::ForOption(2047, MappingColumnCode::OptionDefault), 0xFFF20000, 2047, 0, false, false, false, false, false},
      {MappingColumnCode::ForChoice(1, 0, MappingColumnCode::ChoiceName), 0x80100001, 1, 0, false, false, true, false, false},
      {MappingColumnCode::ForChoice(1, 4095, MappingColumnCode::ChoicePrice), 0x8010FFF2, 1, 4095, false, false, false, true, false},
      {MappingColumnCode::ForChoice(0, 2, MappingColumnCode::ChoiceItemNo), 0x80000023, 0, 2, false, false, false, false, true},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(row.code.Value(), row.value);
    EXPECT_EQ(row.code.IsOptionColumn(), (row.value & 0x80000000) != 0);
    EXPECT_EQ(row.code.OptionIndex(), row.option);
    EXPECT_EQ(row.code.ChoiceIndex(), row.choice);
    EXPECT_EQ(row.code.IsOptionName(), row.optionName);
    EXPECT_EQ(row.code.IsOptionStatus(), row.optionStatus);
    EXPECT_EQ(row.code.IsChoiceName(), row.choiceName);
    EXPECT_EQ(row.code.IsChoicePrice(), row.choicePrice);
    EXPECT_EQ(row.code.IsChoiceItemNo(), row.choiceItemNo);
  }
  MappingColumnCode code = MappingColumnCode::ForChoice(4, 7, MappingColumnCode::ChoiceFourth);
  EXPECT_TRUE(code.IsChoiceFourth());
  code.ClearChoiceKind();
  EXPECT_FALSE(code.IsChoiceFourth());
  EXPECT_FALSE(code.IsOptionName()) << "a choice index keeps the low 16 bits from zero";
  code.SetChoiceIndex(0);
  EXPECT_TRUE(code.IsOptionName());
  code.SetOptionKind(MappingColumnCode::OptionStatus);
  EXPECT_TRUE(code.IsOptionStatus());
  code.SetOptionKind(MappingColumnCode::OptionStatus, false);
  EXPECT_TRUE(code.IsOptionName());
  EXPECT_TRUE(code.SameOption(MappingColumnCode::ForChoice(4, 1, MappingColumnCode::ChoiceName)));
  EXPECT_FALSE(code.SameOption(MappingColumnCode::ForOption(5, MappingColumnCode::OptionName)));
  EXPECT_TRUE(MappingColumnCode::ForChoice(4, 1, MappingColumnCode::ChoiceName)
                  .SameOptionAndChoice(MappingColumnCode::ForChoice(4, 1, MappingColumnCode::ChoicePrice)));
  EXPECT_FALSE(MappingColumnCode::ForChoice(4, 1, MappingColumnCode::ChoiceName)
                   .SameOptionAndChoice(MappingColumnCode::ForChoice(4, 2, MappingColumnCode::ChoiceName)));
}

TEST(ImportSelect, Statements) {
  struct Case {
    std::vector<CString> fields;
    const char* table;
    const char* expected;
  } cases[] = {
      {{}, "Products", "SELECT * FROM Products"},
      {{}, "", "SELECT * FROM /data/catalogue.csv"},
      {{"", "TITLE"}, "Products", "SELECT \"TITLE\" FROM Products"},
      {{"TITLE", "", "COST"}, "Products", "SELECT \"TITLE\",\"COST\" FROM Products"},
      {{"Price]s", "Odd\"\""}, "T", "SELECT \"Price]s\",\"Odd\"\"\"\"\" FROM T"},
      {{"Na;me", "x -- y"}, "T", "SELECT \"Na;me\",\"x -- y\" FROM T"},
  };
  for (const Case& row : cases)
    EXPECT_STREQ(BuildImportSelect(row.fields, row.table, "/data/catalogue.csv", '"'), row.expected) << row.expected;
}

}  // namespace
