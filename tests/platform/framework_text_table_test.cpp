// Guards the text tables read from tab-separated files in the program
// folder: the region tree with parents found along the previous row's
// ancestors, keys and texts with their final '/', reverse look-ups that
// follow a reload, key-only and tab-only lines, the language's own file
// falling back to the EN file and to the file without suffix (found without
// regard to case), a missing file giving an empty table quietly, the region
// cache, and a shop language's HTML language code with its message.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>

#include "app_settings.h"
#include "dv_scratch_dir.h"
#include "fw_locale.h"
#include "fw_message_box.h"
#include "localisation.h"
#include "text_table.h"

namespace {

class TextTableTest : public ::testing::Test {
 protected:
  void SetUp() override { theDefaultSettings.m_strAppDir = dir.path().c_str(); }
  void TearDown() override { theDefaultSettings.m_strAppDir.Empty(); }
  void Write(const std::string& name, const std::string& bytes) { std::ofstream(dir / name, std::ios::binary) << bytes; }

  dv_test::scratch_dir dir;
};

TEST_F(TextTableTest, RegionTreeParentsAndKeys) {
  Write("RegionsEN.txt", "EU\tEurope\r\nDE\tEurope\tGermany\r\nBY\tEurope\tGermany\tBavaria\r\nFR\tEurope\tFrance\r\n");
  CTextTable table;
  table.SetName("C:\\somewhere\\Regions.txt");
  EXPECT_STREQ(table.GetName(), "Regions");
  table.SetLanguage("EN");
  ASSERT_EQ(table.Load(0), 1);
  ASSERT_EQ(table.GetRowCount(), 4);
  struct Row {
    const char* name;
    const char* key;
    int parent;
  } expected[] = {{"Europe", "EU", -1}, {"Germany", "DE", 0}, {"Bavaria", "BY", 1}, {"France", "FR", 0}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_STREQ(table.GetRow(i).GetName(), expected[i].name) << i;
    EXPECT_STREQ(table.GetRow(i).GetKey(), expected[i].key) << i;
    EXPECT_EQ(table.GetRow(i).GetParent(), expected[i].parent) << i;
  }
  EXPECT_STREQ(table.Lookup("DE"), "Europe/Germany/");
  EXPECT_STREQ(table.ReverseLookup("Europe/Germany"), "DE");
  EXPECT_TRUE(table.Lookup("XX").IsEmpty());
}

TEST_F(TextTableTest, CurrencyLinesKeyOnlyAndTabOnlyLines) {
  Write("CurrencySymEN.txt", "USD\t$\nEUR\tEuro\t\xE2\x82\xAC\nXX\n\t\t\n\n\tGBP\t\t\xC2\xA3\t\n");
  CTextTable table;
  table.SetName("CurrencySym");
  table.SetLanguage("EN");
  ASSERT_EQ(table.Load(0), 1);
  EXPECT_STREQ(table.Lookup("USD"), "$/");
  EXPECT_STREQ(table.ReverseLookup("$"), "USD");
  EXPECT_STREQ(table.Lookup("EUR"), "Euro/\xE2\x82\xAC/");
  EXPECT_STREQ(table.Lookup("GBP"), "\xC2\xA3/");  // empty fields are dropped
  ASSERT_EQ(table.GetRowCount(), 4);               // the tab-only and empty lines are skipped
  EXPECT_STREQ(table.GetRow(0).GetName(), "$");
  EXPECT_STREQ(table.GetRow(2).GetKey(), "XX");
  EXPECT_TRUE(table.GetRow(2).GetName().IsEmpty());
  EXPECT_TRUE(table.Lookup("XX").IsEmpty());
}

TEST_F(TextTableTest, WithoutKeyColumnEveryLineIsARow) {
  Write("Names.txt", "\tGermany\nA\tB\n");
  CTextTable table;
  table.SetName("Names");
  table.SetLanguage("fr");
  ASSERT_EQ(table.Load(-1), 1);
  ASSERT_EQ(table.GetRowCount(), 2);
  EXPECT_STREQ(table.GetRow(0).GetName(), "Germany");
  EXPECT_EQ(table.GetRow(0).GetParent(), -1);
  EXPECT_TRUE(table.GetRow(0).GetKey().IsEmpty());
  EXPECT_STREQ(table.GetRow(1).GetName(), "B");
  EXPECT_EQ(table.GetRow(1).GetParent(), -1);  // "A" is no earlier row
}

TEST_F(TextTableTest, LanguageFileFallsBackToEnglishThenToNoSuffix) {
  Write("RegionsEN.txt", "UK\tUnited Kingdom\n");
  CTextTable german;
  german.SetName("Regions");
  german.SetLanguage("de");
  ASSERT_EQ(german.Load(0), 1);
  EXPECT_STREQ(german.GetRow(0).GetName(), "United Kingdom");
  // The language's own file, named in another case, is preferred.
  Write("RegionsDE.txt", "DE\tDeutschland\n");
  ASSERT_EQ(german.Load(0), 1);
  ASSERT_EQ(german.GetRowCount(), 1);
  EXPECT_STREQ(german.GetRow(0).GetName(), "Deutschland");
  Write("Other.txt", "K\tplain\n");
  CTextTable plain;
  plain.SetName("Other");
  plain.SetLanguage("it");
  ASSERT_EQ(plain.Load(0), 1);
  EXPECT_STREQ(plain.Lookup("K"), "plain/");
}

TEST_F(TextTableTest, MissingFileGivesAnEmptyTableQuietly) {
  FwRecordingMessageBoxes boxes;
  FwMessageBoxes* previous = FwSetMessageBoxes(&boxes);
  CTextTable table;
  table.SetName("Nothing");
  EXPECT_EQ(table.Load(0), 0);
  EXPECT_FALSE(table.IsLoaded());
  EXPECT_TRUE(table.Lookup("USD").IsEmpty());
  EXPECT_FALSE(table.GetLanguage().IsEmpty());  // the thread locale's code was taken
  FwSetMessageBoxes(previous);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(TextTableTest, ReloadGivesTheSameRowsAndNoStaleReverseLookups) {
  Write("RegionsEN.txt", "A\tOld name\n");
  CTextTable table;
  table.SetName("Regions");
  table.SetLanguage("EN");
  table.Load(0);
  table.Load(0);
  EXPECT_EQ(table.GetRowCount(), 1);
  EXPECT_STREQ(table.ReverseLookup("Old name"), "A");
  Write("RegionsEN.txt", "A\tNew name\n");
  table.Load(0);
  EXPECT_STREQ(table.ReverseLookup("New name"), "A");
  EXPECT_TRUE(table.ReverseLookup("Old name").IsEmpty());
  CTextTable copy;
  copy.CopySettings(table);
  EXPECT_STREQ(copy.GetName(), "Regions");
  EXPECT_EQ(copy.GetRowCount(), 0);
}

TEST(SplitStringTest, PiecesBetweenSeparators) {
  struct Case {
    const char* text;
    const char* separator;
    int count;
    const char* last;
  } cases[] = {
      {"a\tb\t\tc", "\t", 3, "c"}, {"\t\t", "\t", 0, ""}, {"", "\t", 0, ""}, {"x--y----z", "--", 3, "z"},
      {"one", ",", 1, "one"},
  };
  for (const Case& c : cases) {
    CStringArray parts;
    parts.Add("before");
    EXPECT_EQ(SplitString(c.text, parts, c.separator), c.count + 1) << c.text;
    if (c.count > 0) {
      EXPECT_STREQ(parts[c.count], c.last) << c.text;
    }
  }
}

TEST_F(TextTableTest, RegionTablesAreCachedPerCode) {
  Write("RegionsEN.txt", "UK\tUnited Kingdom\n");
  CTextTable& fr = GetRegionsTable("fr");
  EXPECT_EQ(&GetRegionsTable("fr"), &fr);
  EXPECT_EQ(fr.GetRowCount(), 1);
  Write("RegionsIT.txt", "IT\tItalia\n");
  EXPECT_EQ(GetRegionsTable("fr").GetRowCount(), 1);
  EXPECT_STREQ(GetRegionsTable("it").GetRow(0).GetName(), "Italia");
  EXPECT_STREQ(GetRegionsTable("it").GetLanguage(), "it");
}

TEST_F(TextTableTest, HtmlLanguageOfAShopLanguage) {
  std::filesystem::create_directories(dir / "Languages/German");
  Write("Languages/German/language.txt", "# German\nHTML_LANGUAGE = DE\n");
  FwRecordingMessageBoxes boxes;
  FwMessageBoxes* previous = FwSetMessageBoxes(&boxes);
  EXPECT_STREQ(GetHtmlLanguage("German"), "de");
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(GetHtmlLanguage("Klingon").IsEmpty());
  std::filesystem::create_directories(dir / "Languages/French");
  Write("Languages/French/language.txt", "NAME=Francais\n");
  EXPECT_TRUE(GetHtmlLanguage("French").IsEmpty());
  FwSetMessageBoxes(previous);
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].stringId, 3998u);
  EXPECT_NE(std::string(boxes.shown[0].text).find("Klingon"), std::string::npos);
  EXPECT_NE(std::string(boxes.shown[1].text).find("French"), std::string::npos);
}

}  // namespace

