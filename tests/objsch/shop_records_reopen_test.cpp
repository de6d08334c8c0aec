// Guards the stored layout of link records, the region-bound shipping and
// tax records and the search-engine record: a shop holding them (and
// products placed at positions) is saved, reopened in another process at
// another address with the self-check and the illegal-pointer check on,
// and every pointer read back (records, providers, owners, virtual tables)
// leads where it led when the shop was written.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "department.h"
#include "dv_test_process.h"
#include "dv_transaction.h"
#include "link_info.h"
#include "product.h"
#include "region.h"
#include "root.h"
#include "search_engine.h"
#include "shipping_methods.h"
#include "shop_lists.h"
#include "shop_session.h"
#include "shop_test_db.h"
#include "shop_test_program.h"
#include "transaction_scope.h"

namespace {

class ShopRecordsReopen : public ::testing::Test {
 protected:
  void SetUp() override {
    shop_test::clear_shop_state();
    shop_test::install_program_folder(program_.path());
    shop_ = dir_ / "shop.kvc";
  }
  void TearDown() override { shop_test::clear_shop_state(); }

  shop_test::runtime runtime_;
  dv_test::scratch_dir program_;
  dv_test::scratch_dir dir_;
  std::string shop_;
};

class ShopRecordsReopenChild : public ShopRecordsReopen {
 protected:
  void SetUp() override {
    if (!dv_test::is_child()) GTEST_SKIP() << "runs in a child process";
    ShopRecordsReopen::SetUp();
    shop_ = std::getenv("DV_TEST_FILE");
  }
};

TEST_F(ShopRecordsReopen, RecordsReadBackInAnotherProcessAtAnotherAddress) {
  {
    CShopSession session;
    session.Create(shop_.c_str());
    CTransactionScope scope;
    Root* root = session.GetRoot();
    Department* d = root->GetChildren()->retrieve(0);
    Product* first = Product::CreateNew(TRUE);
    Product* second = Product::CreateNew(TRUE);
    first->InsertAfter(d, -1);
    second->InsertBefore(d, 0);
    d->GetLinks()->insert_last(objsch::NewObject<CLinkInfo>(TRUE, CLinkInfo::kNamesProduct, nullptr, first));
    first->m_pLinks->insert_last(
        objsch::NewObject<CLinkInfo>(TRUE, CLinkInfo::kNamesDepartment | CLinkInfo::kReverse, d, nullptr));

    auto* engine = objsch::NewObject<CSearchEngine>(TRUE, TRUE);
    engine->SetText("Finder", -1);
    engine->m_pItems2->insert_last(objsch::NewObject<CMLText>(TRUE, TRUE));
    d->m_pSearchEngine = engine;

    CRegionDetails* details = root->m_aRegions->retrieve_first()->GetDetails();
    auto* provider = objsch::NewObject<CShippingProvider>(TRUE, TRUE);
    provider->SetText("Parcel Co", -1);
    details->m_pProviders->insert_last(provider);
    auto* methods = objsch::NewObject<CShipMethodsList>(TRUE, TRUE);
    methods->m_nOptionBits = 4;
    methods->m_pOwnerProduct = first;
    auto* method = objsch::NewObject<CShippingMethod>(TRUE, TRUE);
    method->m_pProvider = provider;
    methods->m_pMethods->insert_last(method);
    details->m_pShipMethodLists->insert_last(methods);
    root->m_aRegions->retrieve_first()->SetDetails(details);
    auto* tax = objsch::NewObject<CTaxingMethod>(TRUE, TRUE);
    tax->fTaxPercentage = 7.0;
    tax->m_pProducts->insert_last(first);
    first->m_pTaxingMethods->insert_last(tax);
    details->m_pTaxingMethods->insert_last(tax);
    scope.Commit();
  }
  const dv_test::env_list env = {
      {"DV_TEST_FILE", shop_}, {"DV_QEM_AS_START", "0x24100000"}, {"DV_QEM_CHK_ILLEGAL_PTR", "1"}};
  EXPECT_EQ(dv_test::run_child("ShopRecordsReopenChild.ReadBack", env), 0);
}

TEST_F(ShopRecordsReopenChild, ReadBack) {
  CShopSession session;
  session.Open(shop_.c_str());
  session.GetDatabase()->self_check();
  CTransactionScope scope;
  Root* root = session.GetRoot();
  Department* d = root->GetChildren()->retrieve(0);
  ASSERT_EQ(d->GetProducts()->cardinality(), 2u);
  Product* second = d->GetProducts()->retrieve(0);
  Product* first = d->GetProducts()->retrieve(1);
  EXPECT_EQ(first->GetID(), 1u);
  EXPECT_EQ(second->GetID(), 2u);
  EXPECT_EQ(first->m_pDepartments->retrieve_first(), d);

  ASSERT_EQ(d->GetLinks()->cardinality(), 1u);
  EXPECT_EQ(d->GetLinks()->retrieve_first()->m_pProduct, first);
  ASSERT_EQ(first->m_pLinks->cardinality(), 1u);
  EXPECT_EQ(first->m_pLinks->retrieve_first()->m_pDepartment, d);
  EXPECT_TRUE(first->m_pLinks->retrieve_first()->IsReverse());

  ASSERT_NE(d->m_pSearchEngine, nullptr);
  EXPECT_STREQ(d->m_pSearchEngine->GetText(-1), "Finder");
  ASSERT_EQ(d->m_pSearchEngine->m_pItems2->cardinality(), 1u);

  CRegion* region = root->m_aRegions->retrieve_first();
  CRegionDetails* details = region->GetDetails();
  ASSERT_EQ(details->m_pProviders->cardinality(), 1u);
  CShippingProvider* provider = details->m_pProviders->retrieve_first();
  EXPECT_STREQ(provider->GetText(-1), "Parcel Co");
  ASSERT_EQ(details->m_pShipMethodLists->cardinality(), 1u);
  CShipMethodsList* methods = details->m_pShipMethodLists->retrieve_first();
  EXPECT_TRUE(methods->ByWeightCurveLine());
  EXPECT_EQ(methods->m_pOwnerRegion, region);
  EXPECT_EQ(methods->m_pOwnerProduct, first);
  ASSERT_EQ(methods->m_pMethods->cardinality(), 1u);
  EXPECT_EQ(methods->m_pMethods->retrieve_first()->m_pProvider, provider);
  ASSERT_EQ(details->m_pTaxingMethods->cardinality(), 1u);
  CTaxingMethod* tax = details->m_pTaxingMethods->retrieve_first();
  EXPECT_EQ(tax->fTaxPercentage, 7.0);
  EXPECT_EQ(tax->m_pProducts->retrieve_first(), first);

  // The virtual tables were relocated: destroying runs this process's code.
  objsch::DeleteObject(first);
  EXPECT_EQ(tax->m_pProducts->cardinality(), 0u);
  EXPECT_EQ(d->GetLinks()->cardinality(), 0u);
  d->RemoveFromList(root->GetChildren());
  Department::Delete(d);
  dv_qem::durnavel::free_memory(d);
  objsch::DeleteObject(region);
  scope.Commit();
  session.GetDatabase()->self_check();
}

}  // namespace
