// Guards the table engine over Paradox files: descriptors and values of
// every field type with their blank flags, navigation with its begin and
// end codes, memo blobs in the record, in shared and in own blocks of the
// memo file, case-blind table names, the refusals (other table types,
// missing tables and memo files, damaged memo references, closed handles,
// an engine not started) and the texts of the last error.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dv_scratch_dir.h"
#include "paradox_engine.h"
#include "px_test_table.h"

using namespace dvparadox;
using dvtest::PxColumn;
using dvtest::PxRow;
using T = PxColumn::Type;

namespace {

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(kOk, EngineInit(300)); }
  void TearDown() override { EXPECT_EQ(kOk, EngineExit()); }

  // Opens table name of the scratch folder; the database stays open.
  CursorHandle Open(const std::string& name, Result expected = kOk) {
    EXPECT_EQ(kOk, OpenDatabase(nullptr, nullptr, OpenMode::kReadOnly, ShareMode::kShared, nullptr, &db_));
    EXPECT_EQ(kOk, SetDirectory(db_, dir_.path().c_str()));
    CursorHandle cursor = nullptr;
    EXPECT_EQ(expected, OpenTable(db_, name.c_str(), "PARADOX", nullptr, OpenMode::kReadOnly, ShareMode::kShared,
                                  &cursor));
    return cursor;
  }

  std::vector<FieldDesc> Descs(CursorHandle cursor) {
    CursorProps props;
    EXPECT_EQ(kOk, GetCursorProps(cursor, &props));
    std::vector<FieldDesc> descs(props.fieldCount);
    EXPECT_EQ(kOk, GetFieldDescs(cursor, descs.data()));
    return descs;
  }

  std::string Memo(CursorHandle cursor, std::vector<std::uint8_t>& record, std::uint16_t field) {
    EXPECT_EQ(kOk, OpenBlob(cursor, record.data(), field, OpenMode::kReadOnly));
    std::uint32_t size = 0;
    EXPECT_EQ(kOk, GetBlobSize(cursor, record.data(), field, &size));
    std::string text(size, '\0');
    std::uint32_t read = 0;
    EXPECT_EQ(kOk, GetBlob(cursor, record.data(), field, 0, size,
                           reinterpret_cast<std::uint8_t*>(text.data()), &read));
    EXPECT_EQ(size, read);
    EXPECT_EQ(kOk, FreeBlob(cursor, record.data(), field));
    return text;
  }

  std::string LastErrorContexts() {
    ErrorInfo info;
    GetErrorInfo(&info);
    return std::string(info.text) + "|" + info.context[0] + "|" + info.context[1] + "|" + info.context[2];
  }

  dv_test::scratch_dir dir_;
  DatabaseHandle db_ = nullptr;
};

const std::vector<PxColumn> kAllTypes = {
    {"NAME", T::Alpha, 20},  {"SMALL", T::Short},     {"BIG", T::Long},        {"AUTO", T::AutoInc},
    {"PRICE", T::Number},    {"MONEY", T::Currency},  {"FLAG", T::Logical},    {"DAY", T::Date},
    {"AT", T::Time},         {"WHEN", T::Timestamp},  {"EXACT", T::Bcd, 0, 2}, {"NOTE", T::Memo, 15},
    {"RAW", T::Bytes, 4},
};

