// Guards the sheet's reading of a source through the ODBC layer: the
// measured column sizes (a text's length, 100 more past 127 characters,
// every long column then given the longest one's size, numbers counting
// nothing) and the source-column descriptors with their names, sizes and
// SQL types, for a delimited text file in the program folder.
#include <gtest/gtest.h>

#include <string>

#include "app_settings.h"
#include "fw_paths.h"
#include "main_sheet.h"
#include "wizard_home.h"

namespace {

class SourceColumns : public ::testing::Test {
 protected:
  SourceColumns() {
    FwSetProgramFolder(home.path().c_str());
    theDefaultSettings.m_strAppDir = home.path().c_str();
    std::string longText(300, 'd');
    std::string middleText(150, 'n');
    home.Write("wide.csv", "Name,Description,Notes,Price\n"
                           "Rake,short,," + std::string("4.5") + "\n"
                           "Garden Trowel," + longText + "," + middleText + ",12.5\n");
    sheet.m_typDatabase = kSourceText;
    sheet.m_strConnectionString = sheet.BuildConnectionString(kSourceText) + "DBQ=;";
    sheet.m_strSQLQuery = "SELECT * FROM [wide.csv]";
  }
  ~SourceColumns() override { FwSetProgramFolder(nullptr); }

  wizard_test::WizardHome home;
  CMainSheet sheet;
};

TEST_F(SourceColumns, SizesOfTheLongestValues) {
  std::vector<DWORD> sizes;
  sheet.DetermineColnSizes(sizes);
  ASSERT_EQ(sizes.size(), 4u);
  EXPECT_EQ(sizes[0], 13u) << "\"Garden Trowel\"";
  EXPECT_EQ(sizes[1], 400u) << "300 characters count 400";
  EXPECT_EQ(sizes[2], 400u) << "150 characters count 250, then the longest column's size";
}

TEST_F(SourceColumns, DescriptorsOfTheQuery) {
  sheet.m_database.OpenEx(sheet.m_strConnectionString, CDatabase::noOdbcDialog);
  sheet.BuildSourceColumns();
  ASSERT_EQ(sheet.m_sourceColumns.size(), 4u);
  const char* names[] = {"Name", "Description", "Notes", "Price"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(sheet.m_sourceColumns[i]->m_nIndex, i);
    EXPECT_STREQ(sheet.m_sourceColumns[i]->m_strName, names[i]);
    EXPECT_EQ(sheet.m_sourceColumns[i]->m_nSize, sheet.m_colnSizes[i]);
  }
  EXPECT_EQ(sheet.m_sourceColumns[1]->m_nSize, 400u);
  EXPECT_EQ(sheet.PreviewSourceColumns().size(), 4u);
  sheet.m_database.Close();
}

}  // namespace
