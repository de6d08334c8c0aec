// Guards the small shop records and the display styles: the values a new
// record holds, where its texts and lists live, the colour entries zeroed,
// and that destroying a record frees what it made (the database's
// self-check finds no damage and nothing of it stays allocated).
#include <gtest/gtest.h>

#include <cstring>

#include "display_styles.h"
#include "fw_locale.h"
#include "shipping.h"
#include "history.h"
#include "qem_string.h"
#include "shop_lists.h"
#include "shop_test_db.h"

namespace {

class ShopRecords : public shop_test::shop_db_test {};

TEST_F(ShopRecords, HistoryRecordsStampCreation) {
  COleDateTime before = COleDateTime::GetCurrentTime();
  auto* history = objsch::NewObject<CHistory>(TRUE, TRUE);
  EXPECT_EQ(history->m_nSize, 80u);
  EXPECT_EQ(history->m_nWord, 0u);
  EXPECT_STREQ(history->m_strText, "");
  CModHistory& mod = history->GetModHistory();
  EXPECT_EQ(mod.m_nSize, 64u);
  for (CModiDetail* detail : {&mod.GetCreation(), &mod.GetLastChange()}) {
    EXPECT_EQ(detail->m_nSize, 28u);
    EXPECT_EQ(detail->m_pApp, nullptr);
    EXPECT_STREQ(detail->m_strBy, "");
    EXPECT_GE(static_cast<DATE>(detail->m_date), static_cast<DATE>(before));
    EXPECT_TRUE(in_db(detail->m_pList));
  }
  COleDateTime later(2031, 5, 6, 7, 8, 9);
  mod.GetLastChange().SetDate(later);
  EXPECT_EQ(static_cast<DATE>(mod.GetLastChange().m_date), static_cast<DATE>(later));
  EXPECT_LE(static_cast<DATE>(mod.GetCreation().m_date), static_cast<DATE>(COleDateTime::GetCurrentTime()));
  objsch::DeleteObject(history);
}

TEST_F(ShopRecords, WallWebAndHeaderTexts) {
  auto* wall = objsch::NewObject<_WallInfo>(TRUE, TRUE);
  EXPECT_STREQ(wall->GetWall(), "SEA.JPG");
  EXPECT_STREQ(wall->m_strPictures[1], "DAWN.JPG");
  EXPECT_STREQ(wall->m_strPictures[2], "TREK.JPG");
  EXPECT_STREQ(wall->GetPedestals(), "PED3.JPG");
  auto* web = objsch::NewObject<WebInfo>(TRUE, TRUE);
  for (int i = 0; i < 7; ++i) EXPECT_STREQ(web->m_strTexts[i], i == 5 ? "index.html" : "") << i;
  auto* header = objsch::NewObject<ShopHeader>(TRUE, TRUE);
  EXPECT_STREQ(header->m_strTag, "SHP");
  EXPECT_EQ(std::strlen(header->m_strCompany), 15u);
  EXPECT_EQ(header->m_byte, 0);
  EXPECT_EQ(header->m_nWord1, 1u);
  EXPECT_EQ(header->m_nWord2, 1u);
  objsch::DeleteObject(wall);
  objsch::DeleteObject(web);
  objsch::DeleteObject(header);
}

TEST_F(ShopRecords, NewDisplayStyles) {
  auto* styles = objsch::NewObject<DisplayStyles>(TRUE, TRUE);
  EXPECT_EQ(styles->m_nSize, 156u);
  EXPECT_EQ(styles->m_ulFlags, 0x584u);
  EXPECT_STREQ(styles->m_strColorTable, kDefaultColorTable);
  EXPECT_EQ(styles->clrFont, 0u);
  EXPECT_EQ(styles->clrBkgnd, 0xffffffu);
  EXPECT_EQ(styles->nDeptFontSize, 0);
  EXPECT_EQ(styles->nIndexFontSize, 2);
  EXPECT_EQ(styles->clrActiveLink, 0xff0000u);
  EXPECT_EQ(styles->clrVisitedLink, 0x00ff00u);
  EXPECT_STREQ(styles->strPageStyle, "Default");
  EXPECT_STREQ(styles->m_strText1, "Default");
  EXPECT_STREQ(styles->m_strText2, "Default");
  EXPECT_EQ(styles->nItemsPerPage, 0);
  EXPECT_EQ(styles->m_nColumnsPerLine, 4);
  EXPECT_EQ(styles->m_nNumbers[0], 1u);
  EXPECT_EQ(styles->m_nNumbers[1], 200u);
  EXPECT_EQ(styles->m_nNumbers[2], 0u);
  struct row {
    dv_qem::dv_Array<objsch::dv4u>* colors;
    unsigned count;
  };
  for (const row& r : {row{styles->m_pBkgndColors, 4}, row{styles->m_pTableColors, 4}, row{styles->m_pTextureColors, 8}}) {
    ASSERT_EQ(r.colors->cardinality(), r.count);
    for (unsigned i = 0; i < r.count; ++i) {
      EXPECT_EQ(*r.colors->retrieve(i), 0u) << "colour entries are zeroed";
      EXPECT_TRUE(in_db(r.colors->retrieve(i)));
    }
  }
  ASSERT_EQ(styles->m_pTextures->cardinality(), 5u);
  EXPECT_STREQ(*styles->m_pTextures->retrieve(4), "");
  EXPECT_TRUE(styles->m_pArray->empty());
  EXPECT_TRUE(styles->m_pList->empty());
  EXPECT_EQ(styles->m_picture1.nOptions, 0x8010u);
  EXPECT_EQ(styles->m_picture3.m_pItems->cardinality(), 1u);
  styles->SetFlag200(TRUE);
  EXPECT_EQ(styles->m_ulFlags, 0x784u);
  styles->SetFlag100(FALSE);
  EXPECT_EQ(styles->m_ulFlags, 0x684u);
  objsch::DeleteObject(styles);
}

TEST_F(ShopRecords, TransientStylesStayOutOfTheShop) {
  DisplayStyles styles(FALSE);
  EXPECT_TRUE(transient(styles.m_pBkgndColors));
  EXPECT_TRUE(transient(styles.m_pBkgndColors->retrieve(0)));
  EXPECT_TRUE(transient(styles.strPageStyle.m_pString));
}

TEST_F(ShopRecords, TextDefinitions) {
  auto* texts = objsch::NewObject<CDefiTxts>(FALSE, FALSE);
  EXPECT_EQ(texts->m_nSize, 32u);
  EXPECT_EQ(texts->m_nColor1, 255u);
  EXPECT_EQ(texts->m_nColor2, 0xffffffu);
  EXPECT_STREQ(texts->m_strDateFormat, "MM/DD/YYY");
  EXPECT_TRUE(in_db(texts->m_strDateFormat.m_pString)) << "the date format always lives in the shop";
  EXPECT_TRUE(transient(texts->m_pList));
  objsch::DeleteObject(texts);
}

TEST_F(ShopRecords, DestroyingRecordsFreesWhatTheyMade) {
  // The first records make the database's shared empty string; count after.
  objsch::DeleteObject(objsch::NewObject<DisplayStyles>(TRUE, TRUE));
  dv_qem::dv_transaction::commit();
  db_->save();
  long before = std::filesystem::file_size(path_);
  dv_qem::dv_transaction::begin(dv_qem::dv_transaction::update);
  for (int i = 0; i < 50; ++i) {
    objsch::DeleteObject(objsch::NewObject<DisplayStyles>(TRUE, TRUE));
    objsch::DeleteObject(objsch::NewObject<CHistory>(TRUE, TRUE));
  }
  dv_qem::dv_transaction::commit();
  db_->save();
  db_->self_check();
  EXPECT_LE(static_cast<long>(std::filesystem::file_size(path_)), before + 4096) << "nothing made stays allocated";
  dv_qem::dv_transaction::begin(dv_qem::dv_transaction::update);
}

TEST_F(ShopRecords, CountryInformationFollowsTheUsersLocale) {
  struct row {
    const char* locale;
    objsch::dv4u decimal_comma, whole_currency, german;
  };
  const row rows[] = {{"en_US.UTF-8", 0, 0, 0}, {"de_DE.UTF-8", 1, 0, 1}, {"ja_JP.UTF-8", 0, 1, 0}};
  for (const row& r : rows) {
    SCOPED_TRACE(r.locale);
    FwSetLocaleOverride(r.locale);
    auto* country = objsch::NewObject<CountryInfo>(FALSE, FALSE);
    EXPECT_EQ(country->m_bDecimalComma, r.decimal_comma);
    EXPECT_EQ(country->m_bWholeCurrency, r.whole_currency);
    EXPECT_STREQ(country->m_strWeightUnit, "kg");
    EXPECT_TRUE(in_db(country->m_strCurrency.m_pString)) << "its texts always live in the shop";
    EXPECT_TRUE(transient(country->m_pList));
    country->Destroy();
    dv_qem::durnavel::free_memory(country);
    auto* postage = objsch::NewObject<PostageTax>(TRUE, TRUE);
    EXPECT_EQ(postage->m_tax.m_bGerman, r.german);
    objsch::DeleteObject(postage);
  }
  FwSetLocaleOverride(nullptr);
}

TEST_F(ShopRecords, TransportMethodsAreThreeNames) {
  auto* postage = objsch::NewObject<PostageTax>(TRUE, TRUE);
  _Postage& methods = postage->m_postage;
  EXPECT_STREQ(methods.GetTransportMethodsAt(0), "Economy");
  EXPECT_STREQ(methods.GetTransportMethodsAt(1), "Air");
  EXPECT_STREQ(methods.GetTransportMethodsAt(2), "Express");
  EXPECT_STREQ(methods.GetTransportMethodsAt(3), "");
  EXPECT_STREQ(methods.GetTransportMethodsAt(-1), "");
  methods.SetTransportMethodAt(3, "Sea");
  methods.SetTransportMethodAt(1, "Plane");
  EXPECT_STREQ(methods.GetTransportMethodsAt(1), "Plane");
  EXPECT_STREQ(methods.GetTransportMethodsAt(3), "");
  objsch::DeleteObject(postage);
}

}  // namespace