TEST_F(EngineTest, DescribesEveryFieldTypeInItsLogicalType) {
  dvtest::WriteParadoxTable(dir_ / "ALL.db", kAllTypes, {});
  CursorHandle cursor = Open("ALL");
  ASSERT_NE(nullptr, cursor);
  struct Expected {
    const char* name;
    std::uint16_t type, subtype, length;
  };
  const Expected expected[] = {
      {"NAME", kFldString, kSubNone, 20},     {"SMALL", kFldInt16, kSubNone, 2},
      {"BIG", kFldInt32, kSubNone, 4},        {"AUTO", kFldInt32, kSubAutoIncrement, 4},
      {"PRICE", kFldFloat, kSubNone, 8},      {"MONEY", kFldFloat, kSubMoney, 8},
      {"FLAG", kFldBool, kSubNone, 1},        {"DAY", kFldDate, kSubNone, 4},
      {"AT", kFldTime, kSubNone, 4},          {"WHEN", kFldTimestamp, kSubNone, 8},
      {"EXACT", kFldBcd, kSubNone, 17},       {"NOTE", kFldBlob, kSubMemo, 15},
      {"RAW", kFldBytes, kSubNone, 4},
  };
  std::vector<FieldDesc> descs = Descs(cursor);
  ASSERT_EQ(std::size(expected), descs.size());
  std::uint16_t offset = 0;
  for (std::size_t i = 0; i < descs.size(); ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(i + 1, descs[i].number);
    EXPECT_STREQ(expected[i].name, descs[i].name);
    EXPECT_EQ(expected[i].type, descs[i].type);
    EXPECT_EQ(expected[i].subtype, descs[i].subtype);
    EXPECT_EQ(expected[i].length, descs[i].length);
    EXPECT_EQ(offset, descs[i].offset);
    offset = static_cast<std::uint16_t>(offset + descs[i].length);
  }
  EXPECT_EQ(2, descs[10].decimals);
  CursorProps props;
  ASSERT_EQ(kOk, GetCursorProps(cursor, &props));
  EXPECT_EQ(offset, props.recordSize);
  EXPECT_STREQ("ALL.db", props.tableName);
  EXPECT_STREQ("PARADOX", props.driver);
}

TEST_F(EngineTest, ReadsValuesAndBlankFlags) {
  dvtest::WriteParadoxTable(dir_ / "ALL.db", kAllTypes,
                            {{"Ann", "-7", "123456", "9", "3.25", "19.99", "1", "2001-02-03", "13:45:07.250",
                              "2001-02-03 04:05:06", "-12.34", "short memo", "abcd"},
                             {}});
  CursorHandle cursor = Open("ALL");
  ASSERT_NE(nullptr, cursor);
  CursorProps props;
  ASSERT_EQ(kOk, GetCursorProps(cursor, &props));
  std::vector<std::uint8_t> record(props.recordSize);
  ASSERT_EQ(kOk, GetNextRecord(cursor, record.data()));

  char text[21];
  bool blank = true;
  ASSERT_EQ(kOk, GetField(cursor, 1, record.data(), text, &blank));
  EXPECT_STREQ("Ann", text);
  EXPECT_FALSE(blank);
  std::int16_t small = 0;
  ASSERT_EQ(kOk, GetField(cursor, 2, record.data(), &small, &blank));
  EXPECT_EQ(-7, small);
  std::int32_t big = 0;
  ASSERT_EQ(kOk, GetField(cursor, 3, record.data(), &big, &blank));
  EXPECT_EQ(123456, big);
  double price = 0;
  ASSERT_EQ(kOk, GetField(cursor, 5, record.data(), &price, &blank));
  EXPECT_EQ(3.25, price);
  std::int16_t flag = 0;
  ASSERT_EQ(kOk, GetField(cursor, 7, record.data(), &flag, &blank));
  EXPECT_EQ(1, flag);

  std::int32_t day = 0;
  ASSERT_EQ(kOk, GetField(cursor, 8, record.data(), &day, &blank));
  std::uint16_t month = 0, dayOfMonth = 0;
  std::int16_t year = 0;
  ASSERT_EQ(kOk, DateDecode(day, &month, &dayOfMonth, &year));
  EXPECT_EQ(2001, year);
  EXPECT_EQ(2, month);
  EXPECT_EQ(3, dayOfMonth);

  std::int32_t at = 0;
  ASSERT_EQ(kOk, GetField(cursor, 9, record.data(), &at, &blank));
  std::uint16_t hour = 0, minute = 0, ms = 0;
  ASSERT_EQ(kOk, TimeDecode(static_cast<std::uint32_t>(at), &hour, &minute, &ms));
  EXPECT_EQ(13, hour);
  EXPECT_EQ(45, minute);
  EXPECT_EQ(7250, ms);

  BcdValue bcd;
  ASSERT_EQ(kOk, GetField(cursor, 11, record.data(), &bcd, &blank));
  double exact = 0;
  ASSERT_EQ(kOk, BcdToDouble(&bcd, &exact));
  EXPECT_DOUBLE_EQ(-12.34, exact);
  EXPECT_EQ(2, bcd.decimals);

  ASSERT_EQ(kOk, GetField(cursor, 12, record.data(), nullptr, &blank));
  EXPECT_FALSE(blank);
  EXPECT_EQ("short memo", Memo(cursor, record, 12));

  // The second row is blank in every field: zero values, blank flags.
  ASSERT_EQ(kOk, GetNextRecord(cursor, record.data()));
  for (std::uint16_t field = 1; field <= props.fieldCount; ++field) {
    SCOPED_TRACE(field);
    std::uint8_t value[64];
    std::memset(value, 0x55, sizeof value);
    blank = false;
    ASSERT_EQ(kOk, GetField(cursor, field, record.data(), field == 12 ? nullptr : value, &blank));
    EXPECT_TRUE(blank);
    if (field != 12 && field != 11) {
      EXPECT_EQ(0, value[0]);
    }
  }
  EXPECT_EQ("", Memo(cursor, record, 12));
}

