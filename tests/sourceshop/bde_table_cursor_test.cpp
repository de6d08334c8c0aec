// Guards the table reader over the engine: reads of every type as text,
// integer, double and logical value with their refusals (application
// errors 1, 2, 14 and 15 with their texts), blank fields, Next staying on
// the last record, the open and closed states, the exception's texts
// ("Unknown" for a missing table or database) and names cut to 30
// characters.
#include <gtest/gtest.h>

#include <memory>

#include "bde_table_cursor.h"
#include "dv_scratch_dir.h"
#include "fw_message_box.h"
#include "px_test_table.h"

using dvtest::PxColumn;
using T = PxColumn::Type;

namespace {

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = FwSetMessageBoxes(&boxes_);
    ASSERT_TRUE(CBdeTableCursor::InitEngine());
    dvtest::WriteParadoxTable(dir_ / "ITEMS.db",
                              {{"NAME", T::Alpha, 20}, {"QTY", T::Long}, {"SMALL", T::Short}, {"PRICE", T::Currency},
                               {"RATE", T::Number}, {"OK", T::Logical}, {"DAY", T::Date}, {"AT", T::Time},
                               {"EXACT", T::Bcd, 0, 2}, {"NOTE", T::Memo, 11}, {"WHEN", T::Timestamp}},
                              {{"Lamp", "42", "-3", "19.99", "2.5", "1", "2001-02-03", "13:45:07", "-12.34",
                                std::string(600, 'n'), "2001-02-03 04:05:06"},
                               {}});
  }
  void TearDown() override {
    reader_.reset();
    CBdeTableCursor::ExitEngine();
    FwSetMessageBoxes(previous_);
  }

  CBdeTableCursor& Open() {
    reader_ = std::make_unique<CBdeTableCursor>();
    reader_->Open(dir_.path().c_str(), "items");
    return *reader_;
  }

  // Runs read; answers the thrown exception's application error and full text.
  template <class Read>
  std::pair<int, std::string> Refusal(Read read) {
    try {
      read();
    } catch (CBdeException* e) {
      std::pair<int, std::string> result{e->m_nAppError, static_cast<LPCTSTR>(e->GetFullText())};
      e->Delete();
      return result;
    }
    return {0, "nothing thrown"};
  }

  dv_test::scratch_dir dir_;
  FwRecordingMessageBoxes boxes_;
  FwMessageBoxes* previous_ = nullptr;
  std::unique_ptr<CBdeTableCursor> reader_;
};

TEST_F(ReaderTest, ReadsEveryTypeAsText) {
  CBdeTableCursor& r = Open();
  ASSERT_EQ(11, r.GetFieldCount());
  EXPECT_STREQ("QTY", r.GetFieldName(2));
  const char* expected[] = {"Lamp",   "42",    "-3",  "$19.99", "2.5", "TRUE", "02/03/2001", "13:45:07",
                            "-12.34", nullptr, "02/03/2001  4:05:06"};
  for (int n = 1; n <= 11; ++n) {
    BOOL blank = TRUE;
    CString text = r.GetFieldAsString(n, &blank);
    EXPECT_FALSE(blank) << n;
    if (expected[n - 1]) {
      EXPECT_STREQ(expected[n - 1], text) << n;
    } else {
      EXPECT_STREQ(std::string(600, 'n').c_str(), text);
    }
  }
  // The second row is blank everywhere: empty texts and zeros.
  r.Next();
  for (int n = 1; n <= 11; ++n) {
    BOOL blank = FALSE;
    EXPECT_STREQ("", r.GetFieldAsString(n, &blank)) << n;
    EXPECT_TRUE(blank) << n;
  }
  BOOL blank = FALSE;
  EXPECT_EQ(0, r.GetFieldAsInt(2, &blank));
  EXPECT_TRUE(blank);
}

