// Guards the target page driven as a person would: a bare name becomes
// that name with ".kvb" in the program folder, a shop file's signature is
// checked (exact and other case pass, other text is refused with the
// old-version text), a file that is no shop is refused with 51488 and
// leaves no transaction behind, a name is looked for at its normalised
// place only (what exists relative to the working folder is a new file
// there; a bare name found in the program folder is that file, checked),
// the template radios set the language, and Browse fills the path.
#include <fstream>

#include "ctl_actions.h"
#include "dv_transaction.h"
#include "fw_locale.h"
#include "pages_support.h"
#include "root.h"
#include "shop_session.h"
#include "target_page.h"
#include "transaction_scope.h"

namespace {

class TargetPage : public pages_test::SheetTest {
 protected:
  void SetUp() override {
    MakeSheet(2);
    page = &Show<CSelDBPage>(CSelDBPage::IDD);
  }
  // A shop file at path whose signature is signature.
  static void MakeShop(const std::string& path, const char* signature) {
    CShopSession session;
    session.Create(path.c_str());
    CTransactionScope scope;
    session.GetRoot()->m_strSignature = signature;
    scope.Commit();
    session.Save();
  }
  // Types path and presses Next; the sheet's target file afterwards.
  CString Choose(const std::string& path) {
    FwTypeText(*page, CSelDBPage::IDC_PATH, path.c_str());
    sheet->PressButton(PSBTN_NEXT);
    EXPECT_EQ(dv_qem::dv_transaction::get_current(), nullptr) << "the check left its transaction";
    return sheet->m_strTargetFile;
  }

  CSelDBPage* page = nullptr;
};

TEST_F(TargetPage, ProposesTheEnglishTemplateWithPathAndBrowseEnabled) {
  EXPECT_STREQ(page->GetDlgItemText(CSelDBPage::IDC_PATH), (program / "English.kvb").c_str());
  EXPECT_STREQ(sheet->m_strLanguage, "English");
  for (UINT id : {UINT(CSelDBPage::IDC_PATH), UINT(CSelDBPage::IDC_BROWSE)}) {
    EXPECT_TRUE(page->RequireDlgItem(id)->IsWindowVisible()) << id;
    EXPECT_TRUE(page->RequireDlgItem(id)->IsWindowEnabled()) << id;
  }
  EXPECT_EQ(sheet->GetWizardButtons(), DWORD(PSWIZB_BACK | PSWIZB_NEXT));
}

TEST_F(TargetPage, BareNameGetsKvbInTheProgramFolder) {
  EXPECT_STREQ(Choose("myshop"), (program / "myshop.kvb").c_str());
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_STREQ(CSelDBPage::NormalisePath("shop.KVC", "/p"), "/p/shop.KVC") << "a shop file keeps its extension";
  EXPECT_STREQ(CSelDBPage::NormalisePath("/q/new", "/p"), "/q/new.kvb");
}

TEST_F(TargetPage, SignatureCheckedWithoutCase) {
  struct Case {
    const char* signature;
    bool accepted;
  } cases[] = {{"KESTRELMARK_DBASE_VER5", true}, {"Kestrelmark_Dbase_Ver5", true}, {"KESTRELMARK_DBASE_VER4", false}};
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.signature);
    std::string path = work / ("shop" + std::to_string(n++) + ".kvc");
    MakeShop(path, c.signature);
    // An accepted file moved the wizard on to the import page.
    page = &Show<CSelDBPage>(CSelDBPage::IDD);
    sheet->m_strTargetFile.Empty();
    if (!c.accepted) prompts.ExpectMessageBox(IDOK, 0, " Can't import to an old version KVC file");
    EXPECT_STREQ(Choose(path), c.accepted ? path.c_str() : "");
    EXPECT_EQ(prompts.PendingAnswers(), 0u);
  }
}

TEST_F(TargetPage, WhatIsNoShopIsRefused) {
  std::string junk = work / "junk.kvc";
  std::ofstream(junk) << std::string(5000, 'j');
  prompts.ExpectMessageBox(IDOK, 51488);
  EXPECT_STREQ(Choose(junk), "");
  EXPECT_EQ(prompts.asked.back().type, UINT(MB_OK | MB_ICONSTOP));
  CTransactionScope scope;
  EXPECT_NE(scope.GetTransaction(), nullptr) << "a later scope owns its transaction";
}

TEST_F(TargetPage, ANameIsLookedForAtItsNormalisedPlaceOnly) {
  // What exists relative to the working folder does not count: the name
  // is a new file at its normalised place, without a question.
  std::string relative = std::filesystem::relative(work / "here", std::filesystem::current_path()).string();
  std::ofstream(work / "here") << "x";
  EXPECT_STREQ(Choose(relative), (relative + ".kvb").c_str());
  EXPECT_TRUE(prompts.asked.empty());
  // A bare name that exists at its normalised place is that file, checked
  // as a shop: a shop passes, anything else is refused.
  MakeShop(program / "taken.kvb", "KESTRELMARK_DBASE_VER5");
  page = &Show<CSelDBPage>(CSelDBPage::IDD);
  EXPECT_STREQ(Choose("taken"), (program / "taken.kvb").c_str());
  std::ofstream(program / "junk.kvc") << "x";
  sheet->m_strTargetFile.Empty();
  page = &Show<CSelDBPage>(CSelDBPage::IDD);
  prompts.ExpectMessageBox(IDOK, 51488);
  EXPECT_STREQ(Choose("junk.kvc"), "");
  EXPECT_EQ(prompts.PendingAnswers(), 0u);
}

TEST_F(TargetPage, TemplateRadiosAndBrowse) {
  FwSetLocaleOverride("en_GB.UTF-8");
  FwClickButton(*page, CSelDBPage::IDC_LOCALE_TEMPLATE);
  EXPECT_STREQ(sheet->m_strLanguage, "Spanish");
  EXPECT_STREQ(page->GetDlgItemText(CSelDBPage::IDC_PATH), (program / "Spanish.kvb").c_str());
  FwSetLocaleOverride("de_DE.UTF-8");
  FwClickButton(*page, CSelDBPage::IDC_LOCALE_TEMPLATE);
  EXPECT_STREQ(sheet->m_strLanguage, "German");
  FwSetLocaleOverride(nullptr);
  FwClickButton(*page, CSelDBPage::IDC_ENGLISH_TEMPLATE);
  EXPECT_STREQ(sheet->m_strLanguage, "English");

  std::string chosen = work / "Merchant Shop.kvc";
  MakeShop(chosen, "KESTRELMARK_DBASE_VER5");
  prompts.ExpectFileName(TRUE, chosen.c_str());
  FwClickButton(*page, CSelDBPage::IDC_BROWSE);
  EXPECT_STREQ(page->GetDlgItemText(CSelDBPage::IDC_PATH), chosen.c_str());
  sheet->PressButton(PSBTN_NEXT);
  EXPECT_STREQ(sheet->m_strTargetFile, chosen.c_str()) << "the merchant's own file, case and blanks kept";
}

}  // namespace
