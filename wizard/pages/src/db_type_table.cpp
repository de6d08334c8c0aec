// The table of source types of the database-type page.
#include "db_type_table.h"

DbTypeEntry DbTypeTable[kDbTypeCount] = {
    {0, "*.mdb", "Access (*.mdb)", "Access Files (*.mdb)|*.mdb", "test_access.mdb", "Access_file", "test_access.mdb"},
    {2, "*.csv;*.txt", "Text (*.csv,*.txt)", "Text Files (*.csv,*.txt)|*.csv;*.txt", "test_csv.csv",
     "PlainText_file", "test_csv.csv"},
    {1, "*.xls", "Excel (*.xls)", "Excel Files (*.xls)|*.xls", "test_excel.xls", "Excel_file", "test_excel.xls"},
    {8, "*.db", "Quillon Shop (www.quillonshop.com)", "Paradox Files (*.db)|*.db", "product.db", "Quillon_file", "product.db"},
    // The program reads these too; their default mapping files ship with it.
    {4, "*.csv;*.txt", "MYOB export (*.csv,*.txt)", "Text Files (*.csv,*.txt)|*.csv;*.txt", "myob_export.txt",
     "MYOB_file", "myob_export.txt"},
    {5, "*.csv;*.txt", "QuickBooks export (*.csv,*.txt)", "Text Files (*.csv,*.txt)|*.csv;*.txt",
     "quickbooks_export.csv", "QuickBooks_file", "quickbooks_export.csv"},
    // A data source names no file: its "file" is the data source name.
    {6, "", "ODBC data source (DSN)", "", "", "DataSource_name", ""},
};

int g_nChosenDbType = -1;

const DbTypeEntry* ChosenDbType() {
  return g_nChosenDbType >= 0 && g_nChosenDbType < kDbTypeCount ? &DbTypeTable[g_nChosenDbType] : nullptr;
}
