// Guards the shop schema: every one of the 159 persistent classes is
// registered, in order, before any database is opened, with the stored size,
// pointer fields and virtual-table pointers that shop files carry for it --
// or, for a class whose pointers lie at places not known here, marked so
// that its objects are never moved to another address.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "dv_database.h"
#include "dv_outofline_collection.h"
#include "dv_typespec.h"
#include "shop_schema.h"

using dv_qem::dv4s;
using dv_qem::dv_basic_typespec;

namespace {

// What a registered descriptor holds, read from its offset list.
struct described {
  std::vector<dv4s> pointers;
  std::vector<dv4s> vtable_offsets;
  std::vector<dv4s> vtable_addresses;
};

described read(const dv_basic_typespec& ts) {
  described d;
  const dv4s* entry = ts.offsets();
  while (*entry != -1) d.pointers.push_back(*entry++);
  ++entry;
  for (; entry[1] != 0; entry += 2) {
    d.vtable_offsets.push_back(entry[0]);
    d.vtable_addresses.push_back(entry[1]);
  }
  return d;
}

// The schema as stored files carry it: each class's size, number of pointer
// fields and virtual-table pointers.
struct expected_class {
  const char* name;
  unsigned size;
  unsigned pointers;
  std::vector<dv4s> vtables;
};

const std::vector<expected_class>& expected_schema() {
  static const std::vector<expected_class> rows = {
      {"CMyString", 4, 1, {}}, {"old_CMyString", 4, 1, {}}, {"CNameLangPtr", 20, 3, {}},
      {"ShopInfo_Lang", 256, 33, {128}}, {"COsType", 20, 3, {}}, {"CountryInfo", 104, 10, {}},
      {"CDiscountSettings", 48, 3, {}}, {"CPictureInfo", 16, 2, {}}, {"_PriceRange", 32, 1, {}},
      {"_Postage", 60, 10, {20}}, {"_ByWeightPrice", 32, 0, {}}, {"_PostInfo", 16, 3, {}},
      {"_PostInfoStruct", 28, 1, {}}, {"_ShippingProvider", 8, 1, {}}, {"CMyStringArray", 8, 1, {}},
      {"_PaymentMode", 16, 3, {}}, {"_PaymentInfo", 16, 2, {}}, {"CBitsArray", 8, 1, {}},
      {"CPersonalInfo", 36, 2, {0}}, {"CMLText", 12, 1, {0}}, {"CPayMethod", 32, 4, {0}},
      {"CPayMethField", 64, 5, {0}}, {"CQuestionaire", 52, 4, {0}}, {"CGraphicsUsed", 28, 4, {0}},
      {"CActiveLanguage", 8, 1, {}}, {"ShopHeader", 17, 2, {}}, {"old_ShopHeader", 17, 2, {}},
      {"old__PaymentInfo", 8, 1, {}}, {"old__PaymentMode", 8, 2, {}}, {"old__PostInfo", 8, 2, {}},
      {"old__Postage", 36, 8, {}}, {"_TaxInfoStruct", 12, 1, {}}, {"old__TaxInfoStruct", 12, 1, {}},
      {"_Tax", 152, 8, {76, 88, 100, 112, 124, 136}}, {"old__Tax", 72, 5, {}},
      {"PostageTax", 220, 19, {80, 92, 104, 116, 128, 140, 176}}, {"old_PostageTax", 108, 13, {}},
      {"WebInfo", 28, 7, {}}, {"old_WebInfo", 28, 7, {}}, {"_WallInfo", 16, 4, {}}, {"old__WallInfo", 16, 4, {}},
      {"_PriceWeight", 28, 1, {}}, {"old__PriceWeight", 20, 0, {}}, {"_Shipping", 20, 1, {}},
      {"old__Shipping", 8, 0, {}}, {"old__PriceRange", 16, 0, {}}, {"CSearchEngine", 16, 2, {0}},
      {"Department", 372, 52, {}}, {"_ShopEntity", 28, 3, {}}, {"CNameAddr", 20, 2, {}},
      {"Department_Lang", 56, 10, {}}, {"Product", 340, 34, {}}, {"CHtmlCode", 20, 3, {}},
      {"CLinkInfo", 20, 3, {}}, {"DisplayStyles", 156, 20, {}}, {"TAltNameLangPtr<CPictureInfo>", 32, 6, {}},
      {"CTagValuePair", 16, 3, {}}, {"CModHistory", 64, 7, {}}, {"CModiDetail", 28, 3, {}},
      {"CAppInfo", 32, 3, {}}, {"CShippingProvider", 24, 1, {0}}, {"CRegion", 28, 3, {0}},
      {"CRegionDetails", 32, 6, {}}, {"CShippingMethod", 44, 3, {0}}, {"CShipMethodsList", 16, 3, {}},
      {"_CatStruct", 16, 2, {}}, {"COption", 56, 4, {}}, {"Product_Lang", 128, 24, {}},
      {"CFeatureInfo", 12, 1, {}}, {"CTaxingMethod", 36, 3, {0}}, {"_DiscountsList", 4, 1, {}},
      {"old_CountryInfo", 60, 7, {}}, {"CDefiTxts", 32, 2, {}}, {"CPayServiceDetails", 20, 4, {}},
      {"CPayServiceMethodPair", 16, 3, {}}, {"CChoice", 68, 3, {}}, {"TAltNameLangPtr<CChoice>", 32, 6, {}},
      {"old__SubCatInfo", 28, 3, {}}, {"TAltNameLangPtr<COption>", 32, 6, {}}, {"old__SubCatStruct", 16, 2, {}},
      {"old__CatStruct", 8, 1, {}}, {"CHistory", 80, 9, {}}, {"TAltNameLangPtr<CFeatureInfo>", 32, 6, {}},
      {"CTemplateStyle", 28, 4, {}}, {"old_DisplayStyles", 44, 4, {}}, {"old_Department", 100, 13, {}},
      {"Root", 416, 60, {229}}, {"ShopInfo", 200, 22, {176}}, {"CZone", 16, 2, {0}}, {"old__Product", 84, 9, {}},
      {"old_ShopInfo", 104, 22, {}}, {"CDeptInfo", 12, 2, {}}, {"CRegionLevel", 8, 1, {}}, {"old_Root", 396, 63, {}},
      {"CSingletonPool", 172, 40, {}},
      {"kv_pair<old__SubCatInfo,CChoice>", 12, 2, {}}, {"kv_pair<old__SubCatStruct,COption>", 12, 2, {}},
      {"kv_pair<old__CatStruct,_CatStruct>", 12, 2, {}}, {"kv_pair<old_CountryInfo,CountryInfo>", 12, 2, {}},
      {"kv_pair<old_DisplayStyles,DisplayStyles>", 12, 2, {}}, {"kv_pair<old__Shipping,_Shipping>", 12, 2, {}},
      {"kv_pair<old__TaxInfoStruct,_TaxInfoStruct>", 12, 2, {}}, {"kv_pair<old__Tax,_Tax>", 12, 2, {}},
      {"kv_pair<old__Postage,_Postage>", 12, 2, {}}, {"kv_pair<old__PostInfo,_PostInfo>", 12, 2, {}},
      {"kv_pair<old_PostageTax,PostageTax>", 12, 2, {}}, {"kv_pair<old__PriceRange,_PriceRange>", 12, 2, {}},
      {"kv_pair<old__PriceWeight,_PriceWeight>", 12, 2, {}}, {"kv_pair<old__PaymentInfo,_PaymentInfo>", 12, 2, {}},
      {"kv_pair<old__PaymentMode,_PaymentMode>", 12, 2, {}}, {"kv_pair<old_Department,Department>", 12, 2, {}},
      {"kv_pair<old__Product,Product>", 12, 2, {}}, {"kv_pair<old_ShopInfo,ShopInfo>", 12, 2, {}},
      {"kv_pair<old_Root,Root>", 12, 2, {}}, {"_SubCatInfo", 28, 3, {}}, {"_SubCatStruct", 16, 2, {}},
      {"CMiscFlags", 8, 2, {}},
      {"TListActions<CDeptInfo,CDeptInfo>", 8, 2, {}}, {"TListActions<Department_Lang,Department_Lang>", 8, 2, {}},
      {"TListActions<Product_Lang,Product_Lang>", 8, 2, {}}, {"TListActions<ShopInfo_Lang,ShopInfo_Lang>", 8, 2, {}},
      {"TListActions<CShippingProvider,CShippingProvider>", 8, 2, {}},
      {"TListActions<CNameLangPtr,CNameLangPtr>", 8, 2, {}}, {"TListActions<CTaxingMethod,CTaxingMethod>", 8, 2, {}},
      {"TListActions<Department,Department>", 8, 2, {}}, {"TListActions<Product,Product>", 8, 2, {}},
      {"TListActions<CRegion,CRegion>", 8, 2, {}}, {"TListActions<CRegionLevel,CRegionLevel>", 8, 2, {}},
      {"TListActions<_PriceRange,_PriceRange>", 8, 2, {}}, {"TListActions<CChoice,CChoice>", 8, 2, {}},
      {"TListActions<COption,COption>", 8, 2, {}}, {"TListActions<CLinkInfo,CLinkInfo>", 8, 2, {}},
      {"TAltNameLangPtr<CHtmlCode>", 32, 6, {}}, {"TAltNameLangPtr<_SubCatInfo>", 32, 6, {}},
      {"TAltNameLangPtr<_SubCatStruct>", 32, 6, {}},
      {"TListActions<TAltNameLangPtr<CFeatureInfo>,TAltNameLangPtr<CFeatureInfo> >", 8, 2, {}},
      {"TListActions<TAltNameLangPtr<CPictureInfo>,TAltNameLangPtr<CPictureInfo> >", 8, 2, {}},
      {"TListActions<TAltNameLangPtr<CChoice>,TAltNameLangPtr<CChoice> >", 8, 2, {}},
      {"TListActions<TAltNameLangPtr<COption>,TAltNameLangPtr<COption> >", 8, 2, {}},
      {"TListActions<TAltNameLangPtr<CFeatureInfo>,void>", 8, 2, {}},
      {"TListActions<TAltNameLangPtr<CPictureInfo>,void>", 8, 2, {}},
      {"TListActions<TAltNameLangPtr<CChoice>,void>", 8, 2, {}},
      {"TListActions<TAltNameLangPtr<COption>,void>", 8, 2, {}},
      {"kv_pair<old_CMyString,CMyString>", 12, 2, {}}, {"kv_pair<void,void>", 12, 2, {}},
      {"kv_pair<CHtmlCode,CHtmlCode>", 12, 2, {}}, {"kv_pair<CPictureInfo,CPictureInfo>", 12, 2, {}},
      {"kv_pair<CLinkInfo,CLinkInfo>", 12, 2, {}}, {"kv_pair<CMyString,CMyString>", 12, 2, {}},
      {"kv_pair<_PriceRange,_PriceRange>", 12, 2, {}}, {"kv_pair<CQuestionaire,CQuestionaire>", 12, 2, {}},
      {"kv_pair<Product,Product>", 12, 2, {}}, {"kv_pair<CMLText,CMLText>", 12, 2, {}},
      {"kv_pair<CPayMethod,CPayMethod>", 12, 2, {}}, {"kv_pair<CPayServiceDetails,CPayServiceDetails>", 12, 2, {}},
      {"kv_pair<CPayServiceMethodPair,CPayServiceMethodPair>", 12, 2, {}},
      {"CListSort<Product>", 12, 2, {}}, {"CListSort<Department>", 12, 2, {}}, {"tagKeyQuestPair", 8, 2, {}},
  };
  return rows;
}

// The classes of which shop files carry pointers or a virtual table at
// places this program does not know: only their size is described, and an
// object of them is never moved to another address.
const std::set<std::string>& unknown_layouts() {
  static const std::set<std::string> names = {
      "COsType", "_PaymentMode", "_PaymentInfo", "CPersonalInfo", "CGraphicsUsed", "old_ShopHeader",
      "old__PaymentInfo", "old__Postage", "_TaxInfoStruct", "old__TaxInfoStruct", "old__Tax", "old_PostageTax",
      "old_WebInfo", "old__WallInfo", "CNameAddr", "CHtmlCode", "CTagValuePair", "CAppInfo", "old_CountryInfo",
      "old__SubCatInfo", "old__SubCatStruct", "old__CatStruct", "CTemplateStyle", "old_DisplayStyles",
      "old_Department", "CZone", "old__Product", "old_ShopInfo", "CDeptInfo", "old_Root", "_SubCatInfo",
      "_SubCatStruct"};
  return names;
}

const dv_basic_typespec& registered(const char* name) {
  auto* ts = dynamic_cast<dv_basic_typespec*>(dv_qem::dv_typespec::get_typespec(name));
  if (ts == nullptr) throw std::runtime_error(std::string("not registered: ") + name);
  return *ts;
}

TEST(ShopSchema, EveryClassIsRegisteredInOrderBeforeAnyDatabaseOpens) {
  const auto& rows = expected_schema();
  ASSERT_EQ(rows.size(), objsch::kShopClassCount);
  const objsch::shop_class* classes = objsch::shop_classes();
  std::set<std::string> names;
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].name);
    EXPECT_STREQ(classes[i].name, rows[i].name) << "registration position " << i;
    EXPECT_EQ(&registered(rows[i].name), classes[i].typespec);
    EXPECT_STREQ(classes[i].typespec->get_name(), rows[i].name);
    names.insert(rows[i].name);
  }
  EXPECT_EQ(names.size(), objsch::kShopClassCount) << "a name is registered twice";
}

