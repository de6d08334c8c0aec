// Guards the delimited text reader and its staging: delimiters from the
// options and from schema.ini, quoting, line ends, character sets and the
// byte-order mark, column names and types, NULLs, the errors that name the
// file and line, the folder's table list, the one-transaction staging and the
// flat memory of a long file.
#include "source_staging.h"
#include "staged_table.h"

#include "dv_scratch_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

using sources_test::ReadStagedTable;
using sources_test::StagedTableNames;
using sources_test::WriteFile;

namespace {

using namespace std::string_literals;
using Rows = std::vector<std::vector<std::string>>;
using Names = std::vector<std::string>;

TextFormatOptions Options(char delimiter, bool header = true, bool ansi = true) {
  TextFormatOptions options;
  options.delimiter = delimiter;
  options.columnNamesInHeader = header;
  options.ansiCharacterSet = ansi;
  return options;
}

struct TextCase {
  const char* what;
  std::string fileName;
  std::string bytes;
  std::string schemaIni;           // empty: no schema.ini
  TextFormatOptions options;
  Names names;
  Names types;
  Rows rows;
};

std::vector<TextCase> TextCases() {
  return {
      {"comma, CR LF", "products.csv", "id,name,price\r\n1,Apple,1.5\r\n2,Pear,2\r\n", "", Options(','),
       {"id", "name", "price"}, {"INTEGER", "TEXT", "TEXT"}, {{"1", "Apple", "1.5"}, {"2", "Pear", "2"}}},
      {"semicolon from the options", "p.csv", "id;name\n7;Nut\n", "", Options(';'),
       {"id", "name"}, {"INTEGER", "TEXT"}, {{"7", "Nut"}}},
      {"tab from schema.ini", "p.txt", "id\tname\n7\tNut, roasted\n", "[p.txt]\nFormat=TabDelimited\n", Options(','),
       {"id", "name"}, {"INTEGER", "TEXT"}, {{"7", "Nut, roasted"}}},
      {"custom delimiter, section matched without case", "P.csv", "a|b\nx|y\n",
       "[other.csv]\nFormat=TabDelimited\n[p.CSV]\nFormat=Delimited(|)\n", Options(','),
       {"a", "b"}, {"TEXT", "TEXT"}, {{"x", "y"}}},
      {"CSVDelimited in schema.ini overrides the options", "p.csv", "a,b\n1,2\n", "[p.csv]\nFormat=CSVDelimited\n",
       Options(';'), {"a", "b"}, {"INTEGER", "INTEGER"}, {{"1", "2"}}},
      {"quoted delimiters, line breaks and doubled quotes", "q.csv",
       "id,text\n1,\"a,b\"\n2,\"line1\r\nline2\"\n3,\"say \"\"hi\"\"\"\n4,\"\"\n5,in\"side\n", "", Options(','),
       {"id", "text"}, {"INTEGER", "TEXT"},
       {{"1", "a,b"}, {"2", "line1\r\nline2"}, {"3", "say \"hi\""}, {"4", "<null>"}, {"5", "in\"side"}}},
      {"UTF-8 byte-order mark", "bom.csv", "\xEF\xBB\xBFname,city\n\xC3\x84pfel,K\xC3\xB6ln\n", "", Options(','),
       {"name", "city"}, {"TEXT", "TEXT"}, {{"\xC3\x84pfel", "K\xC3\xB6ln"}}},
      {"Windows-1252 converted", "ansi.csv", "Name,Preis\n\xC4pfel \x80,3\nS\xFC\xDF\x96,4\n", "", Options(','),
       {"Name", "Preis"}, {"TEXT", "INTEGER"},
       {{"\xC3\x84pfel \xE2\x82\xAC", "3"}, {"S\xC3\xBC\xC3\x9F\xE2\x80\x93", "4"}}},
      {"UTF-8 without a byte-order mark", "u8.csv", "Name,Preis\nGie\xC3\x9Fkanne \xC3\x98 20,39\n\xE2\x82\xAC 5,1\n", "",
       Options(','), {"Name", "Preis"}, {"TEXT", "INTEGER"},
       {{"Gie\xC3\x9Fkanne \xC3\x98 20", "39"}, {"\xE2\x82\xAC 5", "1"}}},
      {"Windows-1252 that starts like UTF-8 is still Windows-1252", "w.csv", "Name\n\xC3\x84\n\xE4\n", "",
       Options(','), {"Name"}, {"TEXT"}, {{"\xC3\x83\xE2\x80\x9E"}, {"\xC3\xA4"}}},
      {"a UTF-8 lead byte the file ends in is not UTF-8", "c.csv", "Name\n\xC3\xA4 \xC3", "", Options(','),
       {"Name"}, {"TEXT"}, {{"\xC3\x83\xC2\xA4 \xC3\x83"}}},
      {"an overlong form is not UTF-8", "o.csv", "Name\n\xC0\xAF\n", "", Options(','),
       {"Name"}, {"TEXT"}, {{"\xC3\x80\xC2\xAF"}}},
      {"ANSI named in schema.ini wins over UTF-8 looks", "a.csv", "Name\n\xC3\xA4\n", "[a.csv]\nCharacterSet=ANSI\n",
       Options(','), {"Name"}, {"TEXT"}, {{"\xC3\x83\xC2\xA4"}}},
      {"OEM from schema.ini", "oem.csv", "Name\n\x8E\x94\x81\xE1\n", "[oem.csv]\nCharacterSet=OEM\n", Options(','),
       {"Name"}, {"TEXT"}, {{"\xC3\x84\xC3\xB6\xC3\xBC\xC3\x9F"}}},
      {"OEM from the options", "oem.csv", "Name\n\x9A\n", "", Options(',', true, false),
       {"Name"}, {"TEXT"}, {{"\xC3\x9C"}}},
      {"UTF-8 from schema.ini", "u.csv", "Name\n\xC3\xA4\n", "[u.csv]\nCharacterSet=UTF-8\n", Options(','),
       {"Name"}, {"TEXT"}, {{"\xC3\xA4"}}},
      {"no header line from schema.ini", "n.csv", "1,a\n2,b\n", "[n.csv]\nColNameHeader=False\n", Options(','),
       {"F1", "F2"}, {"INTEGER", "TEXT"}, {{"1", "a"}, {"2", "b"}}},
      {"no header line, the widest row counts", "n.csv", "1\n2,b,\n3,c,x\n", "", Options(',', false),
       {"F1", "F2", "F3"}, {"INTEGER", "TEXT", "TEXT"}, {{"1", "<null>", "<null>"}, {"2", "b", "<null>"}, {"3", "c", "x"}}},
      {"empty and repeated names", "d.csv", "a,,A,F2\n1,2,3,4\n", "", Options(','),
       {"a", "F2_2", "F3", "F2"}, {"INTEGER", "INTEGER", "INTEGER", "INTEGER"}, {{"1", "2", "3", "4"}}},
      {"empty fields, short rows, trailing delimiters, blank lines", "e.csv", "a,b,c\n1,,x\n\n2\n3,4,y,\n\r\n", "",
       Options(','), {"a", "b", "c"}, {"INTEGER", "INTEGER", "TEXT"},
       {{"1", "<null>", "x"}, {"2", "<null>", "<null>"}, {"3", "4", "y"}}},
      {"leading zeros and mixed values stay text", "z.csv", "code,mixed,neg\n007,1,-5\n12,x,+3\n0,2,-0.5e2\n", "",
       Options(','), {"code", "mixed", "neg"}, {"TEXT", "TEXT", "TEXT"},
       {{"007", "1", "-5"}, {"12", "x", "+3"}, {"0", "2", "-0.5e2"}}},
      {"numbers that come back as written", "r.csv", "i,r\n-12,2.5\n0,-0.25\n2147483647,1234.5\n", "", Options(','),
       {"i", "r"}, {"INTEGER", "REAL"}, {{"-12", "2.5"}, {"0", "-0.25"}, {"2147483647", "1234.5"}}},
      {"lone CR line ends, no final line end", "cr.csv", "a,b\r1,2\r3,4", "", Options(','),
       {"a", "b"}, {"INTEGER", "INTEGER"}, {{"1", "2"}, {"3", "4"}}},
      {"a header only", "h.csv", "a,b\n", "", Options(','), {"a", "b"}, {"TEXT", "TEXT"}, {}},
  };
}

TEST(TextStaging, StagesEachFormatAsExpected) {
  for (const TextCase& c : TextCases()) {
    SCOPED_TRACE(c.what);
    dv_test::scratch_dir dir;
    WriteFile(dir / c.fileName, c.bytes);
    if (!c.schemaIni.empty()) WriteFile(dir / "schema.ini", c.schemaIni);
    const std::string db = dir / "staged.sqlite";
    StageSourceTable(db, SourceFileKind::Text, dir.path(), c.fileName, c.options, {});
    const auto table = ReadStagedTable(db, c.fileName);
    EXPECT_EQ(table.names, c.names);
    EXPECT_EQ(table.types, c.types);
    EXPECT_EQ(table.rows, c.rows);
  }
}

TEST(TextStaging, ValuesPastTheScannedRowsThatDoNotFitStayText) {
  dv_test::scratch_dir dir;
  std::string bytes = "n\n";
  for (int i = 1; i <= 30; ++i) bytes += std::to_string(i) + "\n";
  bytes += "n/a\n2.5\n007\n";
  WriteFile(dir / "late.csv", bytes);
  StageSourceTable(dir / "s.sqlite", SourceFileKind::Text, dir.path(), "late.csv", Options(','), {});
  const auto table = ReadStagedTable(dir / "s.sqlite", "late.csv");
  EXPECT_EQ(table.types, Names{"TEXT"}) << "a later value an INTEGER column would alter";
  ASSERT_EQ(table.rows.size(), 33u);
  EXPECT_EQ(table.rows[29], Names{"30"});
  EXPECT_EQ(table.rows[30], Names{"n/a"});
  EXPECT_EQ(table.rows[31], Names{"2.5"});
  EXPECT_EQ(table.rows[32], Names{"007"});
}

// Every value below comes back from the staged table as the file holds it,
// alone in its column, after rows of plain numbers, and past the scanned rows.
TEST(TextStaging, EveryValueComesBackAsTheFileHoldsIt) {
  const char* const values[] = {"1.1",    "1.10",   "2",      "2.0",  "007",   "1E5",         "1e5",
                                "+3",     "-0",     ".5",     "5.",   "0.10",  "12345678901234",
                                "12345678901234567890",  "2147483648", "-2147483649",
                                "0.1234567890123456", "1.5e-3", "0x10", " 7", "7 "};
  for (const char* value : values) {
    SCOPED_TRACE(value);
    for (const std::string& before : {std::string(), std::string("1\n2\n"), std::string("1.5\n2.5\n"),
                                      [] { std::string rows; for (int i = 1; i <= 30; ++i) rows += std::to_string(i) + "\n"; return rows; }(),
                                      [] { std::string rows; for (int i = 1; i <= 30; ++i) rows += std::to_string(i) + ".5\n"; return rows; }()}) {
      dv_test::scratch_dir dir;
      WriteFile(dir / "v.csv", "item\n" + before + "\"" + value + "\"\n");
      StageSourceTable(dir / "s.sqlite", SourceFileKind::Text, dir.path(), "v.csv", Options(','), {});
      const auto table = ReadStagedTable(dir / "s.sqlite", "v.csv");
      ASSERT_FALSE(table.rows.empty());
      EXPECT_EQ(table.rows.back(), Names{value}) << "after " << before.size() << " bytes of rows, as " << table.types[0];
    }
  }
}

// Two item numbers that one number would merge stay two rows of their own.
TEST(TextStaging, DistinctItemNumbersStayDistinct) {
  dv_test::scratch_dir dir;
  WriteFile(dir / "items.csv", "item,name\n1.1,a\n1.10,b\n2,c\n");
  StageSourceTable(dir / "s.sqlite", SourceFileKind::Text, dir.path(), "items.csv", Options(','), {});
  const auto table = ReadStagedTable(dir / "s.sqlite", "items.csv");
  EXPECT_EQ(table.rows, (Rows{{"1.1", "a"}, {"1.10", "b"}, {"2", "c"}}));
}

struct ErrorCase {
  const char* what;
  std::string bytes;
  std::string schemaIni;
  std::vector<std::string> messageParts;   // besides the path of the file
};

TEST(TextStaging, RefusesBadFilesNamingTheFileAndLine) {
  const std::vector<ErrorCase> cases = {
      {"NUL byte", "a,b\n1,2\n3,\0x\n"s, "", {"bad.csv: line 3", "NUL"}},
      {"NUL byte in a quoted field", "a\n\"x\0\"\n"s, "", {"bad.csv: line 2", "NUL"}},
      {"unterminated quote", "a,b\n1,\"open\n2,3\n4,5\n", "", {"bad.csv: line 2", "not closed"}},
      {"a value beyond the header's columns", "a,b\n1,2\n3,4,5\n", "", {"bad.csv: line 3", "field 3"}},
      {"a semicolon file read with commas", "Name;Item;Price\nRake;R-100;12,50\n", "",
       {"bad.csv: line 2", "field 2", "read with ',' as its delimiter, but the line seems to use ';'"}},
      {"fixed-length format", "a\n", "[bad.csv]\nFormat=FixedLength\n", {"schema.ini: line 2", "FixedLength"}},
      {"a delimiter of two characters", "a\n", "\n[bad.csv]\nFormat=Delimited(;;)\n", {"schema.ini: line 3", "Delimited(;;)"}},
      {"the double quote as delimiter", "a\n", "[bad.csv]\nFormat=Delimited(\")\n", {"schema.ini: line 2"}},
      {"an unknown character set", "a\n", "[bad.csv]\nCharacterSet=EBCDIC\n", {"schema.ini: line 2", "EBCDIC"}},
      {"an unknown header flag", "a\n", "[bad.csv]\nColNameHeader=Maybe\n", {"schema.ini: line 2", "Maybe"}},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.what);
    dv_test::scratch_dir dir;
    WriteFile(dir / "bad.csv", c.bytes);
    if (!c.schemaIni.empty()) WriteFile(dir / "schema.ini", c.schemaIni);
    try {
      StageSourceTable(dir / "s.sqlite", SourceFileKind::Text, dir.path(), "bad.csv", Options(','), {});
      ADD_FAILURE() << "no error";
    } catch (const SourceFileError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(dir.path()), std::string::npos) << message;
      for (const auto& part : c.messageParts) EXPECT_NE(message.find(part), std::string::npos) << message;
    }
  }
}

