// Guards the mends the mutation harness led to, each with a small fixture:
// a text row with a value beyond the last column is refused (its refusal
// once crashed while unwinding), damaged Paradox headers (blocks, version,
// encryption, field descriptions, record count) are refused by our own header check
// before the table library can loop on them, and a
// mapping list of a million commas and a text-table line of a million columns
// are read in linear time, and a workbook that crashes the workbook library
// is refused with a message by the reading child.
#include "hostile_harness.h"

#include "dv_scratch_dir.h"
#include "mapping_file.h"
#include "px_test_table.h"
#include "reading_child.h"
#include "source_staging.h"
#include "staged_table.h"
#include "text_table.h"
#include "app_settings.h"

#include <gtest/gtest.h>

using namespace sources_test;
using T = dvtest::PxColumn::Type;

namespace {

// Runs stage in a child: it must be refused with a message holding `expected`.
void ExpectRefusedInChild(const std::function<void()>& stage, const std::string& expected) {
  const hostile::CaseResult result = hostile::RunCase([&] {
    try {
      stage();
    } catch (const SourceFileError& e) {
      if (std::string(e.what()).find(expected) == std::string::npos) throw std::logic_error("message without it");
      throw;
    }
  });
  EXPECT_EQ(result.outcome, hostile::Outcome::Refused) << result.detail << " (expected a refusal naming " << expected
                                                       << ")";
}

TEST(HostileRegressions, ATextValueBeyondTheLastColumnIsRefused) {
  dv_test::scratch_dir dir;
  WriteFile(dir / "p.csv", "a,b\n1,2,3\n");
  ExpectRefusedInChild(
      [&] { StageSourceTable(dir / "s.sqlite", SourceFileKind::Text, dir.path(), "p.csv", TextFormatOptions{}, {}); },
      "line 2: field 3 holds a value");
}

TEST(HostileRegressions, DamagedParadoxHeadersAreRefusedBeforeTheLibraryReadsThem) {
  dv_test::scratch_dir dir;
  dvtest::WriteParadoxTable(dir / "made.db", {{"NAME", T::Alpha, 20}, {"QTY", T::Short}}, {{"a", "1"}, {"b", "2"}});
  const std::string valid = hostile::ReadBytes(dir / "made.db");
  struct Damage {
    const char* what;
    size_t at;
    std::string bytes;
    const char* expected;
  };
  const Damage cases[] = {
      {"a data block that names itself as the next", 0x800, std::string("\x01\x00", 2), "reached twice"},
      {"a first block beyond the file", 0x0E, std::string("\x09\x00", 2), "beyond the end of the file"},
      {"a key in the encryption word", 0x26, "\xDF", "encrypted table"},
      {"an unknown file version", 0x39, "\x0D", "file version 13"},
      {"a field count the header cannot hold", 0x21, std::string("\x05\x80", 2), "field count 32773"},
      {"a block size that is no Paradox size", 0x05, "\x05", "block size 5 KB"},
      {"an older version, whose field descriptions lie before the data header", 0x39, "\x04", "field 1 has type"},
      {"a field of unknown type", 0x78, "\x07", "field 1 has type 7"},
      {"a short integer field of 5 bytes", 0x7B, "\x05", "field 2 has type 3 and size 5"},
      {"a record count the blocks cannot hold", 0x09, "\x20", "536870914 records in 1 blocks"},
      {"field sizes that do not add up to the record", 0x79, "\x15", "fields of 23 bytes in records of 22"},
  };
  for (const Damage& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bytes = valid;
    bytes.replace(c.at, c.bytes.size(), c.bytes);
    WriteFile(dir / "T.db", bytes);
    ExpectRefusedInChild(
        [&] {
          StageSourceTable(dir / "s.sqlite", SourceFileKind::Paradox, dir / "T.db", "T", TextFormatOptions{}, {});
        },
        c.expected);
  }
}

TEST(HostileRegressions, AMappingListOfAMillionCommasIsReadInOnePass) {
  const std::string text = "<Options>=0\n<Tables>=" + std::string(size_t(1) << 20, ',') + "x\n";
  const hostile::CaseResult result = hostile::RunCase([&] {
    if (ReadMappingSections(CString(text.c_str())).back().columns.size() != (size_t(1) << 20) + 1)
      throw std::logic_error("a wrong entry count");
  });
  EXPECT_EQ(result.outcome, hostile::Outcome::Accepted) << result.detail;
}

// A line of a million columns: the line is read and its
// path joined in one pass each (the reader once copied the path so far for
// every column, and such a line ran for hours). One pass takes seconds under
// the emulator beside a parallel test run, hence the wider time bound.
TEST(HostileRegressions, ATextTableLineOfAMillionColumnsIsReadInOnePass) {
  constexpr int kColumns = 1000000;
  dv_test::scratch_dir dir;
  theDefaultSettings.m_strAppDir = dir.path().c_str();
  std::string text = "A\ta\nK\t";
  for (int column = 0; column < kColumns; ++column) text += "x\t";
  WriteFile(dir / "WideEN.txt", text + "end\n");
  const hostile::CaseResult result = hostile::RunCase([&] {
    CTextTable table;
    table.SetName("Wide");
    table.SetLanguage("EN");
    table.Load(0);
    if (table.GetRowCount() != 2) throw std::logic_error("a wrong row count");
    const CString joined = table.Lookup("K");
    if (joined.GetLength() != 2 * kColumns + 4 || joined.Right(6) != "x/end/")
      throw std::logic_error("a wrong joined path");
  }, hostile::Limits{120});
  EXPECT_EQ(result.outcome, hostile::Outcome::Accepted) << result.detail;
}

TEST(HostileRegressions, AWorkbookThatCrashesTheLibraryIsRefusedByTheReadingChild) {
  // A workbook whose records were shifted by one byte: the workbook library
  // dies on it by a signal while opening it.
  dv_test::scratch_dir dir;
  const std::string book = dir / "shifted.xls";
  WriteFile(book, hostile::ReadBytes(DV_HOSTILE_DATA_DIR "/shifted_record.xls"));
  ExpectRefusedInChild(
      [&] {
        ReadInChild(
            book,
            [&](const StagingProgress&) {
              StageSourceTable(dir / "staged.sqlite", SourceFileKind::Excel, book, "Products$", TextFormatOptions{},
                               {});
              return std::string();
            },
            StagingProgress{}, 20);
      },
      book + ": cannot read this file: the reading ended by signal");
}

}  // namespace
