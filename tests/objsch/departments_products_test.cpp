// Guards departments and products in a shop: their defaults, ids drawn from
// the Root's counters, links that are added once on each side, the type
// word and flag rules, the older-format id rule, and the shop's
// last-change stamp.
#include <gtest/gtest.h>

#include "department.h"
#include "product.h"
#include "qem_string.h"
#include "shop_test_shop.h"

namespace {

class Departments : public shop_test::shop_test {};

TEST_F(Departments, ANewDepartment) {
  Department* d = Department::CreateNew(TRUE);
  ASSERT_EQ(d->GetLangItems()->cardinality(), 1u);
  EXPECT_STREQ(d->GetLangItems()->retrieve(0)->m_strName, "My Shop");
  EXPECT_EQ(d->GetID(), 0u);
  EXPECT_EQ(d->GetDeptType() & 0x3ffff, 0x10000u);
  EXPECT_TRUE(d->UsesLogo());
  EXPECT_STREQ(d->m_strName, "");
  EXPECT_EQ(d->m_nSize, 372u);
  EXPECT_EQ(d->m_styles.m_ulFlags, 0x584u);
  EXPECT_EQ(d->m_styles.nIndexFontSize, 2);
  EXPECT_EQ(d->m_styles.m_nColumnsPerLine, 4);
}

TEST_F(Departments, LinksAndIds) {
  Department* d = Department::CreateNew(TRUE);
  objsch::dv4u id = d->AddToParent(root_->GetMyShopDept());
  EXPECT_EQ(id, 4u) << "the three sample departments drew 1 to 3";
  EXPECT_EQ(d->AddToParent(root_->GetMyShopDept()), id);
  EXPECT_EQ(root_->GetChildren()->cardinality(), 4u);

  Department* twice = Department::CreateNew(TRUE);
  EXPECT_EQ(twice->AddToShop(), 5u);
  EXPECT_EQ(twice->AddToShop(), 5u);
  EXPECT_EQ(root_->GetChildren()->cardinality(), 6u) << "AddToShop does not look for a duplicate";

  Department* second = Department::CreateNew(TRUE);
  second->SetDeptType2(1);
  EXPECT_EQ(second->AddToParent(d), 1u) << "the second family counts on its own";
  EXPECT_EQ(second->GetParent(), d);

  g_bOldShopFormat = 1;
  Department* old = Department::CreateNew(TRUE);
  EXPECT_EQ(old->AddToParent(d), 6u);
  EXPECT_EQ(old->AddToParent(d), 6u) << "already a child: the id it has";
  EXPECT_EQ(old->AssignId(), 7u) << "the older format draws a new id every time";
  g_bOldShopFormat = 0;
}

TEST_F(Departments, TypeWordAndNames) {
  Department* d = Department::CreateNew(TRUE);
  d->SetDeptTypeRaw(0xfff12003);
  EXPECT_TRUE(d->IsAllProducts());
  EXPECT_TRUE(d->IsSpecial());
  d->SetDeptType(0);
  EXPECT_EQ(d->GetDeptType() & 0x3ffff, 0u);
  EXPECT_EQ(d->GetDeptType(), 0xfff00000u);
  d->SetDeptTypeRaw(0x12005);
  EXPECT_FALSE(d->IsSpecial());
  d->SetName("Shoes", 0);
  EXPECT_STREQ(d->m_strName, "Shoes");
  CString name;
  d->GetName(name, 0);
  EXPECT_STREQ(name, "Shoes");
  d->SetUsesLogo(2);
  EXPECT_FALSE(d->UsesLogo());
}

TEST_F(Departments, AChangeMovesTheShopsLastChangeOnly) {
  CModHistory& shop = root_->GetHistory().GetModHistory();
  const DATE created = static_cast<DATE>(shop.GetCreation().m_date);
  EXPECT_GT(created, 0.0);
  shop.GetLastChange().SetDate(COleDateTime(2001, 1, 1, 0, 0, 0));
  Department::CreateNew(TRUE)->AddToShop();
  EXPECT_GT(static_cast<DATE>(shop.GetLastChange().m_date), static_cast<DATE>(COleDateTime(2001, 1, 1, 0, 0, 0)));
  EXPECT_EQ(static_cast<DATE>(shop.GetCreation().m_date), created);
}

class Products : public shop_test::shop_test {};

TEST_F(Products, ANewProduct) {
  Product* p = Product::CreateNew(TRUE);
  EXPECT_EQ(p->GetID(), 0u);
  EXPECT_EQ(p->m_nState, 1u);
  EXPECT_EQ(p->m_nQuantity, -1);
  EXPECT_EQ(p->nOrderQuantitiyMin, -1);
  EXPECT_EQ(p->nOrderQuantitiyMax, -1);
  EXPECT_EQ(p->nWidth + p->nHeight + p->nLength + p->nVolume, 0.0);
  EXPECT_EQ(p->GetPriceWeight().bPrByWg, 1u);
  EXPECT_EQ(p->m_nSmallFields & 15, 1u);
  for (objsch::dv4u bit = 0; bit < 32; ++bit) {
    bool set = bit == 0 || bit == 1 || bit == 12 || bit == 15 || bit == 16 || bit == 19 || bit == 20 || bit == 22 ||
               bit == 25;
    EXPECT_EQ(p->GetFlag(bit), set ? 1 : 0) << bit;
  }
  EXPECT_EQ(p->GetShippingList()->cardinality(), 3u);
  EXPECT_EQ(p->m_codes.GetCount(), 5u);
  const char* options[] = {"Size", "Color", "Option1", "Option2"};
  ASSERT_EQ(p->GetCatStruct().m_pOptions->cardinality(), 4u);
  for (unsigned i = 0; i < 4; ++i) {
    CString name;
    p->GetCatStruct().m_pOptions->retrieve(i)->GetName(name, 0);
    EXPECT_STREQ(name, options[i]);
  }
  ASSERT_EQ(p->m_pLangItems->cardinality(), 1u);
  CString name;
  p->GetName(name, -1);
  EXPECT_STREQ(name, "New Product");
  EXPECT_EQ(p->m_bBuildingLangItem, 0u);
}

TEST_F(Products, LogoBitsExcludeEachOther) {
  Product* p = Product::CreateNew(TRUE);
  p->SetFlag23(1);
  EXPECT_EQ(p->GetFlag(22), 0);
  EXPECT_EQ(p->GetFlag(23), 1);
  p->SetFlag23(0);
  EXPECT_EQ(p->GetFlag(22) + p->GetFlag(23) + p->GetFlag(24), 0);
  p->SetFlag24(1);
  p->SetFlag22(1);
  EXPECT_EQ(p->GetFlag(24), 0);
  EXPECT_EQ(p->GetFlag(22), 1);
  p->SetFlag(40, 1);  // outside the 32 flag bits: nothing
  EXPECT_EQ(p->GetFlag(40), 0);
}

TEST_F(Products, RegistrationAndLinksHappenOnce) {
  Department* all = root_->GetAllProductsDept();
  unsigned before = all->GetProducts()->cardinality();
  Product* p = Product::CreateNew(TRUE);
  EXPECT_EQ(p->AddToDepartment(all, -1), 1u) << "the first product id";
  EXPECT_EQ(p->AddToDepartment(all, -1), 1u);
  EXPECT_EQ(all->GetProducts()->cardinality(), before + 1);

  Department* d = root_->GetChildren()->retrieve(0);
  p->LinkToDepartment(d, -1);
  p->LinkToDepartment(d, -1);
  EXPECT_EQ(d->GetProducts()->cardinality(), 1u);
  EXPECT_EQ(p->m_pDepartments->cardinality(), 1u);
  EXPECT_EQ(p->AddToDepartment(d, -1), 1u);
  EXPECT_EQ(d->GetProducts()->cardinality(), 1u);
  EXPECT_EQ(all->GetProducts()->cardinality(), before + 1);

  Product* q = Product::CreateNew(TRUE);
  EXPECT_EQ(q->AddToDepartment(d, -1), 2u);
  EXPECT_EQ(d->GetProducts()->retrieve(1), q);
}

}  // namespace