TEST(TextStaging, AMissingFileIsNamed) {
  dv_test::scratch_dir dir;
  try {
    StageSourceTable(dir / "s.sqlite", SourceFileKind::Text, dir.path(), "gone.csv", Options(','), {});
    FAIL() << "no error";
  } catch (const SourceFileError& e) {
    EXPECT_NE(std::string(e.what()).find(dir / "gone.csv"), std::string::npos) << e.what();
  }
}

TEST(TextStaging, AFailedStagingLeavesNoPartOfTheTableAndKeepsTheOthers) {
  dv_test::scratch_dir dir;
  WriteFile(dir / "good.csv", "a\n1\n");
  std::string bad = "a\n";
  for (int i = 0; i < 3000; ++i) bad += "1\n";
  bad += "\"open\n";
  WriteFile(dir / "bad.csv", bad);
  const std::string db = dir / "s.sqlite";
  StageSourceTable(db, SourceFileKind::Text, dir.path(), "good.csv", Options(','), {});
  EXPECT_THROW(StageSourceTable(db, SourceFileKind::Text, dir.path(), "bad.csv", Options(','), {}), SourceFileError);
  EXPECT_EQ(StagedTableNames(db), Names{"good.csv"});
  EXPECT_EQ(ReadStagedTable(db, "good.csv").rows, Rows{{"1"}});
}