TEST_F(EngineTest, NavigatesWithBeginAndEndCodes) {
  std::vector<PxRow> rows;
  for (int i = 1; i <= 3; ++i) rows.push_back({std::to_string(i)});
  dvtest::WriteParadoxTable(dir_ / "NUMS.db", {{"N", T::Long}}, rows);
  CursorHandle cursor = Open("NUMS");
  ASSERT_NE(nullptr, cursor);
  std::uint32_t count = 0;
  ASSERT_EQ(kOk, GetRecordCount(cursor, &count));
  EXPECT_EQ(3u, count);
  std::uint8_t record[4];
  auto current = [&] {
    std::int32_t n = 0;
    bool blank = false;
    EXPECT_EQ(kOk, GetRecord(cursor, record));
    EXPECT_EQ(kOk, GetField(cursor, 1, record, &n, &blank));
    return n;
  };
  EXPECT_EQ(kErrNoCurrentRecord, GetRecord(cursor, record));
  for (int i = 1; i <= 3; ++i) {
    ASSERT_EQ(kOk, GetNextRecord(cursor, nullptr));
    EXPECT_EQ(i, current());
  }
  EXPECT_EQ(kErrEndOfTable, GetNextRecord(cursor, record));
  EXPECT_EQ(kErrNoCurrentRecord, GetRecord(cursor, record));
  ASSERT_EQ(kOk, GetPriorRecord(cursor, record));
  EXPECT_EQ(3, current());
  ASSERT_EQ(kOk, GetPriorRecord(cursor, record));
  ASSERT_EQ(kOk, GetPriorRecord(cursor, record));
  EXPECT_EQ(1, current());
  EXPECT_EQ(kErrBeginOfTable, GetPriorRecord(cursor, record));
  ASSERT_EQ(kOk, SetToBegin(cursor));
  ASSERT_EQ(kOk, GetNextRecord(cursor, record));
  EXPECT_EQ(1, current());
}

TEST_F(EngineTest, EmptyTableEndsAtOnce) {
  dvtest::WriteParadoxTable(dir_ / "NONE.db", {{"N", T::Long}}, {});
  CursorHandle cursor = Open("NONE");
  ASSERT_NE(nullptr, cursor);
  std::uint32_t count = 7;
  ASSERT_EQ(kOk, GetRecordCount(cursor, &count));
  EXPECT_EQ(0u, count);
  EXPECT_EQ(kErrEndOfTable, GetNextRecord(cursor, nullptr));
  EXPECT_EQ(kErrBeginOfTable, GetPriorRecord(cursor, nullptr));
}

