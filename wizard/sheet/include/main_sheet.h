// The import wizard's sheet: owns every page, holds the state the pages hand
// on to one another, rebuilds its page list when the source type changes,
// and offers the services several pages call (connection strings, the
// mapping columns, the import's SELECT statement, the help page).
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "ctl_property_sheet.h"
#include "mapping_column.h"
#include "odbc_database.h"
#include "odbc_recordset.h"
#include "preview_sheet.h"
#include "source_column.h"

// The dialog ids of the wizard's pages.
enum WizardPageId : UINT {
  kDatabaseTypePage = 20000,
  kSourceFilePage = 20001,
  kTablePage = 20004,
  kSqlConditionPage = 20005,
  kImportPage = 20007,
  kTargetPage = 20008,
  kMappingPage = 20009,
  kSourceShopSelectPage = 20014,
  kSourceShopImportPage = 198,
};

// Source type codes (m_typDatabase).
enum SourceType : int {
  kSourceAccess = 0,
  kSourceExcel = 1,
  kSourceText = 2,
  kSourceDBase = 3,
  kSourceMyob = 4,
  kSourceQuickBooks = 5,
  kSourceDataSourceName = 6,
  kSourceParadox = 7,
  kSourceQuillonShop = 8,
  kSourceReserved = 9,
  kSourceNone = 10,
};

// Bits of the application's ini flags the sheet reads.
enum : DWORD { kAppFlagWizardButtons = 0x1, kAppFlagAdvancedImport = 0x2 };

class CMainSheet : public CPropertySheet, public PreviewSheet {
 public:
  enum : UINT { kCaptionString = 51485, kIconId = 21020 };

  // Makes every registered page, adds the database-type page and the pages
  // of no source type; the advanced mode comes from bit 1 of appFlags; the
  // rowset size from tallyport.ini in the program folder.
  explicit CMainSheet(DWORD appFlags = 0);
  ~CMainSheet() override;

  // Removes the first pagesToRemove pages behind the database-type page,
  // then adds the pages of m_typDatabase behind it: for the Quillon shop's
  // tables the source-shop selection, target and source-shop import pages;
  // for every other type the source-file, table, mapping, SQL condition,
  // target and import pages. A page whose class is not registered is left out.
  void RebuildPageList(int pagesToRemove);
  // The pages on the list behind the database-type page.
  int GetPageListCount() const { return static_cast<int>(pageList_.size()); }
  // The page object of dialog id (on the list or not); null when none is
  // registered.
  CPropertyPage* FindPage(UINT dialogId) const;

  // The connection string of source type from tallyport.ini; file-based
  // types (0, 1, 2, 4, 5, 8) also become the sheet's type. The reference is
  // to one string overwritten by the next call.
  const CString& BuildConnectionString(int type);
  // Makes the mapping columns anew: main columns (9 with the all-fields
  // flag, else 4), then per option its two columns and per choice three;
  // returns their count (also m_nImportingFields).
  int BuildMappingColumns();
  // The import's SELECT statement: m_strSQLQuery when set (reset empties it
  // first), else built from the mapping columns' source fields and stored.
  CString ImportSqlBuilder(BOOL reset);
  // One size per column of the source query (m_strSQLQuery, else every row
  // of m_strDBName), read on a connection of its own with
  // m_strConnectionString: the longest text's length (100 more when longer
  // than 127), binary data's length (10 more when longer than 127), other
  // values 0; every column longer than 128 then gets the longest size.
  // Returns the rows read; with fields, the result's column descriptions
  // go there. Database exceptions go to the caller.
  long DetermineColnSizes(std::vector<DWORD>& sizes, std::vector<CODBCFieldInfo>* fields = nullptr);
  // Measures the column sizes (the one pass over the whole result; its
  // row count becomes the count the previews know for the statement) and
  // describes each column of m_strSQLQuery as that pass found it (with no
  // statement, of a result opened on m_database, which must be open):
  // index, name, size, SQL type. The counts the previews kept are
  // forgotten first.
  void BuildSourceColumns();

  // What the data preview reads: the connection, m_strSQLQuery, the rowset
  // size, the source columns and the mapping columns.
  CDatabase& PreviewDatabase() override { return m_database; }
  CString PreviewQuery() override { return m_strSQLQuery; }
  int PreviewRowsetSize() override { return m_nRowsetSize; }
  std::vector<PreviewSourceColumn> PreviewSourceColumns() override;
  std::vector<PreviewMappingItem> PreviewMappingItems() override;
  long PreviewKnownCount(const CString& connect, const CString& query) override;
  void PreviewCounted(const CString& connect, const CString& query, long count) override;

  // The help context of the active page.
  DWORD ActiveHelpContext() const;
  // Opens the help page of the active page.
  void WinHelp();
  // Help asked for on a page that offers none of its own.
  BOOL OnHelp() override {
    WinHelp();
    return TRUE;
  }
  // The sheet's title becomes "Import Wizard - " and the page's text.
  void SetSheetTitle(const CWnd& page);

  // Shared state the pages hand on.
  int m_typDatabase = kSourceNone;
  CString m_strTableType = "'TABLE'";  // table types of the catalogue call
  CString m_strSourceFilePart;         // "DBQ=" and the file, appended to a file connection string
  int m_nRowsetSize = 100;             // rows per bulk fetch
  CDatabase m_database;                // the connection the import reads
  CString m_strSQLQuery;
  CString m_strDBName;                 // the source database file
  CString m_strTableName;
  CString m_strConnectionString;
  CString m_strLanguage = "English";   // shop language
  CString m_strTargetFile;             // the shop database file
  CString m_strCfgFilename;            // the mapping configuration file
  BOOL m_bAdvancedMode = FALSE;
  int m_nOptionCount = 0;
  int m_nChoiceCount = 0;
  int m_nImportingFields = 0;          // main + options x 2 + options x choices x 3
  int m_nMainColumns = 4;
  int m_nColumnsPerOption = 2;
  int m_nColumnsPerChoice = 3;
  std::vector<std::unique_ptr<CSourceColumn>> m_sourceColumns;
  std::vector<std::unique_ptr<CMappingColumn>> m_mappingColumns;
  int m_nAllFields = 0;                // set when the source-file page is left with Next
  int m_nMainColumnsCopy = 4;
  std::vector<DWORD> m_colnSizes;      // one per source column
  // The table page lists the source's tables only while this is clear; a
  // change of source file clears it.
  BOOL m_bTablesLoaded = FALSE;

 private:
  // Row counts by connection and statement (closing semicolon aside),
  // from the measuring pass and the previews, until the source is measured
  // again.
  std::map<CString, long> knownCounts_;
  std::map<UINT, std::unique_ptr<CPropertyPage>> pages_;
  std::vector<CPropertyPage*> pageList_;
  CString connectionString_;
};

// The help context of the page at pageIndex for source type: 150401 for
// the first page; pages 1 to 6 give 150402 to 150407, or for type 9 pages 1
// to 4 give 150501 to 150504; any other page 150401.
DWORD HelpContextFor(int sourceType, int pageIndex);
// The largest rowset the wizard fetches at once: the bulk buffers are rows
// times the column sizes, which must stay small in a 32-bit process.
constexpr int kMaxRowsetRows = 2000;
// The rowset size of tallyport.ini in folder (section "Wizard Settings",
// key "RowsetSize"); 100 when missing, 0 or not a number; capped at
// kMaxRowsetRows (a value saved by hand or by an older program may be
// any size).
int ReadRowsetSize(const CString& programFolder);