TEST(TextStaging, StagingAgainReplacesTheTableUnderTheExactNameGiven) {
  dv_test::scratch_dir dir;
  WriteFile(dir / "Products.CSV", "a\n1\n");
  const std::string db = dir / "s.sqlite";
  StageSourceTable(db, SourceFileKind::Text, dir.path(), "products.csv", Options(','), {});
  WriteFile(dir / "Products.CSV", "b\n2\n3\n");
  StageSourceTable(db, SourceFileKind::Text, dir.path(), "products.csv", Options(','), {});
  EXPECT_EQ(StagedTableNames(db), Names{"products.csv"});
  const auto table = ReadStagedTable(db, "products.csv");
  EXPECT_EQ(table.names, Names{"b"});
  EXPECT_EQ(table.rows, (Rows{{"2"}, {"3"}}));
}

TEST(TextStaging, ReportsProgressEveryThousandRowsAndAtTheEnd) {
  dv_test::scratch_dir dir;
  std::string bytes = "a\n";
  for (int i = 0; i < 2500; ++i) bytes += "x\n";
  WriteFile(dir / "p.csv", bytes);
  std::vector<long> calls;
  StageSourceTable(dir / "s.sqlite", SourceFileKind::Text, dir.path(), "p.csv", Options(','),
                   [&](long rows) { calls.push_back(rows); });
  EXPECT_EQ(calls, (std::vector<long>{1000, 2000, 2500}));
}

