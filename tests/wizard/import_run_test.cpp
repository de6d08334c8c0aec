// Guards the import run on a real shop file: item numbers cut only when
// their decimals are zeros; department cells cleaned and split; values
// shortened for the log; prices and choice surcharges read with the
// decimal comma ("2,50" is 2.5), a value with both separators read with
// the last as the decimal point and logged with its row; a non-number price logged and left as it was; imported
// options replace a new product's default ones ("Material" kept with its
// choices), which stay while no row names an option, a third option logged
// and left out; a second batch with the same item numbers updates instead
// of duplicating; a product keeps the three shipping items it was made
// with (one per transport method, none added); departments made level by
// level and reused; a path deeper than the limit undoes its whole batch and
// is logged; rows with log lines are counted once each.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "department.h"
#include "dv_cursor.h"
#include "import_run.h"
#include "import_text.h"
#include "options.h"
#include "product.h"
#include "root.h"
#include "shop_session.h"
#include "shop_test_db.h"
#include "shop_test_program.h"
#include "transaction_scope.h"

namespace {

TEST(ImportText, CutAtPointOnlyDropsZeroDecimals) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {{"1234.00", "1234"}, {"12.0", "12"}, {"12.", "12"},       {"AB.12", "AB.12"},
               {"12.5", "12.5"},    {"1234", "1234"}, {".00", ".00"},     {"A1.00", "A1.00"},
               {"-7.000", "-7"},    {"", ""},         {"1.2.0", "1.2.0"}};
  for (const auto& c : cases) EXPECT_STREQ(CutAtPoint(c.in), c.out) << c.in;
}

TEST(ImportText, DepartmentCellsAndLogValues) {
  EXPECT_STREQ(CleanDepartmentName("  \t\"Garden\\Tools\"/ \t"), "GardenTools");
  EXPECT_STREQ(CleanDepartmentName("A/B//"), "A/B");
  auto levels = SplitDepartmentPath("My Departments/A//B");
  ASSERT_EQ(levels.size(), 3u);
  EXPECT_STREQ(levels[2], "B");
  EXPECT_STREQ(TruncateForLog("12345678901234567890", 15), "123456789012345...,");
  EXPECT_STREQ(TruncateForLog("short", 15), "short,");
  EXPECT_STREQ(NormaliseCellValue("<null>"), "");
  EXPECT_STREQ(NormaliseCellValue("one<eol>two"), "one\ntwo");
  EXPECT_TRUE(LooksLikeNumber(" 2,50 "));
  EXPECT_TRUE(LooksLikeNumber("-1,234.50"));
  EXPECT_FALSE(LooksLikeNumber("abc"));
  EXPECT_FALSE(LooksLikeNumber("12abc"));
  EXPECT_FALSE(LooksLikeNumber(""));
  EXPECT_TRUE(HasBothSeparators("1,234.50"));
  EXPECT_FALSE(HasBothSeparators("2,50"));
}

// Codes of the mapping columns the rows carry.
constexpr DWORD kName = 0, kItem = 1, kDept = 2, kPrice = 5;
const DWORD kOption1 = 0x80000000, kChoice1Name = 0x80000001, kChoice1Price = 0x80000002;
const DWORD kOption2 = 0x80100000, kOption3 = 0x80200000;

