// Guards the shop's language lookup: an index past the end answers the
// first language and makes nothing, with or without the create request, so
// no persistent language record is left unreachable.
#include <gtest/gtest.h>

#include "root.h"
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

}  // namespace
