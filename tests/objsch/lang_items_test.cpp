// Guards the language-item rule (empty list, older format, found, made on
// request, else the first item), the multi-language text's copy and
// clean-up, pictures, and allowed-language entries that are written only
// when their flag changes.
#include <gtest/gtest.h>

#include "lang_items.h"
#include "qem_string.h"
#include "shop_lists.h"
#include "shop_test_db.h"

namespace {

class LangItems : public shop_test::shop_db_test {
 protected:
  // Stand-ins for two shop languages: lookups only compare record addresses.
  void SetUp() override {
    shop_test::shop_db_test::SetUp();
    for (auto*& record : records_)
      record = reinterpret_cast<ShopInfo_Lang*>(CMyString::CreateNew(TRUE));
    g_pCurrentLangRecord = records_[0];
  }
  ShopInfo_Lang* records_[2] = {};
};

TEST_F(LangItems, TheRuleForFindingTheItemOfALanguage) {
  auto* text = objsch::NewObject<CMLText>(TRUE, TRUE);
  ASSERT_EQ(text->m_pItems->cardinality(), 1u);
  EXPECT_EQ(text->GetLangItem(-1, FALSE)->GetLanguage(), records_[0]);
  text->SetText("Shoes", -1);

  g_pCurrentLangRecord = records_[1];
  EXPECT_STREQ(text->GetText(-1), "Shoes") << "no item of the language: the first answers";
  EXPECT_EQ(text->m_pItems->cardinality(), 1u);
  text->SetText("Schuhe", -1);
  ASSERT_EQ(text->m_pItems->cardinality(), 2u) << "setting a missing language makes its item";
  EXPECT_EQ(text->m_pItems->retrieve(1)->GetLanguage(), records_[1]);
  EXPECT_STREQ(text->GetText(-1), "Schuhe");

  g_bOldShopFormat = 1;
  EXPECT_STREQ(text->GetText(-1), "Shoes") << "the older format always takes the first item";
  text->SetText("Boots", -1);
  EXPECT_EQ(text->m_pItems->cardinality(), 2u);
  g_bOldShopFormat = 0;
  g_pCurrentLangRecord = records_[0];
  EXPECT_STREQ(text->GetText(-1), "Boots");

  text->CleanUp();
  EXPECT_EQ(text->GetLangItem(-1, TRUE), nullptr) << "no items: null, also when asked to make one";
  EXPECT_STREQ(text->GetText(-1), "");
  objsch::DeleteObject(text);
}

TEST_F(LangItems, AssignmentCopiesEveryItem) {
  auto* a = objsch::NewObject<CMLText>(TRUE, TRUE);
  a->SetText("Red", -1);
  g_pCurrentLangRecord = records_[1];
  a->SetText("Rot", -1);
  CMLText b(FALSE);
  b.Assign(*a);
  ASSERT_EQ(b.m_pItems->cardinality(), 2u);
  EXPECT_STREQ(b.GetText(-1), "Rot");
  g_pCurrentLangRecord = records_[0];
  EXPECT_STREQ(b.GetText(-1), "Red");
  EXPECT_TRUE(transient(b.m_pItems->retrieve(0))) << "the copies live where the copy does";
  a->SetText("Blue", -1);
  EXPECT_STREQ(b.GetText(-1), "Red");
  b.Assign(b);
  EXPECT_EQ(b.m_pItems->cardinality(), 2u);
  objsch::DeleteObject(a);
}

TEST_F(LangItems, PicturesAndAlternativeTexts) {
  auto* picture = objsch::NewObject<CPictureInfo>(TRUE, TRUE);
  EXPECT_EQ(picture->usSize, 16u);
  EXPECT_EQ(picture->nOptions, 0x8010u);
  auto* item = picture->GetLangItem(-1, FALSE);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->m_nSize, 32u);
  item->SetAltText("a cat");
  item->SetAltText2("a black cat");
  EXPECT_STREQ(picture->GetAltText(-1), "a cat");
  EXPECT_STREQ(picture->GetAltText2(-1), "a black cat");
  objsch::DeleteObject(picture);
}

TEST_F(LangItems, AnAllowedLanguageIsWrittenOnlyWhenItsFlagChanges) {
  auto* entry = objsch::NewObject<CActiveLanguage>(TRUE, records_[0], FALSE);
  dv_qem::dv_transaction::commit();
  dv_qem::dv_transaction::begin(dv_qem::dv_transaction::read_only);
  entry->SetActive(FALSE);  // a write here would be refused in a read-only transaction
  EXPECT_EQ(entry->m_bActive, 0u);
  dv_qem::dv_transaction::commit();
  dv_qem::dv_transaction::begin(dv_qem::dv_transaction::update);
  entry->SetActive(5);
  EXPECT_EQ(entry->m_bActive, 1u);
  dv_qem::durnavel::free_memory(entry);
}

}  // namespace
