// Guards the mapping files' text: nothing mapped (one comma fewer than
// rows), the sections read in file order with their counts, the list's
// empty entries and trailing comma, sections without keys and text before
// the first '<' ignored, and counts outside 0-2 options or 0-10 choices
// (or not a number) refused. Names holding ',' or '<' (or a line break, or
// beginning with '"') are written quoted and read back exactly; other names
// keep their bytes.
#include <gtest/gtest.h>

#include "mapping_file.h"

namespace {

TEST(MappingFileText, WrittenForm) {
  EXPECT_STREQ(FormatMappingFile(0, 0, {"", "", "", ""}), "<Options>=0\n<Choices>=0\n<Tables>=,,,\n");
  EXPECT_STREQ(FormatMappingFile(2, 3, {"Name", "", "Price"}), "<Options>=2\n<Choices>=3\n<Tables>=Name,,Price\n");
  EXPECT_STREQ(FormatMappingFile(0, 0, {"Name", ""}), "<Options>=0\n<Choices>=0\n<Tables>=Name,\n");
  EXPECT_STREQ(FormatMappingFile(1, 0, {}), "<Options>=1\n<Choices>=0\n<Tables>=\n");
}

std::string Describe(const std::vector<MappingSection>& sections) {
  std::string text;
  for (const MappingSection& section : sections) {
    if (section.kind == MappingSection::Options) text += "O" + std::to_string(section.count) + " ";
    if (section.kind == MappingSection::Choices) text += "C" + std::to_string(section.count) + " ";
    if (section.kind != MappingSection::Tables) continue;
    text += "T";
    for (const CString& column : section.columns) text += std::string("[") + static_cast<LPCTSTR>(column) + "]";
    text += " ";
  }
  return text;
}

TEST(MappingFileText, SectionsInFileOrder) {
  struct Case {
    const char* text;
    const char* sections;
  } cases[] = {
      {"<Options>=2\n<Choices>=3\n<Tables>=Name,,Price\n", "O2 C3 T[Name][][Price] "},
      {"<Options>=0\r\n<Choices>=0\r\n<Tables>=Name,\r\n", "O0 C0 T[Name] "},
      {"junk<Tables>=,a,\n", "T[][a] "},
      {"<Tables>=\n", "T "},
      {"<Comment>=x\n<Choices>=10\n<Options>=1", "C10 O1 "},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Describe(ReadMappingSections(c.text)), c.sections) << c.text;
}

TEST(MappingFileText, NamesThatWouldBreakTheListAreQuoted) {
  struct Case {
    std::vector<CString> rows;
    const char* list;
  } cases[] = {
      {{"Name", "Notes, long", "", "Price"}, "\"Notes, long\""},
      {{"Size<10", "Price"}, "\"Size<10\""},
      {{"\"quoted\"", "x"}, "\"\"\"quoted\"\"\""},
      {{"two\nlines", "", ""}, "\"two\nlines\""},
      {{"a,b", ""}, "\"a,b\","},
      {{"Size 5\"", "Price"}, "Size 5\",Price"},   // a quote inside a name is kept as it is
  };
  for (const Case& c : cases) {
    const CString text = FormatMappingFile(1, 2, c.rows);
    EXPECT_NE(std::string(text).find(c.list), std::string::npos) << text;
    const std::vector<MappingSection> sections = ReadMappingSections(text);
    ASSERT_EQ(sections.size(), 3u) << text;
    std::vector<CString> read = sections[2].columns;
    while (read.size() < c.rows.size()) read.push_back("");   // a last empty entry is not written
    ASSERT_EQ(read.size(), c.rows.size()) << text;
    for (size_t i = 0; i < read.size(); ++i) EXPECT_STREQ(read[i], c.rows[i]) << text;
  }
  EXPECT_EQ(Describe(ReadMappingSections("<Tables>=Name,\"Size<10\",Price\n<Options>=1\n")),
            "T[Name][Size<10][Price] O1 ");
}

TEST(MappingFileText, CountsOutsideTheDialogsRangeRefused) {
  for (const char* text : {"<Options>=3\n", "<Options>=-1\n", "<Choices>=11\n", "<Choices>=4096\n",
                           "<Options>=two\n", "<Choices>=\n", "<Options>=99999999999999\n"})
    EXPECT_THROW(ReadMappingSections(text), MappingFileError) << text;
  EXPECT_NO_THROW(ReadMappingSections("<Options>= 2 \n<Choices>=10\n"));
}

}  // namespace
