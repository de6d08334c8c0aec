// Guards the two pages of the Quillon road as a person walks them: the
// selection page lists the shops of the installation named by the uninstall
// entry (61534 without one, 61537 for a browsed folder without shops),
// keeps Next until a shop is chosen and sets the sheet up for the
// migration; the import page migrates into the work copy on "Start Import",
// refuses a broken source before writing, and puts the copy in the
// target's place only at Finish -- Cancel leaves the target as it was. A
// second "Start Import" starts again from the target (nothing migrated
// twice), and after Back the page works on the target chosen last; a new
// target holds the migrated departments only.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "ctl_actions.h"
#include "fw_registry_profile.h"
#include "pages_support.h"
#include "quillon_installation.h"
#include "shop_session.h"
#include "shop_test_kvcdump.h"
#include "source_shop_fixture.h"
#include "source_shop_import_page.h"
#include "source_shop_sel_page.h"

using namespace sourceshop_test;

namespace {

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class SourceShopPagesTest : public pages_test::SheetTest {
 protected:
  void SetUp() override {
    ::setenv("DV_FRAME_CONFIG_HOME", config_.path().c_str(), 1);
    install_ = work / "Quillon";
  }
  void TearDown() override { ::unsetenv("DV_FRAME_CONFIG_HOME"); }

  void RegisterInstallation() {
    ASSERT_TRUE(MachineUninstallProfile().WriteProfileString(
        "Uninstall\\Quillon", "UninstallString", ("uninst -f\"" + install_ + "/uninst.isu\"").c_str()));
  }

  // The selection page of a Quillon sheet, with shop chosen in its list.
  CSourceShopSelPage& ChooseShop(const char* shop) {
    MakeSheet(kSourceQuillonShop);
    auto& page = Show<CSourceShopSelPage>(CSourceShopSelPage::IDD);
    FwPickItemByText(page, CSourceShopSelPage::IDC_SHOP_LIST, shop);
    return page;
  }

  dv_test::scratch_dir config_;
  std::string install_;
};

TEST_F(SourceShopPagesTest, TheSelectionPageListsTheInstalledShopsAndSetsTheSheetUp) {
  WriteShopTables(install_ + "/Garden", SampleShop());
  WriteShopTables(install_ + "/Books", SampleShop(), "VAT");  // not a shop: a table is missing
  RegisterInstallation();
  MakeSheet(kSourceQuillonShop);
  auto& page = Show<CSourceShopSelPage>(CSourceShopSelPage::IDD);
  ASSERT_EQ(1, page.GetShopNames().GetSize());
  EXPECT_STREQ("Garden", page.GetShopNames()[0]);
  sheet->PressButton(PSBTN_NEXT);
  EXPECT_EQ(&page, sheet->GetActivePage()) << "Next with nothing chosen stays";
  EXPECT_FALSE(sheet->IsButtonEnabled(PSBTN_NEXT)) << "Next waits for a choice";

  FwPickItemByText(page, CSourceShopSelPage::IDC_SHOP_LIST, "Garden");
  EXPECT_STREQ((install_ + "/Garden/db/").c_str(), page.GetSelectedShopPath());
  ASSERT_TRUE(sheet->IsButtonEnabled(PSBTN_NEXT));
  ASSERT_TRUE(sheet->PressButton(PSBTN_NEXT));
  EXPECT_EQ(kSourceQuillonShop, sheet->m_typDatabase);
  EXPECT_EQ(0, sheet->m_nOptionCount);
  EXPECT_STREQ("'TABLE'", sheet->m_strTableType);
  EXPECT_STREQ((program.path() + "/default_quillon.cfg").c_str(), sheet->m_strCfgFilename);
  EXPECT_STREQ((program.path() + "/quillon.csv").c_str(), sheet->m_strDBName);
  EXPECT_EQ(0u, prompts.PendingAnswers());
}

TEST_F(SourceShopPagesTest, WithoutAnInstallationThePageSaysSoAndBrowsingFindsShops) {
  prompts.ExpectMessageBox(IDOK, 61534);
  MakeSheet(kSourceQuillonShop);
  auto& page = Show<CSourceShopSelPage>(CSourceShopSelPage::IDD);
  EXPECT_EQ(0, page.GetShopNames().GetSize());

  const std::string empty = work / "empty";
  std::filesystem::create_directories(empty);
  prompts.ExpectFolder(empty.c_str());
  prompts.ExpectMessageBox(IDOK, 61537, ("The directory '" + empty + "' is not a valid shop.").c_str());
  FwClickButton(page, CSourceShopSelPage::IDC_BROWSE);

  WriteShopTables(work / "OneShop", SampleShop());
  prompts.ExpectFolder((work / "OneShop").c_str());
  FwClickButton(page, CSourceShopSelPage::IDC_BROWSE);
  ASSERT_EQ(1, page.GetShopNames().GetSize());
  EXPECT_STREQ("OneShop", page.GetShopNames()[0]);
  EXPECT_EQ(0u, prompts.PendingAnswers());
}

TEST_F(SourceShopPagesTest, TheImportPageMigratesIntoACopyAndFinishPutsItInPlace) {
  WriteShopTables(install_ + "/Garden", SampleShop());
  RegisterInstallation();
  ChooseShop("Garden");
  const std::string target = work / "target.kvc";
  sheet->m_strTargetFile = target.c_str();
  auto& page = Show<CSourceShopImportPage>(CSourceShopImportPage::IDD);
  EXPECT_FALSE(sheet->IsButtonEnabled(PSBTN_FINISH));
  prompts.ExpectMessageBox(IDOK, 21061);
  FwClickButton(page, CSourceShopImportPage::IDC_START_IMPORT);
  ASSERT_TRUE(page.IsDone());
  EXPECT_FALSE(std::filesystem::exists(target)) << "nothing reaches the target before Finish";
  ASSERT_TRUE(sheet->IsButtonEnabled(PSBTN_FINISH));
  ASSERT_TRUE(sheet->PressButton(PSBTN_FINISH));
  EXPECT_EQ(ID_WIZFINISH, sheet->GetResult());
  ASSERT_TRUE(std::filesystem::exists(target));
  EXPECT_FALSE(std::filesystem::exists(page.GetWorkPath().operator LPCTSTR()));
  EXPECT_EQ(0u, prompts.PendingAnswers());
}

TEST_F(SourceShopPagesTest, ABrokenSourceWritesNothingAndCancelKeepsTheTarget) {
  ShopTables twoShops = SampleShop();
  twoShops.shops.push_back(twoShops.shops.front());
  WriteShopTables(install_ + "/Twice", twoShops);
  RegisterInstallation();
  ChooseShop("Twice");
  // The target: a shop made by an earlier run.
  const std::string target = work / "target.kvc";
  {
    CShopSession session;
    session.Create(target.c_str());
    session.Close();
  }
  const std::string before = ReadBytes(target);
  sheet->m_strTargetFile = target.c_str();
  auto& page = Show<CSourceShopImportPage>(CSourceShopImportPage::IDD);
  const std::string work = static_cast<LPCTSTR>(page.GetWorkPath());
  const std::string copied = ReadBytes(work);
  EXPECT_TRUE(copied == before) << "the work file is a copy of the target";
  prompts.ExpectMessageBox(IDOK);
  FwClickButton(page, CSourceShopImportPage::IDC_START_IMPORT);
  ASSERT_FALSE(prompts.asked.empty());
  EXPECT_NE(std::string::npos, std::string(prompts.asked.back().text).find("The table SHOP holds 2 rows"));
  EXPECT_FALSE(page.IsDone());
  EXPECT_FALSE(sheet->IsButtonEnabled(PSBTN_FINISH));
  EXPECT_TRUE(ReadBytes(work) == copied) << "nothing was written";
  ASSERT_TRUE(sheet->PressButton(PSBTN_CANCEL));
  EXPECT_TRUE(ReadBytes(target) == before) << "Cancel leaves the target as it was";
}

TEST_F(SourceShopPagesTest, ASecondStartImportStartsAgainFromTheTarget) {
  WriteShopTables(install_ + "/Garden", SampleShop());
  RegisterInstallation();
  ChooseShop("Garden");
  const std::string target = work / "target.kvc";
  sheet->m_strTargetFile = target.c_str();
  auto& page = Show<CSourceShopImportPage>(CSourceShopImportPage::IDD);
  for (int press = 0; press < 2; ++press) {
    prompts.ExpectMessageBox(IDOK, 21061);
    FwClickButton(page, CSourceShopImportPage::IDC_START_IMPORT);
    ASSERT_TRUE(page.IsDone());
  }
  ASSERT_TRUE(sheet->PressButton(PSBTN_FINISH));
  const auto dump = shop_test::kvcdump(target);
  ASSERT_EQ(dump.status, 0) << dump.out;
  EXPECT_EQ(Count(dump.out, "item \"TS-1\""), 1u) << dump.out;
  EXPECT_EQ(Count(dump.out, ": Small shirts ("), 1u) << dump.out;
  EXPECT_EQ(dump.out.find("Department 1 ("), std::string::npos) << "a new target holds no sample department\n"
                                                                   << dump.out;
  EXPECT_EQ(0u, prompts.PendingAnswers());
}

TEST_F(SourceShopPagesTest, AfterBackThePageWorksOnTheTargetChosenLast) {
  WriteShopTables(install_ + "/Garden", SampleShop());
  RegisterInstallation();
  ChooseShop("Garden");
  const std::string first = work / "first.kvc", second = work / "second.kvc";
  sheet->m_strTargetFile = first.c_str();
  Show<CSourceShopImportPage>(CSourceShopImportPage::IDD);
  ASSERT_TRUE(sheet->PressButton(PSBTN_BACK));
  // The target page leaves another file in the sheet.
  sheet->m_strTargetFile = second.c_str();
  auto& page = Show<CSourceShopImportPage>(CSourceShopImportPage::IDD);
  EXPECT_STREQ(second.c_str(), page.GetTargetPath());
  prompts.ExpectMessageBox(IDOK, 21061);
  FwClickButton(page, CSourceShopImportPage::IDC_START_IMPORT);
  ASSERT_TRUE(sheet->PressButton(PSBTN_FINISH));
  EXPECT_FALSE(std::filesystem::exists(first)) << "the abandoned target is left alone";
  const auto dump = shop_test::kvcdump(second);
  ASSERT_EQ(dump.status, 0) << dump.out;
  EXPECT_NE(dump.out.find("item \"TS-1\""), std::string::npos) << dump.out;
  EXPECT_EQ(0u, prompts.PendingAnswers());
}

}  // namespace
