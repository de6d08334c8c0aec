// Guards the recognition of connection strings (the wizard's strings of
// every source type, a fresh program folder's strings without driver
// names, data source names and drivers of their own) and the finding of
// table names in statements.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "source_connection.h"
#include "source_files.h"
#include "staged_source_cache.h"

namespace {

TEST(ConnectionStrings, SplitAtSemicolonsOutsideBraces) {
  auto pairs = SplitConnectionString("Driver={A; B};DBQ= /x/y.csv ;Empty=;NoValue;UID=me");
  ASSERT_EQ(pairs.size(), 4u);
  EXPECT_STREQ(pairs[0].second, "{A; B}");
  EXPECT_STREQ(pairs[1].second, "/x/y.csv");
  EXPECT_STREQ(pairs[2].first, "Empty");
  EXPECT_STREQ(pairs[3].first, "UID");
}

TEST(ConnectionStrings, QuotedValuesReadBackExactly) {
  for (const std::string folder : {"/data/in", "/a;b}c{d", "/x}}y;", "/ends in blank "}) {
    SCOPED_TRACE(folder);
    const CString connect(("FIL=text;DefaultDir=" + QuotedConnectionValue(folder) + ";DBQ=;UID=me").c_str());
    EXPECT_EQ(SplitConnectionString(connect).size(), 4u);
    EXPECT_EQ(RecogniseConnection(connect).source, folder);
  }
  EXPECT_EQ(QuotedConnectionValue("/plain/path"), "/plain/path");
  EXPECT_EQ(QuotedConnectionValue("a;b}c"), "{a;b}}c}");
}

TEST(ConnectionStrings, AreRecognisedByDriverFileTypeAndExtension) {
  const struct {
    std::string connect;
    ConnectionKind kind;
    std::string source;
    char delimiter;
  } cases[] = {
      {odbc_test::TextConnection("/data/in"), ConnectionKind::Text, "/data/in", ','},
      {odbc_test::TextConnection("/data/in", "TabDelimited"), ConnectionKind::Text, "/data/in", '\t'},
      {odbc_test::TextConnection("/data/in", "Delimited(|)"), ConnectionKind::Text, "/data/in", '|'},
      {odbc_test::DBaseConnection("/data/db"), ConnectionKind::DBase, "/data/db", ','},
      {odbc_test::ExcelConnection("/data/book.xls"), ConnectionKind::Excel, "/data/book.xls", ','},
      {"DRIVER={Microsoft Paradox Driver (*.db )};DriverId=538;FIL=Paradox 5.X;DefaultDir=/data/px;",
       ConnectionKind::Paradox, "/data/px", ','},
      {"DefaultDir=/d;Driver={Microsoft Access Driver (*.mdb)};DriverId=25;FIL=MS Access;DBQ=/d/shop.mdb;",
       ConnectionKind::Access, "/d/shop.mdb", ','},
      // A fresh program folder: no driver names, the file's extension or
      // the empty DBQ of a text folder tell.
      {"DefaultDir=/d;Driver=;DriverId=;FIL=;Extensions=;ColNameHeader=;Format=;DBQ=/d/shop.mdb", ConnectionKind::Access,
       "/d/shop.mdb", ','},
      {"DefaultDir=/d;Driver=;DriverId=;FIL=;DBQ=/d/book.XLS", ConnectionKind::Excel, "/d/book.XLS", ','},
      {"DefaultDir=/d;Driver=;DriverId=;FIL=;Extensions=;ColNameHeader=;Format=;UID=;DBQ=;", ConnectionKind::Text,
       "/d", ','},
      {"DefaultDir=/d;DBQ=/d/parts.dbf;", ConnectionKind::DBase, "/d", ','},
      {"DSN=Shop;UID=admin", ConnectionKind::PassThrough, "", ','},
      {"DRIVER=/usr/lib/odbc/libsqlite3odbc.so;Database=/x.sqlite", ConnectionKind::PassThrough, "", ','},
      {"DRIVER={FreeTDS};Server=s;Database=shop", ConnectionKind::PassThrough, "", ','},
  };
  for (const auto& c : cases) {
    SourceConnectionSpec spec = RecogniseConnection(c.connect.c_str());
    EXPECT_EQ(spec.kind, c.kind) << c.connect;
    EXPECT_EQ(spec.source, c.source) << c.connect;
    if (c.kind == ConnectionKind::Text) {
      EXPECT_EQ(spec.delimiter, c.delimiter) << c.connect;
    }
  }
}

TEST(ConnectionStrings, TextOptionsComeFromTheString) {
  SourceConnectionSpec spec = RecogniseConnection("DefaultDir=/d;FIL=text;ColNameHeader=False;CharacterSet=OEM;DBQ=");
  EXPECT_FALSE(spec.columnNamesInHeader);
  EXPECT_FALSE(spec.ansiCharacterSet);
  spec = RecogniseConnection("DefaultDir=/d;FIL=text;ColNameHeader=True;CharacterSet=ANSI;DBQ=");
  EXPECT_TRUE(spec.columnNamesInHeader);
  EXPECT_TRUE(spec.ansiCharacterSet);
}

TEST(ConnectionStrings, WindowsPathsBecomeNative) {
  SourceConnectionSpec spec = RecogniseConnection("DefaultDir=/data\\in\\;FIL=text;DBQ=");
  EXPECT_EQ(spec.source, "/data/in");
}

TEST(StatementTables, AreFoundBracketedQuotedWithDoubledQuotesOrBare) {
  const struct {
    const char* sql;
    const char* table;
    bool named;
  } cases[] = {
      {"SELECT * FROM [products.csv]", "products.csv", true},
      {"SELECT [Name] FROM [PRODUCTS.CSV] WHERE x = 1", "products.csv", true},
      {"SELECT * FROM \"Sheet1$\"", "Sheet1$", true},
      {"SELECT * FROM Sheet1$ WHERE a LIKE 'b%'", "Sheet1$", true},
      {"SELECT * FROM parts", "parts", true},
      {"SELECT * FROM spare_parts", "parts", false},
      {"SELECT * FROM parts2", "parts", false},
      {"SELECT * FROM [old products.csv]", "products.csv", false},
      {"SELECT * FROM Sheet10$", "Sheet1$", false},
      {"SELECT \"a\" FROM \"br]ack\"\"et.csv\"", "br]ack\"et.csv", true},
      {"SELECT * FROM \"semi;colon -- x.csv\"", "semi;colon -- x.csv", true},
      {"SELECT * FROM `tick``s`", "tick`s", true},
  };
  for (const auto& c : cases) EXPECT_EQ(SqlNamesTable(c.sql, c.table), c.named) << c.sql << " / " << c.table;
}

}  // namespace