namespace {

// The delivered tables load, with unique keys, and give the locale's
// currency symbol.
TEST(DeliveredTextTables, LoadWithUniqueKeys) {
  theDefaultSettings.m_strAppDir = DV_DATA_DIR "/tables";
  for (const char* name : {"CurrencySym", "CurrencyDefault", "Regions"}) {
    CTextTable table;
    table.SetName(name);
    table.SetLanguage("EN");
    ASSERT_EQ(table.Load(0), 1) << name;
    ASSERT_GT(table.GetRowCount(), 0) << name;
    std::set<std::string> keys;
    for (int i = 0; i < table.GetRowCount(); ++i) {
      EXPECT_TRUE(keys.insert(std::string(table.GetRow(i).GetKey())).second) << name << " " << table.GetRow(i).GetKey();
      EXPECT_FALSE(table.GetRow(i).GetName().IsEmpty()) << name << " row " << i;
    }
  }
  EXPECT_STREQ(GetRegionsTable("de").Lookup("DE"), "Europe/Germany/");
  FwSetLocaleOverride("en_GB.UTF-8");
  EXPECT_STREQ(GetLocaleCurrencySymbol(), "\xC2\xA3");
  FwSetLocaleOverride(nullptr);
  theDefaultSettings.m_strAppDir.Empty();
}

}  // namespace
