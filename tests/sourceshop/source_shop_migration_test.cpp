// Guards the migration of a Quillon shop: its five tables (made with pxlib,
// memo fields included) become a shop file that another process opens --
// categories 0 and -11 as their named departments, -2 and -3 skipped, no
// product linked into a department with sub-departments, options with
// their choices and the placeholder option of an empty slot, tax rates and
// shop details; and the refusals that write nothing: a missing table, a
// SHOP table without exactly one row, categories in a circle, and link rows
// with a blank key; Finish putting the work file in the target's place on
// its own file system (renamed) and on another (copied), or keeping it when
// the target cannot be written.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>

#include "department.h"
#include "dv_scratch_dir.h"
#include "fw_message_box.h"
#include "product.h"
#include "root.h"
#include "shop_test_db.h"
#include "shop_test_program.h"
#include "shop_work_file.h"
#include "source_shop_fixture.h"
#include "source_shop_reader.h"
#include "source_shop_writer.h"

using namespace sourceshop_test;

namespace {

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The dump of a shop file by the dump tool, in a process of its own that
// maps the database at another address.
std::string Dump(const std::string& path) {
  std::string command = std::string("DV_QEM_AS_START=0x24100000 ") + DV_TEST_EMULATOR + " '" + KVCDUMP + "' '" +
                        path + "' 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  std::string out;
  if (!pipe) return out;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  int status = ::pclose(pipe);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) out += "\n(kvcdump failed)";
  return out;
}

class MigrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shop_test::clear_shop_state();
    shop_test::install_program_folder(program_.path());
    previousBoxes_ = FwSetMessageBoxes(&boxes_);
    ASSERT_TRUE(CBdeTableCursor::InitEngine());
    target_ = dir_ / "target.kvc";
    work_ = static_cast<LPCTSTR>(GetWorkShopFilePath());
  }
  void TearDown() override {
    CBdeTableCursor::ExitEngine();
    FwSetMessageBoxes(previousBoxes_);
    session_.reset();
    shop_test::clear_shop_state();
  }

  // The page's road: work file made, tables read and checked, written,
  // finished. A CBdeException stops it (reported and deleted) before
  // anything is written; answers whether it went through.
  bool Migrate(const std::string& folder) {
    if (PrepareWorkShopFile(*session_, target_.c_str(), work_.c_str()) != 0) return false;
    return MigratePrepared(folder);
  }
  bool MigratePrepared(const std::string& folder) {
    try {
      ReadSourceShopTables(folder.c_str(), tables_, nullptr);
      CheckSourceShopTables(tables_, folder.c_str());
      WriteSourceShop(*session_, work_.c_str(), "English", tables_, nullptr);
    } catch (CBdeException* e) {
      e->ReportError();
      e->Delete();
      return false;
    }
    return FinishWorkShopFile(work_.c_str(), target_.c_str()) == 0;
  }

  std::string Boxes() const {
    std::string all;
    for (const auto& box : boxes_.shown) all += std::string(static_cast<LPCTSTR>(box.text)) + "\n---\n";
    return all;
  }

  shop_test::runtime runtime_;
  dv_test::scratch_dir program_;
  dv_test::scratch_dir dir_;
  FwRecordingMessageBoxes boxes_;
  FwMessageBoxes* previousBoxes_ = nullptr;
  std::unique_ptr<CShopSession> session_ = std::make_unique<CShopSession>();
  SourceShopTables tables_;
  std::string target_;
  std::string work_;
};

