// Guards the dBase III/IV reader: every field type with its staged form,
// blanks as NULL, deleted records left out, memos from dBase III and IV memo
// files (and none without a .dbt), the code page marks, the table list, and
// the errors that name the file and the record (truncated files, foreign
// versions, types and code pages, a memo beyond its file).
#include "dbase_writer.h"
#include "source_staging.h"
#include "staged_table.h"

#include "dv_scratch_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace sources_test;

namespace {

using Rows = std::vector<std::vector<std::string>>;
using Names = std::vector<std::string>;

StagedTable StageDbf(const dv_test::scratch_dir& dir, const std::string& table) {
  const std::string db = dir / "staged.sqlite";
  StageSourceTable(db, SourceFileKind::DBase, dir.path(), table, TextFormatOptions{}, {});
  return ReadStagedTable(db, table);
}

DbfTable ProductTable() {
  DbfTable table;
  table.fields = {{"CODE", 'C', 8}, {"QTY", 'N', 5}, {"PRICE", 'N', 8, 2}, {"WEIGHT", 'F', 10, 3},
                  {"ADDED", 'D', 8}, {"ACTIVE", 'L', 1}};
  table.records = {
      {{"A-1", "12", "3.50", "0.250", "20240301", "T"}},
      {{"GONE", "1", "1.00", "1", "20240101", "F"}, true},
      {{"B-2  ", "-7", "-0.10", "1.5e2", "19991231", "n"}},
      {{"", "", "", "", "", "?"}},
      {{"C-3", "*****", "12", "2", "2024", "Y"}},
  };
  return table;
}

TEST(DBaseStaging, StagesEveryFieldTypeAndLeavesOutDeletedRecords) {
  dv_test::scratch_dir dir;
  WriteFile(dir / "products.dbf", DbfBytes(ProductTable()));
  const auto staged = StageDbf(dir, "products");
  EXPECT_EQ(staged.names, (Names{"CODE", "QTY", "PRICE", "WEIGHT", "ADDED", "ACTIVE"}));
  EXPECT_EQ(staged.types, (Names{"VARCHAR(8)", "INTEGER", "REAL", "REAL", "DATE", "BIT"}));
  EXPECT_EQ(staged.rows, (Rows{
                             {"A-1", "12", "3.5", "0.25", "2024-03-01", "1"},
                             {"B-2", "-7", "-0.1", "150.0", "1999-12-31", "0"},
                             {"<null>", "<null>", "<null>", "<null>", "<null>", "<null>"},
                             {"C-3", "*****", "12.0", "2.0", "2024", "1"},
                         }));
}

TEST(DBaseStaging, ReadsMemosOfBothMemoFileStyles) {
  struct Case {
    const char* what;
    uint8_t version;
    uint16_t blockBytes;   // 0: dBase III memo file
  };
  for (const Case& c : {Case{"dBase III", 0x83, 0}, Case{"dBase IV, 64-byte blocks", 0x8B, 64},
                        Case{"dBase IV, 512-byte blocks", 0x8B, 512}}) {
    SCOPED_TRACE(c.what);
    dv_test::scratch_dir dir;
    const std::string longMemo(1500, 'x');
    std::vector<uint32_t> blocks;
    WriteFile(dir / "notes.dbt", DbtBytes({"first memo\r\nline two", longMemo, "K\xF6ln"}, c.blockBytes, blocks));
    DbfTable table;
    table.version = c.version;
    table.fields = {{"ID", 'N', 3}, {"NOTE", 'M', 10}};
    table.records = {{{"1", std::to_string(blocks[0])}}, {{"2", ""}}, {{"3", std::to_string(blocks[1])}},
                     {{"4", std::to_string(blocks[2])}}};
    WriteFile(dir / "notes.dbf", DbfBytes(table));
    const auto staged = StageDbf(dir, "notes");
    EXPECT_EQ(staged.types, (Names{"INTEGER", "TEXT"}));
    EXPECT_EQ(staged.rows, (Rows{{"1", "first memo\r\nline two"}, {"2", "<null>"}, {"3", longMemo}, {"4", "K\xC3\xB6ln"}}));
  }
}

TEST(DBaseStaging, AMemoFieldWithoutAMemoFileIsNull) {
  dv_test::scratch_dir dir;
  DbfTable table;
  table.version = 0x83;
  table.fields = {{"NOTE", 'M', 10}};
  table.records = {{{"1"}}};
  WriteFile(dir / "t.dbf", DbfBytes(table));
  EXPECT_EQ(StageDbf(dir, "t").rows, (Rows{{"<null>"}}));
}

TEST(DBaseStaging, DecodesTheTablesCodePage) {
  struct Case {
    uint8_t mark;
    std::string expected;
  };
  // The byte 0x9B is the cent sign in DOS 437, o-slash in DOS 850 and a
  // closing angle quote in Windows-1252; 0x8E is A-umlaut in both DOS pages.
  for (const Case& c : {Case{0x00, "\xE2\x80\xBA\xC5\xBD"}, Case{0x03, "\xE2\x80\xBA\xC5\xBD"},
                        Case{0x57, "\xE2\x80\xBA\xC5\xBD"}, Case{0x01, "\xC2\xA2\xC3\x84"}, Case{0x02, "\xC3\xB8\xC3\x84"},
                        Case{0x10, "\xC3\xB8\xC3\x84"}}) {
    SCOPED_TRACE(static_cast<int>(c.mark));
    dv_test::scratch_dir dir;
    DbfTable table;
    table.codePageMark = c.mark;
    table.fields = {{"NAME", 'C', 4}};
    table.records = {{{"\x9B\x8E"}}};
    WriteFile(dir / "cp.dbf", DbfBytes(table));
    EXPECT_EQ(StageDbf(dir, "cp").rows, (Rows{{c.expected}}));
  }
}

TEST(DBaseStaging, FindsTheTableByFileOrFolderAndListsTables) {
  dv_test::scratch_dir dir;
  WriteFile(dir / "Products.DBF", DbfBytes(ProductTable()));
  WriteFile(dir / "other.dbf", DbfBytes(ProductTable()));
  WriteFile(dir / "readme.txt", "x");
  EXPECT_EQ(ListSourceTables(SourceFileKind::DBase, dir.path()), (Names{"Products", "other"}));
  EXPECT_EQ(ListSourceTables(SourceFileKind::DBase, dir / "other.dbf"), (Names{"other"}));
  const std::string db = dir / "s.sqlite";
  StageSourceTable(db, SourceFileKind::DBase, dir / "Products.DBF", "Products", TextFormatOptions{}, {});
  StageSourceTable(db, SourceFileKind::DBase, dir.path(), "other", TextFormatOptions{}, {});
  EXPECT_EQ(StagedTableNames(db), (Names{"Products", "other"}));
  EXPECT_EQ(StagedRowCount(db, "Products"), 4);
}

struct ErrorCase {
  const char* what;
  std::string bytes;
  std::vector<std::string> messageParts;
};

std::vector<ErrorCase> ErrorCases() {
  const std::string whole = DbfBytes(ProductTable());
  const size_t headerBytes = 32 + 32 * 6 + 1;
  const size_t recordBytes = 1 + 8 + 5 + 8 + 10 + 8 + 1;
  DbfTable moreThanThere = ProductTable();
  moreThanThere.recordCountOverride = 7;
  DbfTable foxPro = ProductTable();
  foxPro.version = 0x30;
  DbfTable cyrillic = ProductTable();
  cyrillic.codePageMark = 0xC9;
  DbfTable binary;
  binary.fields = {{"PIC", 'B', 10}};
  std::string badLength = whole;
  badLength[10] = static_cast<char>(recordBytes + 1);
  return {
      {"shorter than a header", whole.substr(0, 20), {"too short for a dBase header"}},
      {"the descriptors cut short", whole.substr(0, 70), {"field descriptors are cut short"}},
      {"a record cut short", whole.substr(0, headerBytes + 2 * recordBytes + 5), {"record 3 of 5 is cut short"}},
      {"records missing", whole.substr(0, headerBytes + 4 * recordBytes), {"record 5 of 5 is cut short"}},
      {"more records counted than written", DbfBytes(moreThanThere), {"record 6 of 7 is cut short"}},
      {"another version", DbfBytes(foxPro), {"version byte 0x30"}},
      {"another code page", DbfBytes(cyrillic), {"code page mark 0xC9"}},
      {"another field type", DbfBytes(binary), {"field PIC has type 'B'"}},
      {"a record length that does not match", badLength, {"record length 42", "41 bytes"}},
  };
}

TEST(DBaseStaging, RefusesBrokenTablesNamingTheFileAndRecord) {
  for (const ErrorCase& c : ErrorCases()) {
    SCOPED_TRACE(c.what);
    dv_test::scratch_dir dir;
    WriteFile(dir / "bad.dbf", c.bytes);
    try {
      StageDbf(dir, "bad");
      ADD_FAILURE() << "no error";
    } catch (const SourceFileError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(dir / "bad.dbf"), std::string::npos) << message;
      for (const auto& part : c.messageParts) EXPECT_NE(message.find(part), std::string::npos) << message;
    }
    if (std::filesystem::exists(dir / "staged.sqlite")) {
      EXPECT_EQ(StagedTableNames(dir / "staged.sqlite"), Names{});
    }
  }
}