// Memos of every length class: in the leader, in a shared block of the
// memo file, in a block of their own, spanning several chunks.
TEST_F(EngineTest, ReadsMemosWhereverTheyLie) {
  const std::vector<std::string> memos = {
      "", "fits", std::string(20, 'x'), "S\r\nM\r\n\r\nL", std::string(21, 'y'), std::string(499, 'A'),
      std::string(3000, 'b'), std::string(6000, 'c'), std::string(10000, 'd')};
  std::vector<PxRow> rows;
  for (std::size_t i = 0; i < memos.size(); ++i) {
    std::string text = memos[i];
    for (std::size_t k = 0; k < text.size(); k += 97) text[k] = static_cast<char>('0' + i);
    rows.push_back({std::to_string(i), text.empty() ? dvtest::PxCell() : dvtest::PxCell(text)});
  }
  dvtest::WriteParadoxTable(dir_ / "MEMOS.db", {{"N", T::Long}, {"TEXT", T::Memo, 30}}, rows);
  CursorHandle cursor = Open("MEMOS");
  ASSERT_NE(nullptr, cursor);
  std::vector<std::uint8_t> record(34);
  for (const PxRow& row : rows) {
    ASSERT_EQ(kOk, GetNextRecord(cursor, record.data()));
    EXPECT_EQ(row[1].value_or(""), Memo(cursor, record, 2)) << "row " << *row[0];
  }
}

TEST_F(EngineTest, MatchesTableAndMemoNamesWithoutRegardToCase) {
  dvtest::WriteParadoxTable(dir_ / "product.DB", {{"P_MAIN", T::Memo, 11}}, {{std::string(300, 'm')}});
  std::filesystem::rename(dir_ / "product.mb", dir_ / "Product.MB");
  CursorHandle cursor = Open("PRODUCT");
  ASSERT_NE(nullptr, cursor);
  CursorProps props;
  ASSERT_EQ(kOk, GetCursorProps(cursor, &props));
  EXPECT_STREQ("product.DB", props.tableName);
  std::vector<std::uint8_t> record(props.recordSize);
  ASSERT_EQ(kOk, GetNextRecord(cursor, record.data()));
  EXPECT_EQ(std::string(300, 'm'), Memo(cursor, record, 1));
}

TEST_F(EngineTest, RefusesOtherTableTypesAndMissingTables) {
  dvtest::WriteParadoxTable(dir_ / "VAT.db", {{"V_ID", T::Long}}, {});
  Open("NOPE", kErrNoSuchTable);
  EXPECT_NE(std::string::npos, LastErrorContexts().find("NOPE.db")) << LastErrorContexts();
  for (const char* driver : {"DBASE", "ASCIIDRV", ""}) {
    CursorHandle cursor = nullptr;
    EXPECT_EQ(kErrNotSupported,
              OpenTable(db_, "VAT", driver, nullptr, OpenMode::kReadOnly, ShareMode::kShared, &cursor));
    EXPECT_EQ(nullptr, cursor);
    EXPECT_NE(std::string::npos, LastErrorContexts().find("Not supported.|table type")) << LastErrorContexts();
  }
  CursorHandle cursor = nullptr;
  EXPECT_EQ(kErrInvalidParameter,
            OpenTable(db_, "../VAT", "PARADOX", nullptr, OpenMode::kReadOnly, ShareMode::kShared, &cursor));
  EXPECT_EQ(kErrNoSuchDirectory, SetDirectory(db_, (dir_ / "missing").c_str()));
  EXPECT_EQ(kErrNoSuchDirectory, SetPrivateDirectory((dir_ / "missing").c_str()));
  EXPECT_EQ(kOk, SetPrivateDirectory(dir_.path().c_str()));
}

