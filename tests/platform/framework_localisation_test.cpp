// Guards the program's localisation: dialog texts ending in ",NNNN"
// replaced by string NNNN (with a blank after the comma, without a comma,
// with "0", words or a missing string after it), every descendant window
// translated, the English string table holding a text for every id the
// program shows and none for the ids it needs absent, language ids and codes
// for several locales and an unknown one, StrToDouble that ignores a comma
// locale, the locale's language name, decimal separator and currency
// symbol, and message boxes recorded by string id.
#include <gtest/gtest.h>
#include <locale.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app_settings.h"
#include "dv_scratch_dir.h"
#include "fw_message_box.h"
#include "fw_string_table.h"
#include "localisation.h"
#include "text_table.h"

namespace {

// A window of the test: a text and child windows.
class FakeWindow : public FwWindow {
 public:
  explicit FakeWindow(const char* text) : text_(text) {}
  CString GetWindowText() const override { return text_; }
  void SetWindowText(LPCTSTR text) override { text_ = text; }
  void EnumChildWindows(const std::function<BOOL(FwWindow&)>& visit) override {
    for (auto& child : children_) {
      if (!visit(*child)) return;
      bool go_on = true;
      child->EnumChildWindows([&](FwWindow& w) { return go_on = visit(w) != 0; });
      if (!go_on) return;
    }
  }
  FakeWindow& Add(const char* text) {
    children_.push_back(std::make_unique<FakeWindow>(text));
    return *children_.back();
  }

 private:
  CString text_;
  std::vector<std::unique_ptr<FakeWindow>> children_;
};

TEST(FrameworkLocalisation, TextsEndingInAStringNumberAreReplaced) {
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"Import Mapping Tool,20009", "Import Mapping Tool"},
      {"About Tallyport, 20006", "About Tallyport"},             // blank after the comma
      {"Step 1:  Select the database source,6006", "Step 1:  Select the database source"},
      {"&Options,21254 ", "&Options"},                           // trailing blank
      {"OK", "OK"},                                               // no comma
      {"Price, in euros", "Price, in euros"},                     // words after the comma
      {"Nothing,0", "Nothing,0"},                                 // zero
      {"Empty,", "Empty,"},                                       // no number
      {"Missing,64999", "Missing,64999"},                         // no such string
      {"Absent,7041", "Absent,7041"},                             // a string kept absent
  };
  for (const Case& c : cases) {
    FakeWindow w(c.text);
    LocalizeWindowText(w);
    EXPECT_STREQ(w.GetWindowText(), c.expected) << c.text;
  }
  FakeWindow none("Value,0");
  EXPECT_TRUE(GetLocalizedControlText(none).IsEmpty());
}

TEST(FrameworkLocalisation, DialogCaptionAndEveryDescendantAreTranslated) {
  FakeWindow dialog("Import Mapping Tool,20009");
  FakeWindow& group = dialog.Add("group,21254");
  FakeWindow& inner = group.Add("&Reset,21152");
  FakeWindow& plain = dialog.Add("plain");
  LocalizeDialogTexts(dialog);
  EXPECT_STREQ(dialog.GetWindowText(), "Import Mapping Tool");
  EXPECT_STREQ(group.GetWindowText(), "&Options");
  EXPECT_STREQ(inner.GetWindowText(), "&Reset");
  EXPECT_STREQ(plain.GetWindowText(), "plain");
}

TEST(FrameworkLocalisation, EnglishTableHoldsEveryShownString) {
  const UINT ids[] = {21007, 21008, 21009, 21011, 21012, 21013, 21014, 21015, 21017, 21221, 21222, 51484,
                      51659, 51662, 51665, 60131, 60134, 7043,  61858, 3998,  32911, 32912, 32914, 32915,
                      32916, 32917, 32918, 57344, 51485, 20006, 20009, 7112,  7121,  32903, 32909, 51498,
                      51500, 51633, 21256, 21259, 21062, 61536, 0xF101, 0xF102};
  for (UINT id : ids) {
    CString text = LoadResString(id);
    EXPECT_FALSE(text.IsEmpty()) << id;
    EXPECT_EQ(text.Find(",NNNN"), -1) << id;
  }
  EXPECT_TRUE(LoadResString(7041).IsEmpty());
  EXPECT_TRUE(LoadResString(198).IsEmpty());
  EXPECT_STREQ(LoadResString(32906), "Size");
  EXPECT_STREQ(LoadSpecialDeptText::MyShop(0), "My Shop");
  EXPECT_STREQ(LoadSpecialDeptText::AllProducts(5), "List of All Products");
}

