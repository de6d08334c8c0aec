// Guards the reading of "langlist.ini": ids built from the language and
// sublanguage ids, names kept, a missing file or count giving no languages,
// and a hostile count capped instead of looping or allocating without bound.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "app_settings.h"
#include "dv_scratch_dir.h"
#include "supported_languages.h"

namespace {

void write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

TEST(SupportedLanguages, ReadsIdsNamesAndAbbreviations) {
  dv_test::scratch_dir dir;
  write(dir / "langlist.ini",
        "[SUPPORTING_LANGUAGES]\nLANG_COUNT=2\n[LANG_1]\nLANG_ID=9\nSUBLANG_ID=1\nLANG_NAME=English\n"
        "LANG_ABBREV=EN\n[LANG_2]\nLANG_ID=7\nLANG_NAME=German\n");
  CSupportedLanguageList list{{1, "stale", "XX"}};
  LoadSupportedLanguagesFrom(list, (dir / "langlist.ini").c_str());
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].m_nLangId, 0x409u);
  EXPECT_STREQ(list[0].m_strName, "English");
  EXPECT_STREQ(list[0].m_strAbbrev, "EN");
  EXPECT_EQ(list[1].m_nLangId, 7u) << "a missing SUBLANG_ID reads as 0";
  EXPECT_STREQ(list[1].m_strName, "German");
  EXPECT_STREQ(list[1].m_strAbbrev, "");
}

TEST(SupportedLanguages, CountsOutsideTheSaneRange) {
  struct row {
    const char* count_line;
    size_t expected;
  };
  const row rows[] = {
      {"", 0},                          // no count: nothing more is read
      {"LANG_COUNT=0\n", 0},
      {"LANG_COUNT=-5\n", 0},
      {"LANG_COUNT=3\n", 3},            // sections that do not exist give empty records
      {"LANG_COUNT=2000000000\n", kMaxSupportedLanguages},
      {"LANG_COUNT=4294967295\n", 0},   // reads as -1
  };
  dv_test::scratch_dir dir;
  for (const row& r : rows) {
    SCOPED_TRACE(r.count_line);
    write(dir / "langlist.ini", std::string("[SUPPORTING_LANGUAGES]\n") + r.count_line);
    CSupportedLanguageList list;
    LoadSupportedLanguagesFrom(list, (dir / "langlist.ini").c_str());
    EXPECT_EQ(list.size(), r.expected);
  }
}

TEST(SupportedLanguages, MissingFileGivesNone) {
  dv_test::scratch_dir dir;
  CSupportedLanguageList list{{1, "stale", "XX"}};
  LoadSupportedLanguagesFrom(list, (dir / "absent.ini").c_str());
  EXPECT_TRUE(list.empty());
}

TEST(SupportedLanguages, TheShippedListIsFoundThroughTheProgramFolder) {
  theDefaultSettings.m_strAppDir = DV_DATA_DIR;
  LoadSupportedLanguages(SupportedLanguages());
  const CSupportedLanguageList& list = SupportedLanguages();
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0].m_nLangId, 0x409u);
  EXPECT_STREQ(list[0].m_strName, "English");
  for (const CSupportedLanguage& language : list) {
    SCOPED_TRACE(static_cast<LPCTSTR>(language.m_strName));
    EXPECT_FALSE(language.m_strAbbrev.IsEmpty());
    EXPECT_STRCASEEQ(GetHtmlLanguage(language.m_strName), language.m_strAbbrev)
        << "each language has its folder with a language file";
  }
}

}  // namespace
