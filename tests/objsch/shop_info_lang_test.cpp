// Guards the shop's language lookup: an index past the end answers the
// first language and makes nothing, with or without the create request, so
// no persistent language record is left unreachable; the default-language
// position in the shop settings picks the active allowed language; the
// Root's getters answer the shop information's records; and the clean-up
// of a shop language and of the shop information leaves nothing of them
// stored.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "dv_object_cursor.h"
#include "lang_items.h"
#include "payment.h"
#include "root.h"
#include "shop_lists.h"
#include "shop_test_shop.h"

namespace {

class ShopLanguages : public shop_test::shop_test {};

TEST_F(ShopLanguages, PastTheEndAnswersTheFirstAndMakesNothing) {
  ShopInfo& info = root_->GetShopInfo();
  const unsigned count = info.m_langItems->cardinality();
  ASSERT_GT(count, 0u);
  struct Case {
    int index;
    BOOL create;
  } cases[] = {{5, TRUE}, {5, FALSE}, {static_cast<int>(count), TRUE}, {-7, TRUE}};
  for (const Case& c : cases) {
    EXPECT_EQ(info.GetLangItem(c.index, c.create), info.m_langItems->retrieve_first()) << c.index;
    EXPECT_EQ(info.m_langItems->cardinality(), count) << c.index;
  }
}

TEST_F(ShopLanguages, TheSettingsPositionPicksTheActiveLanguage) {
  ShopInfo& info = root_->GetShopInfo();
  info.AddLanguage(objsch::NewObject<ShopInfo_Lang>(TRUE, TRUE));
  info.AddLanguage(objsch::NewObject<ShopInfo_Lang>(TRUE, TRUE));
  ASSERT_EQ(info.m_aLanguagesAllowed->cardinality(), 3u);
  CActiveLanguage* third = info.m_aLanguagesAllowed->retrieve(2);
  third->SetActive(FALSE);

  struct Case {
    const char* position;
    CActiveLanguage* active;
  } cases[] = {{"2", third}, {"7", nullptr}, {"0", info.m_aLanguagesAllowed->retrieve(0)}};
  for (const Case& c : cases) {
    *info.m_settings.GetAt(3) = c.position;
    EXPECT_EQ(info.GetActiveLanguage(), c.active) << c.position;
  }
  EXPECT_EQ(third->m_bActive, 1u) << "the entry found is marked active";
}

TEST_F(ShopLanguages, TheRootAnswersTheShopInformationsRecords) {
  ShopInfo& info = root_->GetShopInfo();
  root_->m_strImage = "shop.gif";
  root_->m_strDescription = "Garden tools";
  EXPECT_STREQ(root_->GetImage(), "shop.gif");
  EXPECT_STREQ(root_->GetDescription(), "Garden tools");
  ASSERT_NE(root_->GetPostageTax(), nullptr);
  EXPECT_EQ(root_->GetPostageTax(), info.GetPostageTax());
  ShopInfo_Lang* first = info.m_langItems->retrieve_first();
  ShopInfo_Lang* second = objsch::NewObject<ShopInfo_Lang>(TRUE, TRUE);
  info.AddLanguage(second);
  EXPECT_EQ(root_->GetShopLangItem(0), first);
  EXPECT_EQ(root_->GetShopLangItem(1), second);
  EXPECT_EQ(root_->GetShopLangItem(-1), first) << "the default language";
  EXPECT_EQ(info.m_langItems->cardinality(), 2u);
  ASSERT_EQ(root_->GetCompanyDetails(1), &second->GetCompanyDetails());
  root_->GetCompanyDetails(1)->SetCompanyName("Spades Ltd");
  EXPECT_STREQ(second->GetCompanyDetails().GetString(CCompanyDetails::strCompanyName), "Spades Ltd");
  *info.m_settings.GetAt(3) = "1";
  EXPECT_EQ(root_->GetActiveLanguage(), info.m_aLanguagesAllowed->retrieve(1));
  *info.m_settings.GetAt(3) = "0";
}

// How many objects of each class the shop database stores.
std::map<std::string, int> StoredCounts(dv_qem::dv_database* db) {
  std::map<std::string, int> counts;
  dv_qem::dv_object_cursor cursor(db);
  for (cursor.first(); cursor.more(); cursor.next()) {
    void* object = nullptr;
    const dv_qem::dv_typespec* ts = nullptr;
    int n = 0;
    cursor.current(object, ts, n);
    ++counts[ts->get_name()];
  }
  return counts;
}

TEST_F(ShopLanguages, CleanUpLeavesNothingOfTheShopInformationStored) {
  dv_qem::dv_database* db = session_->GetDatabase();
  ShopInfo_Lang* const currentRecord = g_pCurrentLangRecord;
  const std::map<std::string, int> before = StoredCounts(db);

  ShopInfo_Lang* record = objsch::NewObject<ShopInfo_Lang>(TRUE, TRUE);
  record->GetCompanyDetails().SetCompanyName("Spades Ltd");
  record->SetLangName("German");
  objsch::DeleteObject(record);
  EXPECT_EQ(StoredCounts(db), before) << "a shop language leaves nothing stored";

  ShopInfo* info = objsch::NewObject<ShopInfo>(TRUE, TRUE);
  g_pCurrentLangRecord = currentRecord;  // the new shop information made its first language current
  info->AddLanguage(objsch::NewObject<ShopInfo_Lang>(TRUE, TRUE));
  EXPECT_EQ(CreateDefaultPayMethods(*info), 4);
  FillDefaultCurrencies(*info, TRUE);
  ASSERT_FALSE(info->m_aCurrenciesAllowed->empty());
  info->CleanUp();
  info->CleanUp();  // a second clean-up does nothing
  EXPECT_EQ(info->GetPostageTax(), nullptr);
  objsch::DeleteObject(info);
  EXPECT_EQ(StoredCounts(db), before) << "the shop information leaves nothing stored";
  EXPECT_EQ(root_->GetShopInfo().m_aPayMethods->cardinality(), 4u) << "the shop's own methods stay";
  EXPECT_EQ(root_->GetShopInfo().m_aPayMethodPairs->cardinality(), 4u);
}

}  // namespace
