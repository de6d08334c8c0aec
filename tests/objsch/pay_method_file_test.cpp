// Guards the reading of payment-method description files: the field lines
// (kinds, sizes, required, choices and the default choice), lines that are
// too short to describe a field, the section and name fallbacks, and the
// four shipped files.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "dv_scratch_dir.h"
#include "fw_locale.h"
#include "pay_method_file.h"

namespace {

void write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

std::vector<std::string> texts(const std::vector<CString>& strings) {
  std::vector<std::string> out;
  for (const CString& s : strings) out.emplace_back(static_cast<LPCTSTR>(s));
  return out;
}

TEST(PayMethodFile, FieldLines) {
  struct row {
    const char* line;
    const char* caption;
    int kind, width, height, max_length;
    bool required, sets_choices;
    std::vector<std::string> choices;
    int default_choice;
  };
  const row rows[] = {
      {"1=Card number,text,20,1,16,yes", "Card number", kPayFieldText, 20, 1, 16, true, false, {}, -1},
      {"2=Card type,SINGLECHOICE_COMBO,0,0,0,NO,Visa,Amex,Visa", "Card type", kPayFieldCombo, 0, 0, 0, false, true,
       {"Amex", "Visa"}, 1},
      {"3=Card type,SINGLECHOICE_COMBO,0,0,0,NO,null,Amex,Visa", "Card type", kPayFieldCombo, 0, 0, 0, false, false,
       {}, -1},
      {"4=Card type,SINGLECHOICE_COMBO,0,0,0,NO,NULL,NULL,Visa", "Card type", kPayFieldCombo, 0, 0, 0, false, true,
       {"NULL", "Visa"}, -1},
      {"5=Pick,MULTICHOICE_CHECKBOX,9,9,9, yes ,B,A,B,C,B", "Pick", kPayFieldCheckBox, 0, 0, 0, true, true,
       {"A", "B", "C", "B"}, 3},
      {"6=Pick, multichoice_selectionbox ,0,0,0,NO,,A,B", "Pick", kPayFieldSelectionBox, 0, 0, 0, false, true,
       {"A", "B"}, -1},
      {"7=Pick,SINGLECHOICE_RADIO,0,0,0,NO", "Pick", kPayFieldRadio, 0, 0, 0, false, false, {}, -1},
      {"8=Notes,TEXTAREA,40,3,256,NO,Hello", "Notes", kPayFieldTextArea, 40, 3, 256, false, true, {"Hello"}, 0},
      {"9=Notes,TEXTAREA,40,3,256,NO,null", "Notes", kPayFieldTextArea, 40, 3, 256, false, false, {}, -1},
      {"10=Notes,TEXT,x,3,256,NO,", "Notes", kPayFieldText, 0, 3, 256, false, false, {}, -1},
      {"11=Odd,WHATEVER,5,5,5,NO,A,A", "Odd", kPayFieldText, 0, 0, 0, false, true, {"A"}, 0},
      {"12=a=b,TEXT,1,2,3,NO", "a=b", kPayFieldText, 1, 2, 3, false, false, {}, -1},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.line);
    PayFieldSpec field;
    ASSERT_TRUE(ParsePayFieldLine(r.line, field));
    EXPECT_STREQ(field.m_strCaption, r.caption);
    EXPECT_EQ(field.m_nKind, r.kind);
    EXPECT_EQ(field.m_nWidth, r.width);
    EXPECT_EQ(field.m_nHeight, r.height);
    EXPECT_EQ(field.m_nMaxLength, r.max_length);
    EXPECT_EQ(field.m_bRequired, r.required);
    EXPECT_EQ(field.m_bSetsChoices, r.sets_choices);
    EXPECT_EQ(texts(field.m_choices), r.choices);
    EXPECT_EQ(field.m_nDefaultChoice, r.default_choice);
  }
}

TEST(PayMethodFile, LinesThatDescribeNoFieldAreSkipped) {
  for (const char* line : {"no equals sign,TEXT,1,1,1,YES", "1=", "1=Caption", "1=Caption,TEXT",
                           "1=Caption,TEXT,20,1,16", "1=,,,,"}) {
    SCOPED_TRACE(line);
    PayFieldSpec field;
    EXPECT_FALSE(ParsePayFieldLine(line, field));
  }
}