TEST(ShopSchema, SizesPointerFieldsAndVirtualTablesMatchTheStoredSchema) {
  for (const auto& row : expected_schema()) {
    SCOPED_TRACE(row.name);
    const dv_basic_typespec& ts = registered(row.name);
    described d = read(ts);
    EXPECT_EQ(ts.get_size(), row.size);
    if (unknown_layouts().count(row.name) != 0) {
      EXPECT_TRUE(ts.has_unknown_layout()) << "a class whose pointers are not described is never moved";
      EXPECT_TRUE(d.pointers.empty());
      EXPECT_TRUE(d.vtable_offsets.empty());
      continue;
    }
    EXPECT_FALSE(ts.has_unknown_layout());
    EXPECT_EQ(d.pointers.size(), row.pointers);
    EXPECT_EQ(d.vtable_offsets, row.vtables);
    std::set<dv4s> distinct(d.pointers.begin(), d.pointers.end());
    EXPECT_EQ(distinct.size(), d.pointers.size()) << "a pointer field is listed twice";
    for (dv4s offset : d.pointers) {
      EXPECT_GE(offset, 0);
      EXPECT_LE(offset + 4, static_cast<dv4s>(row.size));
      EXPECT_TRUE(std::find(d.vtable_offsets.begin(), d.vtable_offsets.end(), offset) == d.vtable_offsets.end())
          << "offset " << offset << " is both a pointer and a virtual-table pointer";
    }
    for (dv4s address : d.vtable_addresses) EXPECT_NE(address, 0);
  }
}