TEST_F(MigrationTest, TheShopBecomesAShopFileThatAnotherProcessOpens) {
  ASSERT_TRUE(Migrate(WriteShopTables(dir_ / "myshop", SampleShop()))) << Boxes();
  EXPECT_FALSE(std::filesystem::exists(work_)) << "the work file goes at Finish";
  const std::string dump = std::regex_replace(Dump(target_), std::regex("department [0-9]+"), "department #");
  for (const char* expected : {
           "shop: Quillon Test Shop\n",
           "\n  department # type 0x10000: Kategorien (0 products)\n",
           "\n  department # type 0x10000: HomePage (0 products)\n"
           "    department # type 0x10000: Shirts (0 products)\n"
           "      department # type 0x10000: Small shirts (1 products)\n",
           "item \"TS-1\": T-Shirt price 12.50\n  option",
           ": Size\n    choice",
           ": S price 0.00", ": M price 0.00", ": L price 0.00",
           ": Color (not offered)\n",
           "item \"CP-3\": Cap price 9.99\n  option",
           ": Size (not offered)\n",
           ": Colour\n",
           "tax: local 19.00",
       }) {
    EXPECT_NE(std::string::npos, dump.find(expected)) << expected << "\nin:\n" << dump;
  }
  for (const char* absent : {": Hidden (", ": Trash (", ": Under hidden (", ": Lost (", ": Root (", ": \n", "(kvcdump failed)"})
    EXPECT_EQ(std::string::npos, dump.find(absent)) << absent << "\nin:\n" << dump;
  EXPECT_TRUE(boxes_.shown.empty()) << Boxes();

  // What the dump does not show, read back through a session.
  session_->Open(target_.c_str());
  Root* root = session_->GetRoot();
  const int language = root->GetDefLanguage();
  const PostageTax* tax = root->GetShopInfo().GetPostageTax();
  EXPECT_EQ(19.0, tax->m_tax.m_fLocal[0]);
  EXPECT_EQ(7.0, tax->m_tax.m_fLocal[1]);
  EXPECT_EQ(16.0, tax->m_tax.m_fLocal[2]);
  EXPECT_EQ(0.0, tax->m_tax.m_fLocal[3]) << "V_ID 3 changes nothing";
  EXPECT_STREQ(std::string(200, 'h').c_str(), root->GetSpecialPage(0x22001)->GetLangItem(language, FALSE)->m_strDescription);
  EXPECT_STREQ(("Hello\r\n\r\n" + std::string(200, 'h')).c_str(), root->m_strDescription);
  CCompanyDetails& company = root->GetShopInfo().GetLangItem(-1, FALSE)->GetCompanyDetails();
  EXPECT_STREQ("Test GmbH", company.GetString(CCompanyDetails::strCompanyName));
  EXPECT_STREQ("Hauptstr. 1", company.GetString(CCompanyDetails::strCompanyAddress));
  EXPECT_STREQ("12345", company.GetString(CCompanyDetails::strZip));
  EXPECT_STREQ("Berlin", company.GetString(14));
  EXPECT_STREQ("order@example.com", company.GetString(CCompanyDetails::strEmailOrders));
  EXPECT_STREQ("Thanks", company.GetString(CCompanyDetails::strWelcomeText));
  const CountryInfo& country = root->GetShopInfo().GetLangItem(0, FALSE)->m_countryInfo;
  EXPECT_STREQ("DM", country.m_strCurrency);
  EXPECT_STREQ("EUR", country.m_strText1);
  EXPECT_STREQ("English", root->GetShopInfo().GetActiveLanguage()->GetLanguage()->GetLangName());
  Product* first = root->GetAllProductsDept()->GetProducts()->retrieve(0);
  Product_Lang* item = first->GetLangItem(language, FALSE);
  EXPECT_STREQ(("Cotton\r\n\r\n" + std::string(700, 'c')).c_str(), item->m_strDescription);
  EXPECT_EQ(2, item->m_nApplyLocalTaxes) << "P_UID + 1";
  EXPECT_EQ(1u, item->m_bSpecial);
  session_->Close();
}

struct RefusalCase {
  const char* name;
  void (*change)(ShopTables&);
  const char* leaveOut;
  const char* reported;  // a text the reports hold
};

const RefusalCase kRefusals[] = {
    {"missing VAT table", [](ShopTables&) {}, "VAT", "Failed to open table VAT in database"},
    {"two SHOP rows", [](ShopTables& t) { t.shops.push_back(t.shops.front()); }, "",
     "The table SHOP holds 2 rows"},
    {"no SHOP row", [](ShopTables& t) { t.shops.clear(); }, "", "The table SHOP holds 0 rows"},
    {"a category its own parent",
     [](ShopTables& t) { t.categories.push_back({{"C_ID", "9"}, {"C_PARENTID", "9"}, {"C_NAME", "Self"}}); }, "",
     "category 9 is its own ancestor"},
    {"two categories each other's parent",
     [](ShopTables& t) {
       t.categories.push_back({{"C_ID", "10"}, {"C_PARENTID", "11"}, {"C_NAME", "A"}});
       t.categories.push_back({{"C_ID", "11"}, {"C_PARENTID", "10"}, {"C_NAME", "B"}});
     },
     "", "form a circle"},
};