TEST(FrameworkLocalisation, LongStringLoadsWhole) {
  int length = 0;
  ASSERT_NE(FwFindString(21256, &length), nullptr);
  ASSERT_GT(length, 300);
  CString s;
  ASSERT_TRUE(s.LoadString(21256));
  EXPECT_EQ(s.GetLength(), length);
  EXPECT_EQ(s.Left(33), "To add products to the Tradeloft ");
  char cut[100];
  EXPECT_EQ(AfxLoadString(21256, cut, sizeof cut), 99);
  EXPECT_EQ(std::string(cut), std::string(s.Left(99)));
}

TEST(FrameworkLocalisation, OtherLanguagesFallBackToEnglish) {
  FwSetLocaleOverride("de_DE.UTF-8");
  EXPECT_STREQ(LoadResString(32906), "Size");
  FwSetStringLanguage(0x0411);
  EXPECT_STREQ(LoadResString(32907), "Color");
  FwSetStringLanguage(0);
  FwSetLocaleOverride(nullptr);
}

TEST(FrameworkLocale, LanguageCodesFromIdentifiers) {
  struct Case {
    UINT id;
    const char* code;
  } cases[] = {
      {0x0C07, "de"}, {0x0807, "de-ch"}, {0x0407, "de"}, {0x0409, "en"}, {0x0809, "en-gb"}, {0x0C0A, "es"},
      {0x0416, "pt"}, {0x0099, "en"},    {0x002B, "iw"}, {0x0804, "zh-cn"}, {0x0404, "zh-tw"},
      {0x0007, "de-ch"},  // no sub-language: the first row of the language
      {0x041D, "sv"}, {0x10409, "en"},
  };
  for (const Case& c : cases) EXPECT_STREQ(LanguageCodeFromLangId(c.id), c.code) << std::hex << c.id;
}

TEST(FrameworkLocale, ThreadLocaleFromItsName) {
  struct Case {
    const char* locale;
    LANGID id;
    const char* code;
    const char* language;
    const char* decimal;
  } cases[] = {
      {"C", 0x0409, "en", "English", "."},
      {"POSIX", 0x0409, "en", "English", "."},
      {"de_DE.UTF-8", 0x0407, "de", "German", ","},
      {"de_AT", 0x0C07, "de", "German", ","},
      {"de_CH.UTF-8@euro", 0x0807, "de-ch", "German", "."},
      {"en_GB.UTF-8", 0x0809, "en-gb", "English", "."},
      {"pt_BR", 0x0416, "pt", "Portuguese", ","},
      {"fr", 0x040C, "fr", "French", ","},
      {"ja_JP.eucJP", 0x0411, "ja", "Japanese", "."},
      {"xx_YY.UTF-8", 0x0409, "en", "English", "."},  // unknown: English
  };
  for (const Case& c : cases) {
    FwSetLocaleOverride(c.locale);
    EXPECT_EQ(FwThreadLangId(), c.id) << c.locale;
    EXPECT_STREQ(LanguageCodeFromLangId(1024), c.code) << c.locale;
    EXPECT_STREQ(GetLocaleLanguage(), c.language) << c.locale;
    FwLocaleData data;
    ASSERT_TRUE(FwGetLocaleData(LOCALE_USER_DEFAULT, &data));
    EXPECT_STREQ(data.decimalSeparator, c.decimal) << c.locale;
  }
  FwSetLocaleOverride(nullptr);
  EXPECT_STREQ(GetLocaleLanguageOf(0x0410), "Italian");
  EXPECT_TRUE(GetLocaleLanguageOf(0x0099).IsEmpty());
  EXPECT_STREQ(GetLocaleIntlSymbolPrefix(0x0407), "EUR");
  EXPECT_TRUE(GetLocaleIntlSymbolPrefix(0x0099).IsEmpty());
}

