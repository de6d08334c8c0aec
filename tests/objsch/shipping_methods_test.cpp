// Guards the region-bound shipping records: the option tests of a
// shipping-method list, the details of a region taking their shipping-method
// lists (and the methods in them), providers and taxing methods with them
// when they go, taxing methods and products letting go of each other from
// either side, features, and the English name of a locale's language.
#include <gtest/gtest.h>

#include "dv_new.h"
#include "product.h"
#include "region.h"
#include "root.h"
#include "shipping_methods.h"
#include "shop_lists.h"
#include "shop_test_shop.h"

namespace {

class ShippingMethods : public shop_test::shop_test {};

TEST_F(ShippingMethods, OptionMasks) {
  struct Case {
    objsch::dv4u bits;
    BOOL total, percentage, straight, curve, productOwner;
  } cases[] = {
      {0, 0, 0, 0, 0, 0},      {1, 1, 0, 0, 0, 0},      {2, 0, 1, 0, 0, 0},
      {3, 1, 1, 1, 0, 0},      {4, 0, 0, 0, 1, 0},      {5, 1, 0, 0, 1, 0},
      {7, 1, 1, 1, 1, 0},      {0x8000, 0, 0, 0, 0, 1}, {0x8004, 0, 0, 0, 1, 1},
  };
  auto* list = objsch::NewObject<CShipMethodsList>(TRUE, TRUE);
  for (const Case& c : cases) {
    list->m_nOptionBits = c.bits;
    EXPECT_EQ(list->ByPricePayableTotal(), c.total) << c.bits;
    EXPECT_EQ(list->ByPricePayablePercentage(), c.percentage) << c.bits;
    EXPECT_EQ(list->ByWeightStraightLine(), c.straight) << c.bits;
    EXPECT_EQ(list->ByWeightCurveLine(), c.curve) << c.bits;
    EXPECT_EQ(list->IsProductOwner(), c.productOwner) << c.bits;
  }
  objsch::DeleteObject(list);
}

TEST_F(ShippingMethods, DetailsTakeTheirRecordsWithThem) {
  CRegion* region = CRegion::Create(4, "Bavaria", -1, TRUE);
  CRegionDetails* details = CRegionDetails::Create(region);

  auto* provider = objsch::NewObject<CShippingProvider>(TRUE, TRUE);
  provider->m_fRate = 2.5;
  details->m_pProviders->insert_last(provider);
  root_->m_sShopInfo.m_aShippingClasses->insert_last(provider);

  auto* methods = objsch::NewObject<CShipMethodsList>(TRUE, TRUE);
  auto* method = objsch::NewObject<CShippingMethod>(TRUE, TRUE);
  method->m_pProvider = provider;
  // A price range is a record this program only stores and frees.
  method->m_pPriceRanges->insert_last(static_cast<_PriceRange*>(
      ::operator new(32, session_->GetDatabase(), dv_qem::dv_typespec::get_char(), 32)));
  methods->m_pMethods->insert_last(method);
  details->m_pShipMethodLists->insert_last(methods);

  Product* product = Product::CreateNew(TRUE);
  auto* tax = objsch::NewObject<CTaxingMethod>(TRUE, TRUE);
  tax->m_pProducts->insert_last(product);
  product->m_pTaxingMethods->insert_last(tax);
  tax->m_pRegions->insert_last(region);
  details->m_pTaxingMethods->insert_last(tax);

  region->SetDetails(details);
  EXPECT_EQ(methods->m_pOwnerRegion, region) << "the region owns the details' shipping-method lists";
  region->AddToShop();

  objsch::DeleteObject(region);
  EXPECT_FALSE(root_->m_aRegions->contains(region));
  EXPECT_FALSE(root_->m_sShopInfo.m_aShippingClasses->contains(provider)) << "a provider leaves the shop's list";
  EXPECT_EQ(product->m_pTaxingMethods->cardinality(), 0u) << "a taxing method leaves its products";
  objsch::DeleteObject(product);
}

TEST_F(ShippingMethods, AProductLeavesItsTaxingMethods) {
  Product* product = Product::CreateNew(TRUE);
  auto* tax = objsch::NewObject<CTaxingMethod>(TRUE, TRUE);
  tax->fTaxPercentage = 19.0;
  tax->m_pProducts->insert_last(product);
  product->m_pTaxingMethods->insert_last(tax);
  objsch::DeleteObject(product);
  EXPECT_EQ(tax->m_pProducts->cardinality(), 0u);
  objsch::DeleteObject(tax);
}

TEST_F(ShippingMethods, FeaturesKeepTheirTextsPerLanguage) {
  auto* feature = objsch::NewObject<CFeatureInfo>(TRUE, TRUE);
  EXPECT_EQ(feature->m_nSize, 12u);
  ASSERT_EQ(feature->m_pItems->cardinality(), 1u);
  feature->GetLangItem(-1, FALSE)->SetAltText("wide");
  feature->GetLangItem(-1, FALSE)->SetAltText2("tall");
  EXPECT_STREQ(feature->GetAltText(0), "wide");
  EXPECT_STREQ(feature->GetAltText2(0), "tall");
  EXPECT_EQ(feature->GetLangItem(0, TRUE), feature->m_pItems->retrieve_first()) << "the shop has one language";
  objsch::DeleteObject(feature);
}

TEST(LocaleLanguageName, EnglishNamesOfLocales) {
  EXPECT_STREQ(GetLocaleLanguageName(0x0407), "German");
  EXPECT_STREQ(GetLocaleLanguageName(0x0409), "English");
  EXPECT_STREQ(GetLocaleLanguageName(0x7fff), "");
}

}  // namespace