TEST_F(ReaderTest, ReadsNumbersAndLogicalsWhereTheTypesAllow) {
  CBdeTableCursor& r = Open();
  BOOL blank = FALSE;
  EXPECT_EQ(42, r.GetFieldAsInt(2, &blank));
  EXPECT_EQ(-3, r.GetFieldAsInt(3, &blank));
  EXPECT_EQ(19, r.GetFieldAsInt(4, &blank)) << "a float is truncated";
  EXPECT_EQ(1, r.GetFieldAsInt(6, &blank)) << "a logical reads as 0 or 1";
  EXPECT_DOUBLE_EQ(42.0, r.GetFieldAsDouble(2, &blank));
  EXPECT_DOUBLE_EQ(2.5, r.GetFieldAsDouble(5, &blank));
  EXPECT_DOUBLE_EQ(-12.34, r.GetFieldAsDouble(9, &blank));
  EXPECT_TRUE(r.GetFieldAsBool(6, &blank));

  struct Case {
    const char* what;
    std::function<void()> read;
    int appError;
    const char* text;
  };
  const Case cases[] = {
      {"text as integer", [&] { r.GetFieldAsInt(1, &blank); }, kBdeAppNotInteger, "as an integer."},
      {"BCD as integer", [&] { r.GetFieldAsInt(9, &blank); }, kBdeAppNotInteger, "as an integer."},
      {"logical as double", [&] { r.GetFieldAsDouble(6, &blank); }, kBdeAppNotFloat, "floating point value."},
      {"integer as logical", [&] { r.GetFieldAsBool(2, &blank); }, kBdeAppNotLogical, "logical (true/false)"},
      {"field 0", [&] { r.GetFieldAsString(0, &blank); }, kBdeAppBadFieldIndex,
       "Invalid field index 0.  Valid numbers are between 1 and 11."},
      {"field 12", [&] { r.GetFieldAsInt(12, &blank); }, kBdeAppBadFieldIndex,
       "Invalid field index 12.  Valid numbers are between 1 and 11."},
      {"name 12", [&] { r.GetFieldName(12); }, kBdeAppBadFieldIndex, "Valid numbers are between 1 and 11."},
  };
  for (const Case& c : cases) {
    auto [appError, text] = Refusal(c.read);
    EXPECT_EQ(c.appError, appError) << c.what;
    EXPECT_NE(std::string::npos, text.find(c.text)) << c.what << ": " << text;
    EXPECT_NE(std::string::npos, text.find("Table:      items")) << c.what << ": " << text;
  }
}

TEST_F(ReaderTest, NextStaysOnTheLastRecord) {
  CBdeTableCursor& r = Open();
  EXPECT_EQ(2, r.GetRecordCount());
  r.Next();
  r.Next();
  r.Next();
  BOOL blank = FALSE;
  r.GetFieldAsString(1, &blank);
  EXPECT_TRUE(blank) << "still on the second record";
  r.First();
  EXPECT_STREQ("Lamp", r.GetFieldAsString(1, &blank));
  EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(ReaderTest, OpenAndClosedStatesAreKept) {
  CBdeTableCursor& r = Open();
  auto [appError, text] = Refusal([&] { r.Open(dir_.path().c_str(), "items"); });
  EXPECT_EQ(kBdeAppTableOpen, appError) << text;
  ASSERT_TRUE(r.Close());
  EXPECT_EQ(CBdeTableCursor::kClosed, r.GetTableType());
  EXPECT_EQ(kBdeAppTableClosed, Refusal([&] { r.Next(); }).first);
  EXPECT_EQ(kBdeAppTableClosed, Refusal([&] { r.GetRecordCount(); }).first);
  r.Open(dir_.path().c_str(), "ITEMS");
  r.SetEditMode(1);
  EXPECT_EQ(kBdeAppInEditMode, Refusal([&] { r.Next(); }).first) << "editing refuses navigation";
}

TEST_F(ReaderTest, RefusalsNameTableDatabaseAndTheEnginesText) {
  CBdeTableCursor r;
  auto [appError, text] = Refusal([&] { r.Open(dir_.path().c_str(), "MISSING"); });
  EXPECT_EQ(0, appError);
  EXPECT_NE(std::string::npos, text.find("Failed to open table MISSING in database " + dir_.path() + ".")) << text;
  EXPECT_NE(std::string::npos, text.find("Table does not exist.\r\n    MISSING.db")) << text;
  auto dbase = Refusal([&] { CBdeTableCursor other; other.Open(dir_.path().c_str(), "ITEMS", CBdeTableCursor::kDBase); });
  EXPECT_NE(std::string::npos, dbase.second.find("Not supported.")) << dbase.second;

  CBdeException bare(0x2202);
  EXPECT_STREQ("Unspecified Illegal Borland Database Operation\n\nTable:      Unknown\nDatabase:    Unknown\n\n"
               "Borland Database Engine returned the following error:\nAt end of table.",
               bare.GetFullText());
  char shortText[8];
  EXPECT_TRUE(bare.GetErrorMessage(shortText, sizeof shortText));
  EXPECT_STREQ("At end ", shortText);
  EXPECT_STREQ("", GetBdeAppErrorText(17));
  EXPECT_STREQ("", GetBdeAppErrorText(0));
}

TEST_F(ReaderTest, ATableNameLongerThanThirtyCharactersIsCut) {
  CBdeTableCursor r;
  const std::string name(40, 'x');
  Refusal([&] { r.Open(dir_.path().c_str(), name.c_str()); });
  EXPECT_STREQ(std::string(30, 'x').c_str(), r.GetTableName());
}

TEST(ReaderEngine, WorkBeforeTheEngineStartsIsRefused) {
  CBdeTableCursor r;
  try {
    r.Open("/tmp", "ITEMS");
    FAIL() << "nothing thrown";
  } catch (CBdeException* e) {
    EXPECT_EQ(kBdeAppEngineNotStarted, e->m_nAppError);
    e->Delete();
  }
}

}  // namespace
