// Guards the SQL condition page's statements: the LIKE forms of the Access
// and text dialects ('*' taken as '%' and then no wrapping; a prefix match
// for text), the simple statement's term order and " AND ", quotes inside
// values doubled, the source's names in the driver's identifier quote
// (doubled inside), the advanced statement over the criteria, criteria on
// numeric and text columns (a numeric column's value only a number); and
// the item picker: entries split at ';' and
// ',' (braces keep a separator), OK enabled only after an applied change,
// and the joined text it gives back.
#include <gtest/gtest.h>

#include "item_pick_dlg.h"
#include "script_driver.h"
#include "sql_condition.h"

namespace {

TEST(LikeTerms, AccessAndTextDialects) {
  struct Case {
    int type;
    const char* value;
    const char* term;
  } cases[] = {
      {0, "shoe", "( (\"Products\".\"Name\") LIKE '%shoe%')"},
      {2, "shoe", "( \"Name\" LIKE 'shoe%')"},
      {0, "a*b", "( (\"Products\".\"Name\") LIKE 'a%b')"},
      {2, "a*b", "( \"Name\" LIKE 'a%b')"},
      {2, "*boot", "( \"Name\" LIKE '%boot')"},
      {6, "O'Neil", "( (\"Products\".\"Name\") LIKE '%O''Neil%')"},
  };
  for (const Case& c : cases)
    EXPECT_STREQ(BuildLikeTerm(c.type, "\"Products\"", "Name", c.value, '"'), c.term) << c.type << " " << c.value;
}

TEST(LikeTerms, ColumnNamesQuotedWithTheDriversQuote) {
  struct Case {
    const char* column;
    char quote;
    const char* term;
  } cases[] = {
      {"Na]me", '"', "( \"Na]me\" LIKE 'x%')"},
      {"Na\"me", '"', "( \"Na\"\"me\" LIKE 'x%')"},
      {"Na;me --", '"', "( \"Na;me --\" LIKE 'x%')"},
      {"Na`me", '`', "( `Na``me` LIKE 'x%')"},
  };
  for (const Case& c : cases) EXPECT_STREQ(BuildLikeTerm(2, "t", c.column, "x", c.quote), c.term) << c.column;
}

TEST(SimpleStatement, TermsInBoxOrderJoinedByAnd) {
  std::vector<CString> columns = {"Name", "Dept", "Notes"};
  std::vector<ConditionBox> boxes = {{"Shoes", "Dept"}, {"", "Name"}, {"red", "Notes"}};
  EXPECT_STREQ(BuildSimpleStatement(0, "`Products`", columns, boxes, '`'),
               "SELECT `Name`, `Dept`, `Notes` FROM `Products` WHERE ( (`Products`.`Dept`) LIKE '%Shoes%') AND "
               "( (`Products`.`Notes`) LIKE '%red%');");
  boxes = {{"", "Dept"}, {"x", ""}, {"", "Notes"}};
  EXPECT_STREQ(BuildSimpleStatement(2, "`p.csv`", columns, boxes, '`'), "SELECT `Name`, `Dept`, `Notes` FROM `p.csv`;")
      << "a box whose field is not mapped gives no term";
}

TEST(AdvancedStatement, CriteriaAfterWhere) {
  std::vector<CString> columns = {"Name", "Price"};
  EXPECT_STREQ(BuildAdvancedStatement("`P`", columns, {}, '`'), "SELECT `P`.`Name`, `P`.`Price` FROM `P`;");
  EXPECT_STREQ(BuildAdvancedStatement("`P`", columns, {"`P`.`Name` LIKE 'a*'", " AND `P`.`Price` > 3"}, '`'),
               "SELECT `P`.`Name`, `P`.`Price` FROM `P` WHERE  `P`.`Name` LIKE 'a%'  AND `P`.`Price` > 3;");
}

TEST(Criteria, NumericColumnsUnquoted) {
  struct Case {
    bool known;
    int type;
    const char* text;
  } cases[] = {
      {true, 4, "`P`.`Price` >= 10"},  {true, 8, "`P`.`Price` >= 10"}, {true, 2, "`P`.`Price` >= 10"},
      {true, 12, "`P`.`Price` >= '10'"}, {true, 9, "`P`.`Price` >= '10'"}, {false, 4, "`P`.`Price` >= '10'"},
  };
  for (const Case& c : cases)
    EXPECT_STREQ(BuildCriterion("`P`", "Price", ">=", "10", c.known, c.type, '`'), c.text) << c.type;
}

TEST(Criteria, ANumericColumnTakesOnlyANumber) {
  struct Case {
    const char* value;
    bool number;
  } cases[] = {
      {"10", true},       {"-2.5", true},  {"+.5", true},      {"1e3", true},       {"3.", true},
      {"0 OR 1=1", false}, {"", false},    {"1;DROP", false},  {" 1", false},       {"1e", false},
      {".", false},       {"--1", false},  {"0x10", false},    {"1'", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsSqlNumber(c.value), c.number) << c.value;
    EXPECT_EQ(CriterionValueRefused(c.value, true, 4), !c.number) << c.value;
    EXPECT_FALSE(CriterionValueRefused(c.value, true, 12)) << "a text column quotes any value: " << c.value;
    if (!c.number) {
      EXPECT_STREQ(BuildCriterion("t", "Price", "=", c.value, true, 4, '"'), "") << c.value;
    }
  }
}

std::string Entries(const std::vector<CString>& entries) {
  std::string text;
  for (const CString& entry : entries) text += std::string("<") + static_cast<LPCTSTR>(entry) + ">";
  return text;
}

TEST(PickerEntries, SplitKeepsBracesAndEmptyPieces) {
  EXPECT_EQ(Entries(SplitPickerEntries("DSN=x;UID=y;", ';')), "<DSN=x><UID=y><>");
  EXPECT_EQ(Entries(SplitPickerEntries("Driver={A;B};DBQ=c", ';')), "<Driver={A;B}><DBQ=c>");
  EXPECT_EQ(Entries(SplitPickerEntries("x={a;b", ';')), "<x={a><b>") << "an unmatched brace keeps nothing together";
  EXPECT_EQ(Entries(SplitPickerEntries("SELECT a,b,,c", ',')), "<SELECT a,><b,><,><c>");
  EXPECT_EQ(Entries(SplitPickerEntries("", ';')), "<>");
}

// Runs dialog under the scripted driver with the script's lines.
int RunScripted(CDialog& dialog, const std::vector<std::string>& lines) {
  FwScriptDriver driver("picker", lines);
  driver.Install();
  int result = dialog.DoModal();
  driver.Finish();
  driver.Uninstall();
  return result;
}

TEST(ItemPicker, ConnectionStringEditedAndJoined) {
  CSqlItemPickDlg picker("DSN=x;UID=y;", CSqlItemPickDlg::kConnectionString);
  EXPECT_EQ(RunScripted(picker, {"expect dialog 20011", "expect text 1 Update &DSN", "pick-index 21101 1",
                                 "expect text 21112 UID", "expect text 21113 y", "set 21113 shop",
                                 "click 21235", "click 1"}),
            IDOK);
  EXPECT_STREQ(picker.GetConnectionString(), "DSN=x;UID=shop;;");
}

TEST(ItemPicker, OkOnlyAfterAnAppliedChange) {
  CSqlItemPickDlg picker("DSN=x;UID=y;", CSqlItemPickDlg::kConnectionString);
  EXPECT_THROW(RunScripted(picker, {"pick-index 21101 0", "click 1"}), FwScriptError) << "OK is disabled";
  CSqlItemPickDlg edited("DSN=x;UID=y;", CSqlItemPickDlg::kConnectionString);
  EXPECT_THROW(RunScripted(edited, {"pick-index 21101 0", "set 21113 z", "click 1"}), FwScriptError)
      << "a change not applied leaves OK disabled";
}

TEST(ItemPicker, StatementEntriesAndCancel) {
  CSqlItemPickDlg picker("SELECT [a],[b] FROM t", CSqlItemPickDlg::kStatement);
  EXPECT_EQ(RunScripted(picker, {"expect text 1 Upadte &SQL", "pick-index 21101 1", "expect text 21113 [b] FROM t",
                                 "set 21113 [c] FROM t", "click 21235", "ok"}),
            IDOK);
  EXPECT_STREQ(picker.GetStatement(), "SELECT [a],[c] FROM t");
  CSqlItemPickDlg cancelled("a,b", CSqlItemPickDlg::kStatement);
  EXPECT_EQ(RunScripted(cancelled, {"pick-index 21101 0", "set 21113 z", "click 21235", "click 21175"}), IDCANCEL);
  EXPECT_STREQ(cancelled.GetStatement(), "");
}

}  // namespace
