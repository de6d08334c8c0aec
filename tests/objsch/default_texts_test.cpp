// Guards the default texts of new shop objects (string-table entries of the
// current language, settings values, literals), the default names of the
// special pages, and the HTML language code and region table of a shop
// language.
#include <gtest/gtest.h>

#include "app_settings.h"
#include "default_texts.h"
#include "department.h"
#include "localisation.h"
#include "qem_string.h"
#include "root.h"
#include "shop_language_texts.h"
#include "shop_lists.h"
#include "shop_test_shop.h"
#include "text_table.h"

namespace {

class DefaultTexts : public shop_test::shop_test {
 protected:
  CQEMString& NewText() { return CMyString::CreateNew(TRUE)->GetString(); }
};

TEST_F(DefaultTexts, EachDefaultGoesIntoTheCallersString) {
  struct Case {
    void (*assign)(CQEMString&);
    const char* expected;
  } cases[] = {
      {AssignDefaultText::ShopTitle, "My Shop"},       {AssignDefaultText::DepartmentName, "Department"},
      {AssignDefaultText::ProductName, "New Product"}, {AssignDefaultText::Currency, "$"},
      {AssignDefaultText::LanguageName, "English"},    {AssignDefaultText::DisplayStyleName, "Default"},
  };
  for (const Case& c : cases) {
    CQEMString& text = NewText();
    c.assign(text);
    EXPECT_STREQ(*text, c.expected);
  }
}

TEST_F(DefaultTexts, NumberedDefaults) {
  const char* methods[] = {"Economy", "Air", "Express"};
  const char* options[] = {"Size", "Color", "Option1", "Option2"};
  CQEMString& text = NewText();
  for (int i = 0; i < 3; ++i) {
    AssignDefaultText::ShippingMethodName(text, i);
    EXPECT_STREQ(*text, methods[i]);
  }
  for (int i = 0; i < 4; ++i) {
    AssignDefaultText::OptionName(text, i);
    EXPECT_STREQ(*text, options[i]);
  }
  AssignDefaultText::OptionName(text, 4);
  AssignDefaultText::ShippingMethodName(text, -1);
  EXPECT_STREQ(*text, "Option2") << "a number without a default leaves the text alone";
  EXPECT_STREQ(*LoadDefaultTextString(51499), "Department");
}

TEST_F(DefaultTexts, SpecialPageNames) {
  const struct {
    unsigned id;
    UINT string;
  } cases[] = {{0x22001, 32911}, {0x22002, 32912}, {0x22003, 32918}, {0x22004, 32914},
               {0x22005, 32915}, {0x22006, 32916}, {0x22007, 32917}, {0x22008, 32911}, {0x12001, 32911}};
  for (const auto& c : cases) {
    EXPECT_STREQ(GetSpecialDeptDefaultName(c.id), LoadResString(c.string)) << std::hex << c.id;
    EXPECT_FALSE(GetSpecialDeptDefaultName(c.id).IsEmpty());
  }
  EXPECT_STREQ(root_->GetSpecialPage(0x22003)->m_strName, LoadResString(32918)) << "a new shop's pages are named";
}

TEST_F(DefaultTexts, ShopLanguageCodesAndRegionTables) {
  ShopInfo& info = root_->GetShopInfo();
  ShopInfo_Lang* english = info.m_langItems->retrieve_first();
  EXPECT_STREQ(GetHtmlLanguage(english), "en");
  EXPECT_STREQ(GetHtmlLanguage(info.m_aLanguagesAllowed->retrieve_first()), "en");
  EXPECT_EQ(&GetRegionsTable(english), &GetRegionsTable(CString("en")));
  EXPECT_STREQ(GetHtmlLanguage(static_cast<const ShopInfo_Lang*>(nullptr)), "");
}

}  // namespace
