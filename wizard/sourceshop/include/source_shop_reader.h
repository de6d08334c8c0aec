// Reads the five tables "PRODUCT", "CATEGORY", "CAT_PROD", "VAT" and "SHOP"
// of a shop's table folder completely into records, through the table
// reader, and checks that they can be migrated before anything is written.
#pragma once

#include <functional>

#include "bde_table_cursor.h"
#include "source_shop_records.h"

// Called with the progress position (0..100) as rows are read; may be empty.
using SourceShopProgress = std::function<void(int position)>;

// Reads the tables of folder into tables (emptied first). A table that
// cannot be opened is reported with the reader's exception, then thrown as
// a CBdeException (engine code 8) naming it; any other reader failure is
// thrown as it comes. Columns missing from a table leave their fields at
// their initial values.
void ReadSourceShopTables(LPCTSTR folder, SourceShopTables& tables, const SourceShopProgress& progress);

// Refuses (throws a CBdeException naming the table) tables that cannot
// become a shop: a SHOP table without exactly one row, and categories whose
// parents lead round in a circle. Rows of CAT_PROD with a blank key were
// dropped by the reading already.
void CheckSourceShopTables(const SourceShopTables& tables, LPCTSTR folder);

// The first category record whose C_ID is id and that stands for a
// department (ids -2 and -3 never do); null when none.
const SourceCategory* FindSourceCategory(const SourceShopTables& tables, int id);