// The pointer fields of a few classes (shells of known layout among them),
// as stored files carry them.
TEST(ShopSchema, PointerFieldsOfTheLanguageItemsAndTheRoot) {
  struct row {
    const char* name;
    std::vector<dv4s> pointers;
  };
  const row rows[] = {
      {"CMyString", {0}},
      {"CNameLangPtr", {4, 8, 16}},
      {"TAltNameLangPtr<COption>", {4, 8, 16, 20, 24, 28}},
      {"TAltNameLangPtr<_SubCatStruct>", {4, 8, 16, 20, 24, 28}},
      {"CMyStringArray", {4}},
      {"CBitsArray", {4}},
      {"CActiveLanguage", {0}},
      {"CModiDetail", {4, 8, 24}},
      {"CRegion", {8, 20, 24}},
      {"_Shipping", {16}},
      {"_PriceRange", {28}},
      {"_PostInfoStruct", {0}},
      {"_ShippingProvider", {0}},
      {"CRegionLevel", {4}},
      {"old_CMyString", {0}},
      {"CMiscFlags", {0, 4}},
      {"TListActions<Product,Product>", {0, 4}},
      {"TListActions<TAltNameLangPtr<COption>,void>", {0, 4}},
      {"CListSort<Department>", {0, 8}},
      {"kv_pair<old_Root,Root>", {0, 4}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    described d = read(registered(r.name));
    std::vector<dv4s> sorted = d.pointers;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, r.pointers);
  }
  // The byte-packed Root: the shop information starts at byte 53, so its
  // flag bytes and first text lie at 101 and 105; the counters at 404.
  described root = read(registered("Root"));
  for (dv4s offset : {0, 4, 8, 12, 16, 28, 36, 40, 101, 105, 233, 249, 253, 277, 284, 320, 332, 400, 404, 412})
    EXPECT_TRUE(std::find(root.pointers.begin(), root.pointers.end(), offset) != root.pointers.end())
        << "Root lacks the pointer field at " << offset;
  EXPECT_TRUE(std::find(root.pointers.begin(), root.pointers.end(), 161) == root.pointers.end())
      << "the shop's discounts word is not a pointer field";
}

// The virtual tables learnt for the embedded list facades are the facade's.
TEST(ShopSchema, EmbeddedFacadesCarryTheFacadeVirtualTable) {
  described facade = read(dv_qem::dv_ts<dv_qem::dv_outofline_collection>::the_instance);
  ASSERT_EQ(facade.vtable_addresses.size(), 1u);
  for (const char* name : {"Root", "ShopInfo", "ShopInfo_Lang", "_Postage", "_Tax", "PostageTax"}) {
    SCOPED_TRACE(name);
    described d = read(registered(name));
    ASSERT_FALSE(d.vtable_addresses.empty());
    for (dv4s address : d.vtable_addresses) EXPECT_EQ(address, facade.vtable_addresses[0]);
  }
  std::set<dv4s> own;
  for (const char* name : {"CMLText", "CRegion", "CQuestionaire", "CPayMethField", "CPayMethod"}) {
    described d = read(registered(name));
    ASSERT_EQ(d.vtable_addresses.size(), 1u) << name;
    own.insert(d.vtable_addresses[0]);
  }
  EXPECT_EQ(own.size(), 5u) << "each class with virtual functions has a table of its own";
}

}  // namespace