TEST_F(EngineTest, RefusesAFileThatIsNoTable) {
  for (const std::string& bytes : {std::string(), std::string("not a table"), std::string(4096, '\xff')}) {
    std::ofstream(dir_ / "JUNK.db", std::ios::binary | std::ios::trunc) << bytes;
    CursorHandle cursor = Open("JUNK", kErrCorruptTable);
    EXPECT_EQ(nullptr, cursor);
    EXPECT_NE(std::string::npos, LastErrorContexts().find("JUNK.db")) << LastErrorContexts();
    ASSERT_EQ(kOk, CloseDatabase(&db_));
  }
}

TEST_F(EngineTest, RefusesMissingOrDamagedMemoFiles) {
  dvtest::WriteParadoxTable(dir_ / "M.db", {{"TEXT", T::Memo, 11}}, {{std::string(40, 'q')}, {std::string(9000, 'r')}});
  const std::string memoPath = dir_ / "M.mb";
  std::filesystem::rename(memoPath, dir_ / "M.keep");
  CursorHandle cursor = Open("M");
  ASSERT_NE(nullptr, cursor);
  std::vector<std::uint8_t> record(11);
  ASSERT_EQ(kOk, GetNextRecord(cursor, record.data()));
  EXPECT_EQ(kErrMemoFileMissing, OpenBlob(cursor, record.data(), 1, OpenMode::kReadOnly));
  std::uint32_t size = 0;
  EXPECT_EQ(kErrBlobNotOpened, GetBlobSize(cursor, record.data(), 1, &size));
  ASSERT_EQ(kOk, CloseDatabase(&db_));

  // The memo file cut short: the second blob lies past its end.
  std::filesystem::rename(dir_ / "M.keep", memoPath);
  std::filesystem::resize_file(memoPath, 4096 * 2 + 100);
  cursor = Open("M");
  ASSERT_EQ(kOk, GetNextRecord(cursor, record.data()));
  EXPECT_EQ(kOk, OpenBlob(cursor, record.data(), 1, OpenMode::kReadOnly));
  ASSERT_EQ(kOk, GetNextRecord(cursor, record.data()));
  EXPECT_EQ(kErrCorruptMemo, OpenBlob(cursor, record.data(), 1, OpenMode::kReadOnly));
  EXPECT_NE(std::string::npos, LastErrorContexts().find("past the end")) << LastErrorContexts();

  // The reference bent to a free slot of the shared block at 4096.
  record[1] = 0;
  record[2] = 0x10;
  EXPECT_EQ(kErrCorruptMemo, OpenBlob(cursor, record.data(), 1, OpenMode::kReadOnly));
}

TEST_F(EngineTest, RefusesClosedHandlesAndBadFieldNumbers) {
  dvtest::WriteParadoxTable(dir_ / "N.db", {{"N", T::Long}}, {{"1"}});
  CursorHandle cursor = Open("N");
  ASSERT_NE(nullptr, cursor);
  std::uint8_t record[4];
  ASSERT_EQ(kOk, GetNextRecord(cursor, record));
  std::int32_t n = 0;
  bool blank = false;
  EXPECT_EQ(kErrInvalidFieldNumber, GetField(cursor, 0, record, &n, &blank));
  EXPECT_EQ(kErrInvalidFieldNumber, GetField(cursor, 2, record, &n, &blank));
  EXPECT_NE(std::string::npos, LastErrorContexts().find("field 2 of 1")) << LastErrorContexts();
  CursorHandle copy = cursor;
  ASSERT_EQ(kOk, CloseCursor(&cursor));
  EXPECT_EQ(nullptr, cursor);
  EXPECT_EQ(kErrInvalidHandle, GetNextRecord(copy, record));
  // Closing the database closes the cursors it still has.
  cursor = nullptr;
  ASSERT_EQ(kOk, OpenTable(db_, "n", "PARADOX", nullptr, OpenMode::kReadOnly, ShareMode::kShared, &cursor));
  CursorHandle orphan = cursor;
  ASSERT_EQ(kOk, CloseDatabase(&db_));
  EXPECT_EQ(kErrInvalidHandle, GetNextRecord(orphan, record));
}

