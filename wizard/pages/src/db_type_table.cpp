// The table of source types of the database-type page.
#include "db_type_table.h"

DbTypeEntry DbTypeTable[kDbTypeCount] = {
    {0, "*.mdb", "Access (*.mdb)", "Access Files (*.mdb)|*.mdb", "test_access.mdb", "Access_file", "test_access.mdb"},
    {2, "*.csv;*.txt", "Text (*.csv,*.txt)", "Text Files (*.csv,*.txt)|*.csv;*.txt", "test_csv.csv",
     "PlainText_file", "test_csv.csv"},
    {1, "*.xls", "Excel (*.xls)", "Excel Files (*.xls)|*.xls", "test_excel.xls", "Excel_file", "test_excel.xls"},
    {8, "*.db", "Quillon Shop (www.quillonshop.com)", "Paradox Files (*.db)|*.db", "product.db", "Quillon_file", "product.db"},
};

int g_nChosenDbType = -1;

const DbTypeEntry* ChosenDbType() {
  return g_nChosenDbType >= 0 && g_nChosenDbType < kDbTypeCount ? &DbTypeTable[g_nChosenDbType] : nullptr;
}