TEST(PayMethodFile, SplitAtCommasKeepsEmptyPieces) {
  struct row {
    const char* text;
    bool ok;
    std::vector<std::string> parts;
  };
  const row rows[] = {{"no comma", false, {}}, {"a,b", true, {"a", "b"}}, {",", true, {"", ""}},
                      {"a,,b,", true, {"a", "", "b", ""}}};
  for (const row& r : rows) {
    CStringArray parts;
    parts.Add("stale");
    EXPECT_EQ(SplitAtCommas(r.text, parts), r.ok) << r.text;
    std::vector<std::string> got;
    for (int i = 0; i < parts.GetSize(); ++i) got.emplace_back(static_cast<LPCTSTR>(parts[i]));
    EXPECT_EQ(got, r.parts) << r.text;
  }
}

TEST(PayMethodFile, SectionLinesFallBackToEnglish) {
  dv_test::scratch_dir dir;
  write(dir / "m.ini", "[EN]\n1=a,TEXT,1,1,1,NO\n2=b,TEXT,1,1,1,NO\n[DE]\n1=x,TEXT,1,1,1,NO\n[FR]\n");
  CIniFile ini((dir / "m.ini").c_str());
  CStringArray lines;
  ASSERT_TRUE(ReadIniSectionLines(ini, "DE", lines, true));
  ASSERT_EQ(lines.GetSize(), 1);
  EXPECT_STREQ(lines[0], "1=x,TEXT,1,1,1,NO");
  ASSERT_TRUE(ReadIniSectionLines(ini, "FR", lines, true)) << "an empty section falls back";
  EXPECT_EQ(lines.GetSize(), 2);
  ASSERT_TRUE(ReadIniSectionLines(ini, "IT", lines, true));
  EXPECT_EQ(lines.GetSize(), 2);
  EXPECT_FALSE(ReadIniSectionLines(ini, "IT", lines, false));
  EXPECT_EQ(lines.GetSize(), 0);
  CIniFile absent((dir / "absent.ini").c_str());
  EXPECT_FALSE(ReadIniSectionLines(absent, "EN", lines, true));
}

TEST(PayMethodFile, NameFallsBackToTheLocaleLanguage) {
  dv_test::scratch_dir dir;
  write(dir / "m.ini", "[Method Names]\nEN=Cheque\nde=Scheck\n");
  CIniFile ini((dir / "m.ini").c_str());
  FwSetLocaleOverride("de_DE.UTF-8");
  CString name;
  ReadIniStringLocaleFallback(ini, name, "Method Names", "EN");
  EXPECT_STREQ(name, "Cheque");
  ReadIniStringLocaleFallback(ini, name, "Method Names", "IT");
  EXPECT_STREQ(name, "Scheck");
  FwSetLocaleOverride("C");
  ReadIniStringLocaleFallback(ini, name, "Method Names", "IT");
  EXPECT_STREQ(name, "Cheque") << "the locale's language is en, and keys match without regard to case";
  FwSetLocaleOverride(nullptr);
}

TEST(PayMethodFile, TheShippedMethodsDescribeTheirFields) {
  for (const char* method : {"cashondelivery", "drawfrombank", "purchaseorder", "sendcheck"}) {
    SCOPED_TRACE(method);
    CIniFile ini((std::string(DV_DATA_DIR) + "/payment methods/" + method + ".ini").c_str());
    CString name;
    ReadIniStringLocaleFallback(ini, name, "Method Names", "EN");
    EXPECT_FALSE(name.IsEmpty());
    for (const char* language : {"EN", "DE"}) {
      CStringArray lines;
      ASSERT_TRUE(ReadIniSectionLines(ini, language, lines, false)) << language;
      EXPECT_GE(lines.GetSize(), 2);
      for (int i = 0; i < lines.GetSize(); ++i) {
        PayFieldSpec field;
        EXPECT_TRUE(ParsePayFieldLine(lines[i], field)) << static_cast<LPCTSTR>(lines[i]);
        EXPECT_FALSE(field.m_strCaption.IsEmpty());
      }
    }
  }
}

}  // namespace