TEST(FrameworkLocale, EnvironmentNamesTheLocale) {
  ::setenv("LC_ALL", "", 1);
  ::setenv("LC_MESSAGES", "sv_SE.UTF-8", 1);
  ::setenv("LANG", "fr_FR.UTF-8", 1);
  EXPECT_EQ(FwThreadLangId(), 0x041D);
  ::setenv("LC_ALL", "it_IT", 1);
  EXPECT_EQ(FwThreadLangId(), 0x0410);
  ::unsetenv("LC_ALL");
  ::unsetenv("LC_MESSAGES");
  ::unsetenv("LANG");
  EXPECT_EQ(FwThreadLangId(), 0x0409);
}

TEST(FrameworkLocale, StrToDoubleTakesCommasAsPointsUnderAnyLocale) {
  // A comma locale in the process must not change how numbers are read.
  bool comma_locale = setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr || setlocale(LC_NUMERIC, "de_DE") != nullptr;
  FwSetLocaleOverride("de_DE.UTF-8");
  struct Case {
    const char* text;
    double expected;
  } cases[] = {
      {"12,50", 12.5}, {"1,234.50", 1.234}, {"abc", 0.0}, {"", 0.0}, {"  7.25 EUR", 7.25}, {"-0,5", -0.5},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(StrToDouble(c.text), c.expected) << c.text << " " << comma_locale;
  FwSetLocaleOverride(nullptr);
  setlocale(LC_NUMERIC, "C");
  EXPECT_STREQ(StripTrailingSlash("$/"), "$");
  EXPECT_STREQ(StripTrailingSlash("a//"), "a/");
  EXPECT_STREQ(StripTrailingSlash(""), "");
}

TEST(FrameworkLocale, CurrencySymbolFromTheCurrencySymTable) {
  dv_test::scratch_dir dir;
  theDefaultSettings.m_strAppDir = dir.path().c_str();
  std::ofstream(dir / "CurrencySymEN.txt") << "USD\t$\nEUR\t\xE2\x82\xAC\nGBP\t\xC2\xA3\n";
  FwSetLocaleOverride("en_US.UTF-8");
  EXPECT_STREQ(GetLocaleCurrencySymbol(), "$");
  FwSetLocaleOverride("de_DE.UTF-8");
  EXPECT_STREQ(GetLocaleCurrencySymbol(), "\xE2\x82\xAC");
  FwSetLocaleOverride("ja_JP.UTF-8");  // JPY is not in the table: the USD row
  EXPECT_STREQ(GetLocaleCurrencySymbol(), "$");
  FwSetLocaleOverride(nullptr);
  theDefaultSettings.m_strAppDir.Empty();
}

TEST(FrameworkMessageBoxes, RecordedByStringIdOrText) {
  FwRecordingMessageBoxes boxes;
  FwMessageBoxes* previous = FwSetMessageBoxes(&boxes);
  boxes.QueueAnswer(IDNO);
  EXPECT_EQ(AfxMessageBox(51518, MB_YESNO | MB_ICONEXCLAMATION), IDNO);
  EXPECT_EQ(AfxMessageBox("Couldn't open source file:  x"), IDOK);
  EXPECT_EQ(AfxMessageBox(51517, MB_YESNOCANCEL), IDYES);
  FwSetMessageBoxes(previous);
  ASSERT_EQ(boxes.shown.size(), 3u);
  EXPECT_EQ(boxes.shown[0].stringId, 51518u);
  EXPECT_EQ(boxes.shown[0].type, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
  EXPECT_EQ(boxes.shown[1].stringId, 0u);
  EXPECT_STREQ(boxes.shown[1].text, "Couldn't open source file:  x");
  EXPECT_STREQ(boxes.shown[2].text, "File with the same name already exists. Please select a new file name.");
}

}  // namespace