TEST_F(MigrationTest, RefusedSourcesWriteNothing) {
  for (const RefusalCase& c : kRefusals) {
    SCOPED_TRACE(c.name);
    boxes_.shown.clear();
    ShopTables tables = SampleShop();
    c.change(tables);
    const std::string folder = WriteShopTables(dir_ / c.name, tables, c.leaveOut);
    ASSERT_EQ(0, PrepareWorkShopFile(*session_, target_.c_str(), work_.c_str()));
    const std::string prepared = ReadBytes(work_);
    EXPECT_FALSE(MigratePrepared(folder));
    EXPECT_NE(std::string::npos, Boxes().find(c.reported)) << Boxes();
    EXPECT_TRUE(ReadBytes(work_) == prepared) << "the work file is not written";
    EXPECT_FALSE(std::filesystem::exists(target_));
  }
}

TEST_F(MigrationTest, TheTargetChangesOnlyAtFinish) {
  // A first migration makes the target; a second one runs on a copy.
  ASSERT_TRUE(Migrate(WriteShopTables(dir_ / "first", SampleShop()))) << Boxes();
  const std::string before = ReadBytes(target_);
  ASSERT_EQ(0, PrepareWorkShopFile(*session_, target_.c_str(), work_.c_str()));
  EXPECT_TRUE(ReadBytes(work_) == before);
  ASSERT_TRUE(std::filesystem::exists(target_)) << "opening the page leaves the target in place";
  ShopTables second = SampleShop();
  second.shops.front()["S_NAME"] = "Second Shop";
  ReadSourceShopTables(WriteShopTables(dir_ / "second", second).c_str(), tables_, nullptr);
  WriteSourceShop(*session_, work_.c_str(), "English", tables_, nullptr);
  EXPECT_TRUE(ReadBytes(target_) == before) << "a migration without Finish (Cancel) leaves the target as it was";
  ASSERT_EQ(0, FinishWorkShopFile(work_.c_str(), target_.c_str()));
  EXPECT_NE(std::string::npos, Dump(target_).find("shop: Second Shop\n"));
}

TEST_F(MigrationTest, AFailedCopyKeepsItsSource) {
  std::ofstream(dir_ / "source.kvc") << "shop bytes";
  EXPECT_EQ(kShopFileCannotWrite, CopyShopFile((dir_ / "source.kvc").c_str(), (dir_ / "no/such/dir/x.kvc").c_str()));
  EXPECT_EQ("shop bytes", ReadBytes(dir_ / "source.kvc"));
  EXPECT_EQ(kShopFileSourceMissing, CopyShopFile((dir_ / "none.kvc").c_str(), (dir_ / "x.kvc").c_str()));
  // Finish that cannot write the target keeps the work file.
  std::ofstream(work_) << "work bytes";
  EXPECT_EQ(kShopFileCannotWrite, FinishWorkShopFile(work_.c_str(), (dir_ / "no/such/dir/x.kvc").c_str()));
  EXPECT_EQ("work bytes", ReadBytes(work_));
}

TEST_F(MigrationTest, FinishPutsTheWorkFileInPlaceOnItsFileSystemOrAcrossOne) {
  // Beside the work file Finish renames it over the target; on another
  // file system (a folder in /dev/shm, when that is one) it copies it.
  std::string other = "/dev/shm/dvtestXXXXXX";
  const bool haveOther = ::mkdtemp(other.data()) != nullptr;
  struct stat here, there;
  const bool across = haveOther && ::stat(dir_.path().c_str(), &here) == 0 && ::stat(other.c_str(), &there) == 0 &&
                      here.st_dev != there.st_dev;
  for (const std::string& folder : {dir_.path(), other}) {
    if (folder == other && !across) continue;
    SCOPED_TRACE(folder);
    const std::string target = folder + "/target.kvc";
    std::ofstream(target) << "old shop";
    std::ofstream(work_) << "work bytes";
    std::ofstream(work_ + ".log") << "";
    ASSERT_EQ(0, FinishWorkShopFile(work_.c_str(), target.c_str()));
    EXPECT_EQ("work bytes", ReadBytes(target));
    EXPECT_FALSE(std::filesystem::exists(work_)) << "the work file is gone";
    EXPECT_FALSE(std::filesystem::exists(work_ + ".log"));
  }
  if (haveOther) std::filesystem::remove_all(other);
}

TEST_F(MigrationTest, AStaleWorkLogIsNotReplayedOntoANewCopy) {
  std::ofstream(work_ + ".log") << "a log of an earlier work file";
  ASSERT_EQ(0, PrepareWorkShopFile(*session_, target_.c_str(), work_.c_str())) << Boxes();
  EXPECT_FALSE(std::filesystem::exists(work_ + ".log"));
}

}  // namespace
