// Persistent classes of the shop schema that this program never creates and
// never embeds in a class it creates: the older generation of the shop
// classes (old_*), the old-to-current pairs, and current classes whose
// objects only other programs make. Each is a shell of its stored size.
//
// A shell whose stored layout is known names its pointer words, so that its
// objects are relocated like any other: the list helpers, sorters and pairs
// (two pointer words each), the records whose members are written down
// (_PriceRange, _PostInfoStruct, _ShippingProvider, CRegionLevel), and the
// classes whose pointer words fill them whole (their size is four bytes a
// pointer, so each word is one). Of every other shell only the size is known
// (SHOP_SHELL_UNKNOWN): its descriptor names no pointer and no virtual table,
// and an object of it on a page read at another address is refused naming
// the class, never carried on with its pointers unmoved.
#pragma once

#include <cstddef>

#include "shop_layout.h"

namespace objsch {

// Size bytes that this program never reads.
template <size_t Size>
struct shop_shell {
  unsigned char m_bytes[Size];
  static constexpr auto vtable_offsets() { return shop_none; }
};

// A shell of which only the stored size is known.
template <size_t Size>
struct shop_unknown_shell : shop_shell<Size> {};

}  // namespace objsch

// A shell with pointer words at the given byte offsets.
#define SHOP_SHELL(NAME, SIZE, ...)                                               \
  class NAME : public objsch::shop_shell<SIZE> {                                  \
   public:                                                                        \
    static constexpr auto pointer_offsets() { return objsch::shop_at(__VA_ARGS__); } \
  };                                                                              \
  static_assert(sizeof(NAME) == SIZE)

// A shell without pointers.
#define SHOP_SHELL_PLAIN(NAME, SIZE)                                           \
  class NAME : public objsch::shop_shell<SIZE> {                               \
   public:                                                                     \
    static constexpr auto pointer_offsets() { return objsch::shop_none; }      \
  };                                                                           \
  static_assert(sizeof(NAME) == SIZE)

// A shell of which only the stored size is known.
#define SHOP_SHELL_UNKNOWN(NAME, SIZE)                     \
  class NAME : public objsch::shop_unknown_shell<SIZE> {   \
  };                                                       \
  static_assert(sizeof(NAME) == SIZE)

// Records whose members are written down.
SHOP_SHELL(_PriceRange, 32, 28);        // from, to, amount, percentage, a pointer word at 28
SHOP_SHELL(_PostInfoStruct, 28, 0);     // a name, then three doubles
SHOP_SHELL(_ShippingProvider, 8, 0);    // a name, then an integer rate
SHOP_SHELL(CRegionLevel, 8, 4);         // a word, then a pointer
// Classes whose pointer words fill them whole.
SHOP_SHELL(old_CMyString, 4, 0);
SHOP_SHELL(old__PaymentMode, 8, 0, 4);
SHOP_SHELL(old__PostInfo, 8, 0, 4);
SHOP_SHELL(CMiscFlags, 8, 0, 4);
SHOP_SHELL(tagKeyQuestPair, 8, 0, 4);
// Shells without pointers.
SHOP_SHELL_PLAIN(_ByWeightPrice, 32);
SHOP_SHELL_PLAIN(old__PriceWeight, 20);
SHOP_SHELL_PLAIN(old__Shipping, 8);
SHOP_SHELL_PLAIN(old__PriceRange, 16);
// Shells of which only the size is known (three of them, CPersonalInfo,
// CGraphicsUsed and CZone, also carry a virtual-table pointer at 0).
SHOP_SHELL_UNKNOWN(COsType, 20);
SHOP_SHELL_UNKNOWN(_PaymentMode, 16);
SHOP_SHELL_UNKNOWN(_PaymentInfo, 16);
SHOP_SHELL_UNKNOWN(CPersonalInfo, 36);
SHOP_SHELL_UNKNOWN(CGraphicsUsed, 28);
SHOP_SHELL_UNKNOWN(old_ShopHeader, 17);
SHOP_SHELL_UNKNOWN(old__PaymentInfo, 8);
SHOP_SHELL_UNKNOWN(old__Postage, 36);
SHOP_SHELL_UNKNOWN(_TaxInfoStruct, 12);
SHOP_SHELL_UNKNOWN(old__TaxInfoStruct, 12);
SHOP_SHELL_UNKNOWN(old__Tax, 72);
SHOP_SHELL_UNKNOWN(old_PostageTax, 108);
SHOP_SHELL_UNKNOWN(old_WebInfo, 28);
SHOP_SHELL_UNKNOWN(old__WallInfo, 16);
SHOP_SHELL_UNKNOWN(CNameAddr, 20);
SHOP_SHELL_UNKNOWN(CHtmlCode, 20);
SHOP_SHELL_UNKNOWN(CTagValuePair, 16);
SHOP_SHELL_UNKNOWN(CAppInfo, 32);
SHOP_SHELL_UNKNOWN(old_CountryInfo, 60);
SHOP_SHELL_UNKNOWN(old__SubCatInfo, 28);
SHOP_SHELL_UNKNOWN(old__SubCatStruct, 16);
SHOP_SHELL_UNKNOWN(old__CatStruct, 8);
SHOP_SHELL_UNKNOWN(CTemplateStyle, 28);
SHOP_SHELL_UNKNOWN(old_DisplayStyles, 44);
SHOP_SHELL_UNKNOWN(old_Department, 100);
SHOP_SHELL_UNKNOWN(CZone, 16);
SHOP_SHELL_UNKNOWN(old__Product, 84);
SHOP_SHELL_UNKNOWN(old_ShopInfo, 104);
SHOP_SHELL_UNKNOWN(CDeptInfo, 12);
SHOP_SHELL_UNKNOWN(old_Root, 396);
SHOP_SHELL_UNKNOWN(_SubCatInfo, 28);
SHOP_SHELL_UNKNOWN(_SubCatStruct, 16);

#undef SHOP_SHELL
#undef SHOP_SHELL_PLAIN
#undef SHOP_SHELL_UNKNOWN

// List helpers, list sorters and old-to-current pairs: registered templates
// of which this program makes no object, each two pointer words.
template <class T, class U>
class TListActions : public objsch::shop_shell<8> {
 public:
  static constexpr auto pointer_offsets() { return objsch::shop_at(0, 4); }
};
template <class T>
class CListSort : public objsch::shop_shell<12> {
 public:
  static constexpr auto pointer_offsets() { return objsch::shop_at(0, 8); }
};
template <class A, class B>
class kv_pair : public objsch::shop_shell<12> {
 public:
  static constexpr auto pointer_offsets() { return objsch::shop_at(0, 4); }
};
