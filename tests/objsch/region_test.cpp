// Guards regions: creation with one name, full names with and without level
// names, an id only through details (0 without), details lists following
// the region's persistence, a linked chain freed exactly once, and
// registration in the shop by id (a clashing id adds nothing), and a chain
// that comes round on itself (only a damaged file holds one) named and
// freed with each region once, never walked for ever.
#include <gtest/gtest.h>
#include <unistd.h>

#include "qem_string.h"
#include "region.h"
#include "root.h"
#include "shop_lists.h"
#include "shop_test_db.h"
#include "shop_test_shop.h"

namespace {

class Region : public shop_test::shop_db_test {};

TEST_F(Region, CreateNamesTheRegionInOneItem) {
  CRegion* region = CRegion::Create(3, "01", 0, TRUE);
  EXPECT_TRUE(in_db(region));
  EXPECT_EQ(region->GetLevel(), 3u);
  EXPECT_EQ(region->GetLinked(), nullptr);
  EXPECT_EQ(region->GetDetails(), nullptr);
  ASSERT_EQ(region->m_pItems->cardinality(), 1u);
  EXPECT_STREQ(region->GetText(0), "01");
  EXPECT_EQ(region->GetID(), 0u) << "a region without details has no id";
  region->SetID(9);
  EXPECT_EQ(region->GetID(), 0u);
  objsch::DeleteObject(region);
}

TEST_F(Region, FullNames) {
  CRegion* city = CRegion::Create(6, "Munich", 0, TRUE);
  CRegion* state = CRegion::Create(4, "Bavaria", 0, TRUE);
  CRegion* country = CRegion::Create(3, "Germany", 0, TRUE);
  city->SetLinked(state);
  state->SetLinked(country);
  struct row {
    CRegion* region;
    BOOL levels;
    const char* separator;
    const char* expected;
  };
  const row rows[] = {
      {country, TRUE, ", ", "Germany<Country>"},
      {state, FALSE, ", ", "Bavaria, Germany"},
      {city, TRUE, " / ", "Munich<City> / Bavaria<State> / Germany<Country>"},
  };
  for (const row& r : rows) {
    CString name;
    r.region->GetFullName(name, 0, r.levels, r.separator);
    EXPECT_STREQ(name, r.expected);
  }
  EXPECT_STREQ(CRegion::GetLevelName(0), "<Unknown>");
  EXPECT_STREQ(CRegion::GetLevelName(14), "<Level_14>");
  EXPECT_STREQ(CRegion::GetLevelName(15), "<Unknown>");
  objsch::DeleteObject(city);
}

TEST_F(Region, DetailsCarryTheIdAndFollowTheRegion) {
  for (BOOL persistent : {TRUE, FALSE}) {
    CRegion* region = CRegion::Create(3, "01", 0, persistent);
    CRegionDetails* details = CRegionDetails::Create(region);
    region->SetDetails(details);
    EXPECT_EQ(details->m_pOwner, region);
    EXPECT_EQ(details->m_nSize, 32u);
    region->SetID(12);
    EXPECT_EQ(region->GetID(), 12u);
    EXPECT_EQ(in_db(details), persistent != 0);
    EXPECT_EQ(in_db(details->m_pProviders), persistent != 0);
    EXPECT_TRUE(in_db(details->GetEmailContact().m_pString)) << "the addresses always live in the shop";
    EXPECT_TRUE(in_db(details->GetEmailOrder().m_pString));
    objsch::DeleteObject(region);
  }
}

TEST_F(Region, AChainOfThreeIsFreedExactlyOnce) {
  CRegion* head = CRegion::Create(1, "World", 0, TRUE);
  CRegion* chain[3];
  CRegion* last = head;
  for (CRegion*& link : chain) {
    link = CRegion::Create(2, "part", 0, TRUE);
    link->SetDetails(CRegionDetails::Create(link));
    last->SetLinked(link);
    last = link;
  }
  objsch::DeleteObject(head);
  unsigned count = 0, offset = 0;
  for (CRegion* link : chain)
    EXPECT_EQ(dv_qem::dv_typespec::typespec_at(link, count, offset), nullptr) << "every linked region is freed";
  dv_qem::dv_transaction::commit();
  db_->self_check();
  dv_qem::dv_transaction::begin(dv_qem::dv_transaction::update);
}

TEST_F(Region, AChainThatComesRoundIsNamedAndFreedWithEachRegionOnce) {
  // A chain that never ends would hang the test; the alarm ends it instead.
  ::alarm(20);
  CRegion* city = CRegion::Create(6, "Munich", 0, TRUE);
  CRegion* state = CRegion::Create(4, "Bavaria", 0, TRUE);
  CRegion* country = CRegion::Create(3, "Germany", 0, TRUE);
  city->SetLinked(state);
  state->SetLinked(country);
  country->SetLinked(state);  // round past the head
  CString name;
  city->GetFullName(name, 0, FALSE, ", ");
  EXPECT_STREQ(name, "Munich, Bavaria, Germany");
  objsch::DeleteObject(city);
  unsigned count = 0, offset = 0;
  for (CRegion* region : {state, country})
    EXPECT_EQ(dv_qem::dv_typespec::typespec_at(region, count, offset), nullptr) << "every linked region is freed";
  ::alarm(0);
  dv_qem::dv_transaction::commit();
  db_->self_check();
  dv_qem::dv_transaction::begin(dv_qem::dv_transaction::update);
}

class RegionInShop : public shop_test::shop_test {
 protected:
  CRegion* NewRegion(const char* name) {
    CRegion* region = CRegion::Create(4, name, -1, TRUE);
    region->SetDetails(CRegionDetails::Create(region));
    return region;
  }
};

TEST_F(RegionInShop, AddToShopDrawsIdsAndRefusesAClashingId) {
  ASSERT_EQ(root_->m_aRegions->cardinality(), 1u) << "a new shop has its first region";
  CRegion* second = NewRegion("second");
  EXPECT_EQ(second->AddToShop(), 2u);
  EXPECT_EQ(second->AddToShop(), 2u) << "registered already";
  EXPECT_EQ(root_->m_aRegions->cardinality(), 2u);

  CRegion* clash = NewRegion("clash");
  clash->SetID(1);
  EXPECT_EQ(clash->AddToShop(), 1u);
  EXPECT_EQ(root_->m_aRegions->cardinality(), 2u) << "an id in use adds nothing";
  EXPECT_FALSE(root_->m_aRegions->contains(clash));
  objsch::DeleteObject(clash);
  EXPECT_EQ(root_->m_aRegions->cardinality(), 2u) << "the clashing region was never in the list";

  CRegion* fresh = NewRegion("fresh");
  EXPECT_EQ(fresh->AddToShop(), 3u) << "ids are never reused";
}

}  // namespace
