// Guards the shop's language lookup: an index past the end answers the
// first language and makes nothing, with or without the create request, so
// no persistent language record is left unreachable; the default-language
// position in the shop settings picks the active allowed language.
#include <gtest/gtest.h>

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

}  // namespace
