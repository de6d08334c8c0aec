// Persistent classes of the shop schema that this program never creates and
// never embeds in a class it creates: the older generation of the shop
// classes (old_*), the old-to-current pairs, and current classes whose
// objects only other programs make. Each is a shell of its stored size. Its
// descriptor names no pointer field and no virtual table: no object of it
// is ever made here, and stored offsets we could not check against our own
// members would let relocation change words it does not understand.
#pragma once

#include <cstddef>

namespace objsch {

// Size bytes that this program never reads.
template <size_t Size>
struct shop_shell {
  unsigned char m_bytes[Size];
};

}  // namespace objsch

#define SHOP_SHELL(NAME, SIZE)                 \
  class NAME : public objsch::shop_shell<SIZE> { \
  };                                           \
  static_assert(sizeof(NAME) == SIZE)

SHOP_SHELL(old_CMyString, 4);
SHOP_SHELL(COsType, 20);
SHOP_SHELL(_PriceRange, 32);
SHOP_SHELL(_ByWeightPrice, 32);
SHOP_SHELL(_PostInfoStruct, 28);
SHOP_SHELL(_ShippingProvider, 8);
SHOP_SHELL(_PaymentMode, 16);
SHOP_SHELL(_PaymentInfo, 16);
SHOP_SHELL(CPersonalInfo, 36);
SHOP_SHELL(CGraphicsUsed, 28);
SHOP_SHELL(old_ShopHeader, 17);
SHOP_SHELL(old__PaymentInfo, 8);
SHOP_SHELL(old__PaymentMode, 8);
SHOP_SHELL(old__PostInfo, 8);
SHOP_SHELL(old__Postage, 36);
SHOP_SHELL(_TaxInfoStruct, 12);
SHOP_SHELL(old__TaxInfoStruct, 12);
SHOP_SHELL(old__Tax, 72);
SHOP_SHELL(old_PostageTax, 108);
SHOP_SHELL(old_WebInfo, 28);
SHOP_SHELL(old__WallInfo, 16);
SHOP_SHELL(old__PriceWeight, 20);
SHOP_SHELL(old__Shipping, 8);
SHOP_SHELL(old__PriceRange, 16);
SHOP_SHELL(CNameAddr, 20);
SHOP_SHELL(CHtmlCode, 20);
SHOP_SHELL(CTagValuePair, 16);
SHOP_SHELL(CAppInfo, 32);
SHOP_SHELL(old_CountryInfo, 60);
SHOP_SHELL(old__SubCatInfo, 28);
SHOP_SHELL(old__SubCatStruct, 16);
SHOP_SHELL(old__CatStruct, 8);
SHOP_SHELL(CTemplateStyle, 28);
SHOP_SHELL(old_DisplayStyles, 44);
SHOP_SHELL(old_Department, 100);
SHOP_SHELL(CZone, 16);
SHOP_SHELL(old__Product, 84);
SHOP_SHELL(old_ShopInfo, 104);
SHOP_SHELL(CDeptInfo, 12);
SHOP_SHELL(CRegionLevel, 8);
SHOP_SHELL(old_Root, 396);
SHOP_SHELL(_SubCatInfo, 28);
SHOP_SHELL(_SubCatStruct, 16);
SHOP_SHELL(CMiscFlags, 8);
SHOP_SHELL(tagKeyQuestPair, 8);

#undef SHOP_SHELL

// List helpers, list sorters and old-to-current pairs: registered templates
// of which this program makes no object.
template <class T, class U>
class TListActions : public objsch::shop_shell<8> {};
template <class T>
class CListSort : public objsch::shop_shell<12> {};
template <class A, class B>
class kv_pair : public objsch::shop_shell<12> {};
