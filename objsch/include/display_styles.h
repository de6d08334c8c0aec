// The presentation settings a shop stores for its pages (fonts, colours,
// textures, pictures, layout numbers and flags) and the record of default
// texts with a date format. Stored layouts; colours are 32-bit RGB values
// with red in the low byte.
#pragma once

#include "lang_items.h"

// The colour table of new styles: ten alpha,red,green,blue groups.
inline constexpr const char kDefaultColorTable[] =
    "128,255,255,255;128,0,0,0;128,255,0,0;128,192,192,192;128,0,0,0;128,255,255,255;128,0,0,0;"
    "128,230,245,245;128,253,245,230;128,255,255,255";

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"

class DisplayStyles {
 public:
  // The defaults: flags 0x584, the default colour table, index font size 2,
  // four columns per line, page style "Default"; 4 background, 4 table and
  // 8 texture colours (each 0) and 5 empty textures.
  explicit DisplayStyles(BOOL persistent);
  // Frees every array entry and the texts, destroys the arrays, the list
  // and the pictures.
  ~DisplayStyles();
  DisplayStyles(const DisplayStyles&) = delete;
  DisplayStyles& operator=(const DisplayStyles&) = delete;

  // flags := (flags AND NOT mask) OR (mask when on).
  void SetFlag(objsch::dv4u mask, BOOL on);
  void SetFlag100(BOOL on) { SetFlag(0x100, on); }
  void SetFlag200(BOOL on) { SetFlag(0x200, on); }
  void SetFlag400(BOOL on) { SetFlag(0x400, on); }

  objsch::dv4u m_nSize;                             // 0: size stamp, 156
  objsch::dv4u m_ulFlags;                           // 4
  CMyString m_strColorTable;                        // 8: ten "a,r,g,b" groups joined by ";"
  objsch::dv4u clrFont;                             // 12
  objsch::dv4u clrBkgnd;                            // 16
  CMyString strDeptFont;                            // 20
  objsch::dv4s nDeptFontSize;                       // 24
  CMyString strIndexFont;                           // 28
  objsch::dv4s nIndexFontSize;                      // 32
  CMyString strBkgndTexture;                        // 36
  objsch::dv4u clrActiveLink;                       // 40
  objsch::dv4u clrVisitedLink;                      // 44
  CPictureInfo m_picture1;                          // 48
  CPictureInfo m_picture2;                          // 64
  dv_qem::dv_Array<objsch::dv4u>* m_pBkgndColors;   // 80: 4 separately allocated colours
  dv_qem::dv_Array<objsch::dv4u>* m_pTableColors;   // 84: 4
  dv_qem::dv_Array<objsch::dv4u>* m_pTextureColors; // 88: 8
  dv_qem::dv_Array<CMyString>* m_pTextures;         // 92: 5 empty strings
  dv_qem::dv_Array<void>* m_pArray;                 // 96: empty
  CMyString strPageStyle;                           // 100
  CMyString strColorScheme;                         // 104
  objsch::dv4s nItemsPerPage;                       // 108
  objsch::dv4s m_nColumnsPerLine;                   // 112
  CPictureInfo m_picture3;                          // 116
  CMyString m_strText1;                             // 132
  CMyString m_strText2;                             // 136
  objsch::dv4u m_nNumbers[3];                       // 140: 1, 200, 0
  dv_qem::dv_List<void>* m_pList;                   // 152

  static constexpr auto pointer_offsets() {
    using T = DisplayStyles;
    return objsch::shop_join(
        objsch::shop_at(offsetof(T, m_strColorTable), offsetof(T, strDeptFont), offsetof(T, strIndexFont),
                        offsetof(T, strBkgndTexture)),
        objsch::shop_pointers_at<CPictureInfo>(offsetof(T, m_picture1)),
        objsch::shop_pointers_at<CPictureInfo>(offsetof(T, m_picture2)),
        objsch::shop_at(offsetof(T, m_pBkgndColors), offsetof(T, m_pTableColors), offsetof(T, m_pTextureColors),
                        offsetof(T, m_pTextures), offsetof(T, m_pArray), offsetof(T, strPageStyle),
                        offsetof(T, strColorScheme)),
        objsch::shop_pointers_at<CPictureInfo>(offsetof(T, m_picture3)),
        objsch::shop_at(offsetof(T, m_strText1), offsetof(T, m_strText2), offsetof(T, m_pList)));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

// Default texts with a date format; embedded in the shop information.
class CDefiTxts {
 public:
  // Unset: for the scratch instance of type registration.
  CDefiTxts() = default;
  explicit CDefiTxts(BOOL persistent);
  ~CDefiTxts();
  CDefiTxts(const CDefiTxts&) = delete;
  CDefiTxts& operator=(const CDefiTxts&) = delete;

  objsch::dv4u m_nSize;            // 0: size stamp, 32
  objsch::dv4u m_nWords[3];        // 4: 0
  objsch::dv4u m_nColor1;          // 16: 255
  objsch::dv4u m_nColor2;          // 20: 0xffffff
  CMyString m_strDateFormat;       // 24: "MM/DD/YYY", always in the shop database
  dv_qem::dv_List<void>* m_pList;  // 28

  static constexpr auto pointer_offsets() {
    return objsch::shop_at(offsetof(CDefiTxts, m_strDateFormat), offsetof(CDefiTxts, m_pList));
  }
  static constexpr auto vtable_offsets() { return objsch::shop_none; }
};

static_assert(sizeof(DisplayStyles) == 156);
static_assert(offsetof(DisplayStyles, m_picture1) == 48 && offsetof(DisplayStyles, m_pBkgndColors) == 80);
static_assert(offsetof(DisplayStyles, strPageStyle) == 100 && offsetof(DisplayStyles, m_picture3) == 116);
static_assert(offsetof(DisplayStyles, m_nNumbers) == 140 && offsetof(DisplayStyles, m_pList) == 152);
static_assert(sizeof(CDefiTxts) == 32 && offsetof(CDefiTxts, m_strDateFormat) == 24);

#pragma GCC diagnostic pop