TEST(EngineLifecycle, RefusesWorkBeforeStartAndASecondStart) {
  DatabaseHandle db = nullptr;
  EXPECT_EQ(kErrNotInitialized, OpenDatabase(nullptr, nullptr, OpenMode::kReadOnly, ShareMode::kShared, nullptr, &db));
  ErrorInfo info;
  ASSERT_EQ(kOk, GetErrorInfo(&info));
  EXPECT_EQ(kErrNotInitialized, info.code);
  EXPECT_STREQ("Engine not initialized.", info.text);
  EXPECT_EQ(kErrNotSupported, EngineInit(299));
  ASSERT_EQ(kOk, EngineInit(300));
  EXPECT_NE(kOk, EngineInit(300));
  EXPECT_EQ(kOk, OpenDatabase(nullptr, nullptr, OpenMode::kReadOnly, ShareMode::kShared, nullptr, &db));
  ASSERT_EQ(kOk, GetErrorInfo(&info));
  EXPECT_EQ(kOk, info.code);
  EXPECT_EQ(kErrNotSupported, OpenDatabase("other", nullptr, OpenMode::kReadOnly, ShareMode::kShared, nullptr, &db));
  ASSERT_EQ(kOk, EngineExit());
  EXPECT_EQ(kErrNotInitialized, EngineExit());
  char text[kMaxMessageLength];
  ASSERT_EQ(kOk, GetErrorText(kErrEndOfTable, text));
  EXPECT_STREQ("At end of table.", text);
}

TEST(EngineValues, DecodesDatesTimesAndBcd) {
  struct DateCase {
    std::int32_t serial;
    int year, month, day;
  };
  // Day 1 is 1 January of year 1; 730120 is 1 January 2000.
  for (const DateCase& c : {DateCase{1, 1, 1, 1}, DateCase{730120, 2000, 1, 1}, DateCase{730179, 2000, 2, 29}}) {
    std::uint16_t month = 0, day = 0;
    std::int16_t year = 0;
    ASSERT_EQ(kOk, DateDecode(c.serial, &month, &day, &year));
    EXPECT_EQ(c.year, year);
    EXPECT_EQ(c.month, month);
    EXPECT_EQ(c.day, day);
  }
  std::uint16_t m = 0, d = 0, h = 0, mi = 0, ms = 0;
  std::int16_t y = 0;
  EXPECT_EQ(kErrInvalidParameter, DateDecode(0, &m, &d, &y));
  EXPECT_EQ(kErrInvalidParameter, TimeDecode(86400000, &h, &mi, &ms));
  ASSERT_EQ(kOk, TimeDecode(86399999, &h, &mi, &ms));
  EXPECT_EQ(23, h);
  EXPECT_EQ(59, mi);
  EXPECT_EQ(59999, ms);
  struct BcdCase {
    const char* text;
    double value;
    Result result;
  };
  for (const BcdCase& c : {BcdCase{"+12.50", 12.5, kOk}, BcdCase{"-0.01", -0.01, kOk}, BcdCase{"1e", 0, kErrInvalidParameter}}) {
    BcdValue bcd{};
    std::snprintf(bcd.text, sizeof bcd.text, "%s", c.text);
    double value = 0;
    EXPECT_EQ(c.result, BcdToDouble(&bcd, &value)) << c.text;
    if (c.result == kOk) {
      EXPECT_DOUBLE_EQ(c.value, value);
    }
  }
}

}  // namespace
