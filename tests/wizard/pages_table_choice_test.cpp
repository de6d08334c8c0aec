// Guards the table page's choices: the table a file-based source names
// (file name for text, base name for dBase and Paradox), catalogue items
// matched without quotes, brackets or letter case, and the rowset size of the rows
// combo capped for "All items" and for wide rows, never 0.
#include <gtest/gtest.h>

#include "table_choice.h"

namespace {

TEST(TableChoice, TableOfTheSourceFile) {
  EXPECT_STREQ(TableNameOfSourceFile(2, "/data/Products.csv"), "Products.csv");
  EXPECT_STREQ(TableNameOfSourceFile(5, "C:\\exports\\items.txt"), "items.txt");
  EXPECT_STREQ(TableNameOfSourceFile(3, "/data/Stock.DBF"), "Stock");
  EXPECT_STREQ(TableNameOfSourceFile(7, "/data/parts.db"), "parts");
  EXPECT_STREQ(TableNameOfSourceFile(0, "/data/shop.mdb"), "");
}

TEST(TableChoice, ItemsMatchWithoutQuotesOrCase) {
  std::vector<CString> names = {"customers", "Orders", "stock", "Products.csv", "br]ack\"et", "Stock"};
  EXPECT_EQ(FindTableItem(names, "STOCK", '"'), 2);
  EXPECT_EQ(FindTableItem(names, "Stock", '"'), 5) << "an exact match first";
  EXPECT_EQ(FindTableItem(names, "[stock]", '"'), 2);
  EXPECT_EQ(FindTableItem(names, "\"stock\"", '"'), 2);
  EXPECT_EQ(FindTableItem(names, "\"dbo\".\"orders\"", '"'), 1);
  EXPECT_EQ(FindTableItem(names, "products.csv", '"'), 3);
  EXPECT_EQ(FindTableItem(names, "\"br]ack\"\"et\"", '"'), 4);
  EXPECT_EQ(FindTableItem(names, "missing", '"'), -1);
  EXPECT_EQ(FindTableItem(names, "", '"'), -1);
  EXPECT_STREQ(UnquotedTableName("`o`.`a``b`", '`'), "a`b");
}

TEST(TableChoice, RowsetSizeCapped) {
  struct Case {
    const char* choice;
    long records, rowBytes;
    int rows;
  } cases[] = {
      {"25 ", 5000, 100, 25},
      {"2000 ", 5000, 100, 2000},
      {"All items", 40, 100, 40},
      {"All items", 3000000, 100, kMaxRowsetRows},
      {"All items", 1500, 1 << 20, 32},
      {"All items", 0, 100, 1},
      {"1000", 5000, 1 << 30, 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RowsetSizeForChoice(c.choice, "All items", c.records, c.rowBytes), c.rows) << c.choice << " " << c.records;
}

}  // namespace
