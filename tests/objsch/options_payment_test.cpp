// Guards options and choices (defaults, ids from the Root's counters,
// registration in the shop's global lists, flag setters, destruction that
// leaves no list holding a freed object) and the shop's payment methods
// (fields as parsed, the English fallback, a second default run changing
// nothing, deleting a method deleting its pairs).
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "dv_object_cursor.h"
#include "options.h"
#include "payment.h"
#include "product.h"
#include "qem_string.h"
#include "shop_lists.h"
#include "shop_test_shop.h"

namespace {

class Options : public shop_test::shop_test {};

TEST_F(Options, DefaultsIdsAndRegistration) {
  _CatStruct& set = Product::CreateNew(TRUE)->GetCatStruct();
  COption* size = set.m_pOptions->retrieve(0);
  EXPECT_TRUE(size->IsRequired());
  EXPECT_FALSE(size->IsEnabled());
  EXPECT_EQ(size->m_nID, 0u);
  EXPECT_EQ(size->m_nNumbers[0], 200u);
  EXPECT_EQ(size->AddToCatStruct(&set), 1u) << "the first option id of a new shop";
  EXPECT_EQ(size->AddToCatStruct(&set), 1u);
  EXPECT_EQ(set.m_pOptions->cardinality(), 4u);
  EXPECT_EQ(root_->m_aAllOptions->cardinality(), 1u);

  size->SetEnable(1);
  EXPECT_TRUE(size->IsEnabled());
  size->SetEnable(2);
  EXPECT_FALSE(size->IsEnabled());
  size->SetRequired(0);
  EXPECT_FALSE(size->IsRequired());

  CChoice* small = CChoice::CreateNew(TRUE);
  small->SetName("Small", -1);
  small->SetPrice(1.5);
  small->SetOrderNo("-S");
  EXPECT_EQ(small->AddToOption(size), 1u);
  EXPECT_EQ(small->AddToOption(size), 1u);
  EXPECT_EQ(size->m_aChoices->cardinality(), 1u);
  CString name;
  small->GetName(name, -1);
  EXPECT_STREQ(name, "Small");
  EXPECT_STREQ(small->GetOrderNo(), "-S");
  EXPECT_EQ(small->GetPrice(), 1.5);

  COption* twin = COption::CreateNew(TRUE);
  twin->m_nID = 1;
  twin->AddToCatStruct(&set);
  EXPECT_EQ(root_->m_aAllOptions->cardinality(), 1u) << "an id already registered keeps the second out";
}

TEST_F(Options, DestroyingAnOptionLeavesTheGlobalLists) {
  COption* option = COption::CreateNew(TRUE);
  _CatStruct& set = Product::CreateNew(TRUE)->GetCatStruct();
  option->AddToCatStruct(&set);
  for (int i = 0; i < 3; ++i) CChoice::CreateNew(TRUE)->AddToOption(option);
  EXPECT_EQ(root_->m_aAllChoices->cardinality(), 3u);
  set.m_pOptions->remove(option);
  objsch::DeleteObject(option);
  EXPECT_EQ(root_->m_aAllOptions->cardinality(), 0u);
  EXPECT_EQ(root_->m_aAllChoices->cardinality(), 0u);
}

// How many objects of each of the named classes the shop database stores.
std::map<std::string, int> StoredCounts(dv_qem::dv_database* db) {
  std::map<std::string, int> counts;
  dv_qem::dv_object_cursor cursor(db);
  for (cursor.first(); cursor.more(); cursor.next()) {
    void* object = nullptr;
    const dv_qem::dv_typespec* ts = nullptr;
    int n = 0;
    cursor.current(object, ts, n);
    const std::string name = ts->get_name();
    if (name == "COption" || name == "CChoice" || name == "TAltNameLangPtr<COption>" ||
        name == "TAltNameLangPtr<CChoice>")
      ++counts[name];
  }
  return counts;
}

TEST_F(Options, DestroyingAProductDestroysItsOptionsAndChoices) {
  const std::map<std::string, int> before = StoredCounts(session_->GetDatabase());
  Product* product = Product::CreateNew(TRUE);
  product->AddToDepartment(root_->GetChildren()->retrieve(0), -1);
  COption* colour = COption::CreateNew(TRUE);
  colour->SetName("Colour", -1);
  colour->AddToCatStruct(&product->GetCatStruct());
  for (const char* name : {"Red", "Blue"}) {
    CChoice* choice = CChoice::CreateNew(TRUE);
    choice->SetName(name, -1);
    choice->AddToOption(colour);
  }
  ASSERT_EQ(root_->m_aAllOptions->cardinality(), 1u);
  ASSERT_EQ(root_->m_aAllChoices->cardinality(), 2u);

  objsch::DeleteObject(product);

  EXPECT_EQ(root_->m_aAllOptions->cardinality(), 0u) << "no registered option outlives its product";
  EXPECT_EQ(root_->m_aAllChoices->cardinality(), 0u) << "no registered choice outlives its product";
  EXPECT_EQ(StoredCounts(session_->GetDatabase()), before) << "the options, choices and their items are freed";
}

class PayMethods : public shop_test::shop_test {};

TEST_F(PayMethods, FieldsAsTheDescriptionFileGivesThem) {
  CPayMethod* cheque = root_->GetShopInfo().m_aPayMethods->retrieve(3);
  EXPECT_STREQ(cheque->GetText(-1), "Send a cheque");
  ASSERT_EQ(cheque->m_pFields->cardinality(), 2u);
  CPayMethField* first = cheque->m_pFields->retrieve(0);
  EXPECT_STREQ(first->GetText(-1), "Name on the cheque");
  EXPECT_EQ(first->GetKind(), 1);
  EXPECT_TRUE(first->IsRequired());
  EXPECT_EQ(first->m_nWidth, 40);
  EXPECT_EQ(first->m_nMaxLength, 64);
  EXPECT_EQ(first->m_nDefaultChoice, -1);
  CPayMethod* order = root_->GetShopInfo().m_aPayMethods->retrieve(2);
  CPayMethField* invoice = order->m_pFields->retrieve(2);
  EXPECT_EQ(invoice->GetKind(), 5);
  ASSERT_EQ(invoice->m_pChoices->cardinality(), 3u);
  EXPECT_STREQ(invoice->m_pChoices->retrieve(1)->GetText(-1), "E-mail");
  EXPECT_EQ(invoice->m_nDefaultChoice, 0);
}

TEST_F(PayMethods, AMissingLanguageSectionFallsBackToEnglish) {
  CPayMethod* method = CPayMethod::CreateNew(TRUE);
  EXPECT_EQ(ParsePayMethodFields(*method, "payment methods\\sendcheck.ini", "IT"), 2);
  EXPECT_EQ(method->m_pFields->cardinality(), 2u);
  EXPECT_STREQ(method->m_pFields->retrieve(1)->GetText(-1), "Cheque number");
  EXPECT_EQ(ParsePayMethodFields(*method, "payment methods\\absent.ini", "EN"), 0);
  EXPECT_EQ(method->m_pFields->cardinality(), 2u) << "nothing to read keeps the old fields";
  objsch::DeleteObject(method);
}

TEST_F(PayMethods, ASecondDefaultRunChangesNothing) {
  ShopInfo& info = root_->GetShopInfo();
  EXPECT_EQ(CreateDefaultPayMethods(info), 4);
  EXPECT_EQ(info.m_aPayMethods->cardinality(), 4u);
  EXPECT_EQ(info.m_aPayMethodPairs->cardinality(), 4u);
  EXPECT_EQ(info.m_aPayServices->cardinality(), 1u);
}

TEST_F(PayMethods, DeletingAMethodDeletesItsPairs) {
  ShopInfo& info = root_->GetShopInfo();
  CPayMethod* method = info.m_aPayMethods->retrieve(1);
  objsch::DeleteObject(method);
  EXPECT_EQ(info.m_aPayMethods->cardinality(), 3u);
  ASSERT_EQ(info.m_aPayMethodPairs->cardinality(), 3u);
  for (unsigned i = 0; i < 3; ++i) EXPECT_NE(info.m_aPayMethodPairs->retrieve(i)->m_pMethod, method);
  objsch::DeleteObject(info.m_aPayServices->retrieve(0));
  EXPECT_EQ(info.m_aPayServices->cardinality(), 0u);
  EXPECT_EQ(info.m_aPayMethodPairs->cardinality(), 0u) << "deleting the service deletes the pairs naming it";
}

}  // namespace