TEST(TextStaging, ListsTheFolderTextFilesByName) {
  dv_test::scratch_dir dir;
  for (const char* name : {"b.csv", "A.TXT", "c.tab", "d.asc", "schema.ini", "e.xls", "f.dbf"}) WriteFile(dir / name, "a\n");
  std::filesystem::create_directory(dir / "sub.csv");
  EXPECT_EQ(ListSourceTables(SourceFileKind::Text, dir.path()), (Names{"A.TXT", "b.csv", "c.tab", "d.asc"}));
  EXPECT_EQ(ListSourceTables(SourceFileKind::Text, dir / "b.csv"), (Names{"A.TXT", "b.csv", "c.tab", "d.asc"}));
  EXPECT_THROW(ListSourceTables(SourceFileKind::Text, dir / "missing"), SourceFileError);
}

// Peak heap in use while staging a file of `rows` rows.
size_t PeakHeapWhileStaging(const dv_test::scratch_dir& dir, int rows) {
  const std::string name = "long" + std::to_string(rows) + ".csv";
  {
    std::string bytes = "id,name,price,text\n";
    for (int i = 0; i < rows; ++i)
      bytes += std::to_string(i) + ",Product " + std::to_string(i) + ",12.50,\"a longer, quoted description\"\n";
    WriteFile(dir / name, bytes);
  }
  size_t peak = sources_test::HeapBytesInUse();
  StageSourceTable(dir / (name + ".sqlite"), SourceFileKind::Text, dir.path(), name, Options(','),
                   [&](long) { peak = std::max(peak, sources_test::HeapBytesInUse()); });
  EXPECT_EQ(sources_test::StagedRowCount(dir / (name + ".sqlite"), name), rows);
  return peak;
}

TEST(TextStaging, MemoryDoesNotGrowWithTheRowCount) {
  dv_test::scratch_dir dir;
  // Both files stage into more pages than SQLite's page cache holds (2 MB),
  // so the cache is full in both runs.
  const size_t small = PeakHeapWhileStaging(dir, 40000);
  const size_t large = PeakHeapWhileStaging(dir, 160000);
  // 120,000 more rows are about 8 MB of text; staying flat keeps the peak
  // within 1 MB of the small run's.
  EXPECT_LT(large, small + 1024 * 1024) << "40,000 rows: " << small << " bytes, 160,000 rows: " << large;
}

}  // namespace