TEST(DBaseStaging, RefusesBrokenMemoFilesNamingTheFileAndRecord) {
  struct Case {
    const char* what;
    std::string memoFileName;
    uint8_t version;
    std::string memoBytes;
    std::string blockOfRecord2;
    std::string messagePart;
  };
  std::vector<uint32_t> blocks;
  const std::string dBaseIII = DbtBytes({"only"}, 0, blocks);
  std::string dBaseIV = DbtBytes({"only"}, 64, blocks);
  const std::string firstBlock = std::to_string(blocks[0]);
  std::string overlong = dBaseIV;
  overlong[blocks[0] * 64 + 4] = static_cast<char>(0xF0);   // the memo's length runs past the file
  const std::vector<Case> cases = {
      {"shorter than its header, the name in capitals", "M.DBT", 0x83, std::string(10, '\0'), firstBlock,
       "too short for a memo file header"},
      {"a block beyond the end", "m.dbt", 0x83, dBaseIII, "99", "record 2: memo block 99 lies beyond"},
      {"a dBase IV memo longer than the file", "m.dbt", 0x8B, overlong, firstBlock, "record 2: the memo in block"},
      {"a block number that is not a number", "m.dbt", 0x83, dBaseIII, "12x", "record 2: memo block number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    dv_test::scratch_dir dir;
    WriteFile(dir / c.memoFileName, c.memoBytes);
    DbfTable table;
    table.version = c.version;
    table.fields = {{"NOTE", 'M', 10}};
    table.records = {{{""}}, {{c.blockOfRecord2}}};
    WriteFile(dir / "m.dbf", DbfBytes(table));
    try {
      StageDbf(dir, "m");
      ADD_FAILURE() << "no error";
    } catch (const SourceFileError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(dir.path()), std::string::npos) << message;
      EXPECT_NE(message.find(c.messagePart), std::string::npos) << message;
    }
  }
}

}  // namespace