class ImportRunTest : public ::testing::Test {
 protected:
  ImportRunTest() : log(program.path().c_str()) {}
  void SetUp() override {
    shop_test::clear_shop_state();
    shop_test::install_program_folder(program.path());
    session = std::make_unique<CShopSession>();
    session->Create((dir / "shop.kvc").c_str());
  }
  void TearDown() override {
    run.reset();
    try {
      {
        CTransactionScope scope;
        session->GetDatabase()->self_check();
        scope.Commit();
      }
      session.reset();
    } catch (const dv_qem::dv_err& e) {
      ADD_FAILURE() << e.get_report();
    }
    shop_test::clear_shop_state();
  }
  CImportRun::BatchResult Import(const std::vector<ImportRow>& rows, bool byDepartment, long firstRow = 1) {
    if (!run) run = std::make_unique<CImportRun>(session->GetDatabase(), session->GetRoot(), 0, log);
    return run->ImportBatch(rows, session->GetRoot()->GetMyShopDept(), "My Departments", byDepartment, firstRow);
  }
  std::vector<Product*> AllProducts() {
    std::vector<Product*> products;
    dv_qem::dv_cursor cursor(*session->GetRoot()->GetAllProductsDept()->GetProducts());
    void* e = nullptr;
    for (int more = cursor.first(e); more; more = cursor.next(e)) products.push_back(static_cast<Product*>(e));
    return products;
  }
  std::vector<std::string> OptionNames(Product* product) {
    std::vector<std::string> names;
    dv_qem::dv_cursor cursor(*product->GetCatStruct().m_pOptions);
    void* e = nullptr;
    for (int more = cursor.first(e); more; more = cursor.next(e)) {
      CString name;
      static_cast<COption*>(e)->GetName(name, 0);
      names.push_back(static_cast<LPCTSTR>(name));
    }
    return names;
  }
  std::string ImportLogText() {
    std::ifstream in(program / "Tallyport.Log");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  shop_test::runtime runtime_;
  dv_test::scratch_dir program;
  dv_test::scratch_dir dir;
  std::unique_ptr<CShopSession> session;
  CImportLog log;
  std::unique_ptr<CImportRun> run;
};

TEST_F(ImportRunTest, FieldsNumbersAndImportedOptions) {
  ASSERT_EQ(Import({{{kName, "Rake"}, {kItem, "1234.00"}, {kPrice, "2,50"}, {kOption1, "Material"},
                     {kChoice1Name, "Oak"}, {kChoice1Price, "1,25"}},
                    {{kName, "Hoe"}, {kItem, "AB.12"}, {kPrice, "1,234.50"}, {kOption1, "Size"},
                     {kOption2, "Colour"}, {kOption3, "Weight"}}},
                   false),
            CImportRun::kBatchDone);
  CTransactionScope scope;
  auto products = AllProducts();
  ASSERT_EQ(products.size(), 2u);
  EXPECT_STREQ(static_cast<LPCSTR>(products[0]->strOrderNumber), "1234");
  EXPECT_DOUBLE_EQ(products[0]->GetPriceWeight().fPrice, 2.5);
  EXPECT_EQ(OptionNames(products[0]), std::vector<std::string>{"Material"}) << "the default options make way";
  COption* material = products[0]->GetCatStruct().m_pOptions->retrieve_first();
  ASSERT_EQ(material->m_aChoices->cardinality(), 1u);
  EXPECT_DOUBLE_EQ(material->m_aChoices->retrieve_first()->GetPrice(), 1.25) << "a surcharge reads like a price";
  EXPECT_STREQ(static_cast<LPCSTR>(products[1]->strOrderNumber), "AB.12") << "only zero decimals are cut";
  EXPECT_DOUBLE_EQ(products[1]->GetPriceWeight().fPrice, 1234.5) << "the last separator is the decimal point";
  EXPECT_EQ(OptionNames(products[1]), (std::vector<std::string>{"Size", "Colour"}));
  const std::string logText = ImportLogText();
  EXPECT_NE(logText.find("Row 2: price \"1,234.50\" holds both ',' and '.'"), std::string::npos) << logText;
  EXPECT_NE(logText.find("Row 2: option \"Weight\" left out"), std::string::npos) << logText;
  EXPECT_EQ(run->RowsWithProblems(), 1) << "the two lines of row 2 count one row";
  scope.Commit();
}

TEST_F(ImportRunTest, DefaultOptionsStayUntilARowNamesAnOption) {
  // Rows without an option name (empty or <NULL>) make products with the
  // four default options; a later row naming an option replaces them.
  const std::vector<std::string> defaults{"Size", "Color", "Option1", "Option2"};
  ASSERT_EQ(Import({{{kName, "Rake"}, {kItem, "R1"}, {kOption1, ""}, {kChoice1Name, "Oak"}},
                    {{kName, "Hoe"}, {kItem, "H1"}, {kOption1, "<null>"}},
                    {{kName, "Can"}, {kItem, "C1"}}},
                   false),
            CImportRun::kBatchDone);
  ASSERT_EQ(Import({{{kName, "Rake"}, {kItem, "R1"}, {kOption1, "Material"}, {kChoice1Name, "Oak"}}}, false, 4),
            CImportRun::kBatchDone);
  CTransactionScope scope;
  auto products = AllProducts();
  ASSERT_EQ(products.size(), 3u);
  EXPECT_EQ(OptionNames(products[0]), std::vector<std::string>{"Material"}) << "the later row's option replaces them";
  EXPECT_EQ(products[0]->GetCatStruct().m_pOptions->retrieve_first()->m_aChoices->cardinality(), 1u);
  EXPECT_EQ(OptionNames(products[1]), defaults) << "<NULL> names no option";
  EXPECT_EQ(OptionNames(products[2]), defaults);
  for (Product* product : products)
    EXPECT_EQ(product->GetShippingList()->cardinality(), 3u) << "one shipping item per transport method";
  scope.Commit();
}

TEST_F(ImportRunTest, SecondBatchUpdatesAndBadPriceIsLogged) {
  ASSERT_EQ(Import({{{kName, "Rake"}, {kItem, "R1"}, {kPrice, "9.5"}}}, false), CImportRun::kBatchDone);
  ASSERT_EQ(Import({{{kName, "Rake 2"}, {kItem, "R1"}, {kPrice, "abc"}}, {{kName, "Spade"}, {kItem, ""}}}, false, 7),
            CImportRun::kBatchDone);
  EXPECT_EQ(run->RowsUpdated(), 1);
  CTransactionScope scope;
  auto products = AllProducts();
  ASSERT_EQ(products.size(), 2u);
  CString name;
  products[0]->GetName(name, 0);
  EXPECT_STREQ(name, "Rake 2");
  EXPECT_DOUBLE_EQ(products[0]->GetPriceWeight().fPrice, 9.5) << "a price that is no number changes nothing";
  EXPECT_EQ(std::string(static_cast<LPCSTR>(products[1]->strOrderNumber)), "genid_" + std::to_string(products[1]->GetID()));
  EXPECT_NE(ImportLogText().find("Row 7: price \"abc\" is not a number"), std::string::npos);
  scope.Commit();
}

TEST_F(ImportRunTest, DepartmentsMadeLevelByLevelAndTooDeepUndoesTheBatch) {
  ASSERT_EQ(Import({{{kName, "Rake"}, {kItem, "R1"}, {kDept, "Garden/Tools"}},
                    {{kName, "Hoe"}, {kItem, "H1"}, {kDept, "garden/tools"}}},
                   true),
            CImportRun::kBatchDone);
  ASSERT_EQ(Import({{{kName, "Can"}, {kItem, "C1"}, {kDept, "Water"}}, {{kName, "Pot"}, {kItem, "P1"}, {kDept, "A/B/C"}}},
                   true, 3),
            CImportRun::kPathTooDeep);
  CTransactionScope scope;
  Department* top = session->GetRoot()->GetMyShopDept();
  auto child = [](Department* parent, const char* name) -> Department* {
    dv_qem::dv_cursor cursor(*parent->GetChildren());
    void* e = nullptr;
    for (int more = cursor.first(e); more; more = cursor.next(e)) {
      CString text;
      static_cast<Department*>(e)->GetName(text, 0);
      if (text == name) return static_cast<Department*>(e);
    }
    return nullptr;
  };
  EXPECT_EQ(child(top, "Water"), nullptr) << "the refused batch left no department";
  EXPECT_EQ(child(top, "A"), nullptr);
  Department* garden = child(top, "Garden");
  ASSERT_NE(garden, nullptr);
  ASSERT_EQ(garden->GetChildren()->cardinality(), 1u) << "one Tools whatever its case";
  Department* tools = child(garden, "Tools");
  ASSERT_NE(tools, nullptr);
  EXPECT_EQ(tools->GetProducts()->cardinality(), 2u);
  EXPECT_EQ(AllProducts().size(), 2u) << "nothing of the refused batch stays";
  EXPECT_NE(ImportLogText().find("Row 4: department path \"My Departments/A/B/C\" has more than 3 levels"),
            std::string::npos);
  scope.Commit();
}

}  // namespace
