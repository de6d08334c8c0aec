// CDBaseListVw: the list that shows the sheet's query one rowset at a
// time, with a status text giving the first and last row shown and the
// total, or that keeps the fetched rowset as cells for the import run.
#pragma once

#include <memory>
#include <vector>

#include "bulk_recordset.h"
#include "list_view_base.h"
#include "preview_sheet.h"

// The direction of the last rowset request.
enum PreviewDirection : int { kPreviewFirst = 0, kPreviewNext = 1, kPreviewPrevious = 2, kPreviewLast = 3 };

// One field of one stored row.
struct PreviewCell {
  CString value;
  DWORD code = 0xFFFFFFFF;  // the mapping-column code; all bits set: no item
  CString name;             // the field's name (empty when prepared with the mapped items)
  SWORD sqlType = 0;
  int columnIndex = -1;
  int columnSize = 0;
};
using PreviewRow = std::shared_ptr<std::vector<PreviewCell>>;

class CDBaseListVw : public CListViewBase {
 public:
  // Texts of values that are no field text.
  static constexpr const char* kDeletedRow = "<DELETED>";
  static constexpr const char* kNoRow = "<NO_ROW>";
  static constexpr const char* kNull = "<NULL>";

  CDBaseListVw() = default;
  ~CDBaseListVw() override;

  void AttachSheet(PreviewSheet* sheet) { m_pSheet = sheet; }
  // The list's width in pixels, which mapped columns share.
  void SetListWidth(int pixels) { m_nListWidth = pixels; }

  // The row count of the sheet's query, counted once for each query and
  // connection (force: counted again); a count the sheet knows serves
  // unless forced, and a count made here is told to the sheet.
  long GetRecordCount(BOOL force = FALSE);

  // Deletes rows and columns; makes one column per mapping-column item
  // that names a source field, captioned with the item's caption
  // (fromRecordset FALSE), or requeries and makes one per field.
  void SetupColumns(BOOL fromRecordset);
  // Opens the sheet's query afresh (read-only, multi-row) to be shown: the
  // rows are read from the source as far as the moves ask (the first
  // rowset; the last reads to the end), never the whole result for the
  // first; with fill shows the first rowset. The row count is made before
  // the result opens. Item numbers lose zero decimals ("123.0" shows as
  // "123", "1.10" stays). Right after SetupColumns (fromRecordset TRUE),
  // the result it opened is kept when the query (its closing semicolon
  // aside), rowset size and column sizes are the same.
  void Requery(BOOL fill);
  // Opens the sheet's query afresh for one pass from the first rowset to
  // the end (MoveNext): on a staged source forward-only, so that the
  // driver keeps no copy of the whole result; elsewhere as a snapshot.
  // Shows nothing. After the pass, a result that cannot move back
  // (CanMoveBack FALSE) is opened again by Requery to be shown.
  void OpenForOnePass();
  BOOL CanMoveBack() const { return IsOpen() && m_pSet->m_nOpenType != CRecordset::forwardOnly; }
  // Fills the list (store FALSE) or the stored rowset (store TRUE) from the
  // recordset's current rowset.
  void FillData(BOOL store);
  // Collects the mapping-column items that have a source field (the
  // query selects exactly those, in order).
  void PrepareMappedItems();
  void CloseRowset();

  CString GetItemTextAt(int row, int column) const { return GetItemText(row, column); }
  std::vector<CString> GetHeaderTexts() const;
  std::vector<CString> GetStoredFieldCaptions() const;
  int GetStoredFieldCount() const;
  const std::vector<PreviewRow>& GetStoredRows() const { return m_storedRows; }
  BOOL IsOpen() const { return m_pSet != nullptr && m_pSet->IsOpen(); }

  // For the navigator.
  CDynamicBulkSet* GetRecordset() const { return m_pSet.get(); }
  void SetDirection(PreviewDirection direction) { m_nDirection = direction; }
  int GetRowsInRowset() const { return m_nRows; }
  const CString& GetStatusText() const { return m_strStatus; }
  int GetFirstRowShown() const { return m_nFirstRow; }
  int GetLastRowShown() const { return m_nLastRow; }

 private:
  // The rows of query as the source counts them (SELECT COUNT(*) over
  // it); -1 when the source cannot.
  long CountInSource(const CString& query);
  // Closes the open result, then opens the sheet's query with openType and
  // options (the row count made first).
  void OpenQuery(UINT openType, DWORD options);
  std::vector<int> BindingSizes() const;
  static CString ValueText(const CDynamicBulkSet& set, int field, int row);
  void NumberRows(int rows);
  // Cuts a point followed by zeros only ("123.0" shows as "123") from the
  // texts of column, as the import reads an item number.
  void CutZeroDecimals(int column);

  PreviewSheet* m_pSheet = nullptr;
  std::unique_ptr<CDynamicBulkSet> m_pSet;
  int m_nRows = 0;
  int m_nPrevRows = 0;
  PreviewDirection m_nDirection = kPreviewFirst;
  int m_nFirstRow = 0;
  int m_nLastRow = 0;
  long m_nTotal = 0;
  CString m_strCountedFor;  // the connection and query m_nTotal counts
  // The query and column sizes the open result was opened with, and
  // whether SetupColumns has just opened it (nothing fetched or shown
  // since): the next Requery then keeps it.
  CString m_openedQuery;
  std::vector<int> m_openedSizes;
  bool m_bJustOpened = false;
  CString m_strStatus;
  std::vector<PreviewRow> m_storedRows;
  std::vector<PreviewMappingItem> m_prepared;
  BOOL m_bColumnsFromRecordset = FALSE;
  int m_nListWidth = 0;
};
