// The data preview list.
#include "preview_list.h"

#include <algorithm>
#include <cstdlib>

namespace {

// The mapping-column code of the item number (a main column).
constexpr DWORD kItemNumberCode = 1;
constexpr int kMinimumMappedColumnWidth = 75;
constexpr int kFieldColumnWidth = 80;
constexpr DWORD kCountRowsetSize = 100;
constexpr UINT kStatusString = 8032;  // " %ld - %ld of %ld records"
constexpr UINT kReadOnlyMultiRow = CRecordset::readOnly | CRecordset::useMultiRowFetch;

// The items that name a source field, in order.
std::vector<PreviewMappingItem> MappedItems(const std::vector<PreviewMappingItem>& items) {
  std::vector<PreviewMappingItem> mapped;
  for (const PreviewMappingItem& item : items)
    if (!item.sourceField.IsEmpty()) mapped.push_back(item);
  return mapped;
}

}  // namespace

CDBaseListVw::~CDBaseListVw() { CloseRowset(); }

std::vector<int> CDBaseListVw::BindingSizes() const {
  // Each column is bound with the size the sheet records for it: the
  // mapped item's while the preview was prepared with the mapped items,
  // else the measured size of the source column; the same width then steps
  // from one row's text to the next.
  std::vector<PreviewSourceColumn> sources = m_pSheet->PreviewSourceColumns();
  std::vector<int> sizes;
  const size_t count = std::max(m_prepared.size(), sources.size());
  for (size_t f = 0; f < count; ++f) {
    if (f < m_prepared.size())
      sizes.push_back(m_prepared[f].columnSize);
    else
      sizes.push_back(sources[f].size);
  }
  return sizes;
}

CString PreviewStatementKey(CString statement) {
  statement.TrimRight();
  while (!statement.IsEmpty() && statement[statement.GetLength() - 1] == ';') {
    statement = statement.Left(statement.GetLength() - 1);
    statement.TrimRight();
  }
  return statement;
}

void CDBaseListVw::OpenQuery(UINT openType, DWORD options) {
  if (m_pSheet == nullptr) throw FwControlError("the preview list has no sheet");
  m_bJustOpened = false;
  if (m_pSet) m_pSet->Close();
  // Counted before the result opens: an open result that reads as it
  // moves holds the source, which a count may have to stage again.
  GetRecordCount();
  const std::vector<int> sizes = BindingSizes();
  const CString query = m_pSheet->PreviewQuery();
  if (!m_pSet) m_pSet = std::make_unique<CDynamicBulkSet>(&m_pSheet->PreviewDatabase());
  m_pSet->SetRowsetSize(static_cast<DWORD>(m_pSheet->PreviewRowsetSize()));
  m_pSet->SetColumnSizes(sizes);
  m_pSet->Open(openType, query, options);
  m_openedQuery = query;
  m_openedSizes = sizes;
}

void CDBaseListVw::OpenForOnePass() {
  if (m_pSheet == nullptr) throw FwControlError("the preview list has no sheet");
  // A staged source's driver steps a forward-only statement as its rows
  // are fetched: one pass, and no copy of the whole result, which its
  // static cursor would make when it executes. Another driver keeps the
  // preview's kind of result (one that scrolls can go back to the first
  // rowset after the pass without executing the query again; one that
  // cannot has its rows kept here, and a read error names its row).
  const CDatabase& database = m_pSheet->PreviewDatabase();
  const bool stepping = database.DriverScrolls() && database.IsStagedSource();
  OpenQuery(stepping ? CRecordset::forwardOnly : CRecordset::snapshot, kReadOnlyMultiRow);
  m_nDirection = kPreviewFirst;
}

void CDBaseListVw::Requery(BOOL fill) {
  if (m_pSheet == nullptr) throw FwControlError("the preview list has no sheet");
  const DWORD rowsetSize = static_cast<DWORD>(m_pSheet->PreviewRowsetSize());
  // The result SetupColumns has just opened for its field names serves
  // when nothing has changed since.
  const bool reuse = m_bJustOpened && IsOpen() && m_pSet->GetRowsetSize() == rowsetSize &&
                     m_openedSizes == BindingSizes() &&
                     PreviewStatementKey(m_pSheet->PreviewQuery()) == PreviewStatementKey(m_openedQuery);
  m_bJustOpened = false;
  // A preview reads the source only as far as it is moved (the first
  // rowset when it opens), never the whole result to show the first.
  if (!reuse) OpenQuery(CRecordset::snapshot, kReadOnlyMultiRow | CRecordset::readAsNeeded);
  m_nDirection = kPreviewFirst;
  if (fill) FillData(FALSE);
  // A number read as 123.0 shows as 123 in the item-number column, as the
  // import reads it; 1.10 stays 1.10.
  const std::vector<PreviewMappingItem> items = m_pSheet->PreviewMappingItems();
  const std::vector<PreviewMappingItem> mapped = MappedItems(items);
  for (size_t i = 0; i < mapped.size() && !m_bColumnsFromRecordset; ++i)
    if (mapped[i].code == kItemNumberCode && static_cast<int>(i) < GetColumnCount()) CutZeroDecimals(static_cast<int>(i));
  for (size_t i = 0; i < items.size() && m_bColumnsFromRecordset; ++i) {
    if (items[i].code != kItemNumberCode) continue;
    int column = -1;
    if (!items[i].sourceField.IsEmpty()) {
      for (short f = 0; f < m_pSet->GetODBCFieldCount(); ++f) {
        CODBCFieldInfo info;
        m_pSet->GetODBCFieldInfo(f, info);
        if (info.m_strName.CompareNoCase(items[i].sourceField) == 0) column = f;
      }
    }
    if (column >= 0 && column < GetColumnCount()) CutZeroDecimals(column);
    break;
  }
}

void CDBaseListVw::CutZeroDecimals(int column) {
  for (int r = 0; r < GetItemCount(); ++r) {
    const CString text = GetItemText(r, column);
    const int point = text.Find('.');
    if (point <= 0) continue;
    bool cut = true;
    for (int i = 0; i < text.GetLength() && cut; ++i) {
      const char c = text[i];
      if (i < point) cut = (c >= '0' && c <= '9') || (i == 0 && (c == '-' || c == '+'));
      else if (i > point) cut = c == '0';
    }
    if (cut) SetItemText(r, column, text.Left(point));
  }
}

void CDBaseListVw::SetupColumns(BOOL fromRecordset) {
  DeleteAllItems();
  while (GetColumnCount() > 0) DeleteColumn(0);
  m_bColumnsFromRecordset = fromRecordset;
  if (!fromRecordset) {
    // The query selects the mapped items' fields, in order: one column for
    // each, captioned with what it holds.
    const std::vector<PreviewMappingItem> items = MappedItems(m_pSheet->PreviewMappingItems());
    if (items.empty()) return;
    const int width = std::max(m_nListWidth / static_cast<int>(items.size()), kMinimumMappedColumnWidth);
    for (size_t i = 0; i < items.size(); ++i) InsertColumn(static_cast<int>(i), items[i].caption, 0, width);
    return;
  }
  Requery(FALSE);
  m_bJustOpened = true;
  for (short f = 0; f < m_pSet->GetODBCFieldCount(); ++f) {
    CODBCFieldInfo info;
    m_pSet->GetODBCFieldInfo(f, info);
    if (InsertColumn(f, info.m_strName, 0, kFieldColumnWidth) < 0) break;
  }
}

long CDBaseListVw::CountInSource(const CString& query) {
  // The query as a derived table, without its closing semicolon.
  CDynamicBulkSet counter(&m_pSheet->PreviewDatabase());
  counter.SetRowsetSize(1);
  try {
    counter.Open(CRecordset::snapshot, "SELECT COUNT(*) FROM (" + PreviewStatementKey(query) + ") AS counted",
                 kReadOnlyMultiRow);
  } catch (CDBException* e) {
    e->Delete();
    return -1;
  }
  long total = -1;
  if (!counter.IsEOF() && counter.GetRowsFetched() == 1 && counter.GetColumnLengths(0)[0] != SQL_NULL_DATA)
    total = std::atol(counter.GetColumnValues(0));
  counter.Close();
  return total;
}

long CDBaseListVw::GetRecordCount(BOOL force) {
  // Another query (a condition, another table) or another source is
  // counted anew; the same one keeps its count.
  const CString connect = m_pSheet->PreviewDatabase().GetConnect();
  const CString query = PreviewStatementKey(m_pSheet->PreviewQuery());
  const CString countedFor = connect + "\n" + query;
  if (force || countedFor != m_strCountedFor) m_nTotal = 0;
  if (m_nTotal != 0) return m_nTotal;
  m_strCountedFor = countedFor;
  // A count the sheet knows (the source measured, or another page's
  // preview counted the same query) serves unless a recount is asked for.
  const long known = force ? -1 : m_pSheet->PreviewKnownCount(connect, query);
  if (known >= 0) return m_nTotal = known;
  // The source counts the rows itself where it can (no value is read);
  // a driver that cannot count a derived table has every row fetched.
  long total = CountInSource(query);
  if (total < 0) {
    CDynamicBulkSet counter(&m_pSheet->PreviewDatabase());
    counter.SetRowsetSize(kCountRowsetSize);
    counter.Open(CRecordset::forwardOnly, m_pSheet->PreviewQuery(), kReadOnlyMultiRow);
    total = 0;
    while (!counter.IsEOF()) {
      total += static_cast<long>(counter.GetRowsFetched());
      counter.MoveNext();
    }
    counter.Close();
  }
  m_pSheet->PreviewCounted(connect, query, total);
  return m_nTotal = total;
}

void CDBaseListVw::PrepareMappedItems() {
  m_prepared.clear();
  for (const PreviewMappingItem& item : m_pSheet->PreviewMappingItems())
    if (!item.sourceField.IsEmpty()) m_prepared.push_back(item);
}

void CDBaseListVw::CloseRowset() {
  m_pSet.reset();
  m_bJustOpened = false;
}

CString CDBaseListVw::ValueText(const CDynamicBulkSet& set, int field, int row) {
  const WORD status = set.GetRowStatus(static_cast<WORD>(row + 1));
  if (status == SQL_ROW_DELETED) return kDeletedRow;
  if (status == SQL_ROW_NOROW) return kNoRow;
  if (set.GetColumnLengths(field)[row] == SQL_NULL_DATA) return kNull;
  return set.GetColumnValues(field) + static_cast<size_t>(row) * set.GetColumnWidth(field);
}

void CDBaseListVw::NumberRows(int rows) {
  switch (m_nDirection) {
    case kPreviewFirst:
      m_nFirstRow = 1;
      m_nLastRow = rows;
      break;
    case kPreviewNext:
      m_nFirstRow += m_nPrevRows;
      m_nLastRow += rows;
      break;
    case kPreviewPrevious:
      m_nFirstRow -= rows;
      m_nLastRow -= m_nPrevRows;
      if (m_nFirstRow < 0 || m_nLastRow < 0) {
        m_nFirstRow = 1;
        m_nLastRow = rows;
      }
      break;
    case kPreviewLast:
      m_nLastRow = GetRecordCount();
      m_nFirstRow = m_nLastRow - rows + 1;
      break;
  }
  m_strStatus.Format(kStatusString, static_cast<long>(m_nFirstRow), static_cast<long>(m_nLastRow),
                     static_cast<long>(GetRecordCount()));
}

void CDBaseListVw::FillData(BOOL store) {
  m_bJustOpened = false;
  DeleteAllItems();
  if (!IsOpen()) return;
  CDynamicBulkSet& set = *m_pSet;
  const int rows = static_cast<int>(set.GetRowsFetched());
  const int fields = set.GetBoundColumnCount();
  m_nRows = rows;
  if (store) {
    m_storedRows.clear();
    for (int r = 0; r < rows; ++r) m_storedRows.push_back(std::make_shared<std::vector<PreviewCell>>(fields));
  }
  if (rows > static_cast<int>(set.GetRowsetSize())) return;
  NumberRows(rows);
  std::vector<PreviewMappingItem> items;
  if (store && m_prepared.empty()) items = m_pSheet->PreviewMappingItems();
  for (int f = 0; f < fields; ++f) {
    PreviewCell pattern;
    if (store && !m_prepared.empty()) {
      if (f < static_cast<int>(m_prepared.size())) pattern.code = m_prepared[f].code;
    } else if (store) {
      CODBCFieldInfo info;
      set.GetODBCFieldInfo(static_cast<short>(f), info);
      pattern.name = info.m_strName;
      pattern.sqlType = info.m_nSQLType;
      for (const PreviewMappingItem& item : items) {
        if (item.sourceField.CompareNoCase(info.m_strName) != 0) continue;
        pattern.code = item.code;
        pattern.columnIndex = item.columnIndex;
        pattern.columnSize = item.columnSize;
        break;
      }
    }
    for (int r = 0; r < rows; ++r) {
      CString text = ValueText(set, f, r);
      if (store) {
        PreviewCell& cell = (*m_storedRows[r])[f];
        cell = pattern;
        cell.value = text;
      } else if (f == 0) {
        InsertItem(r, text);
      } else {
        SetItemText(r, f, text);
      }
    }
  }
  m_nPrevRows = rows;
}

std::vector<CString> CDBaseListVw::GetHeaderTexts() const {
  std::vector<CString> texts;
  for (int c = 0; c < GetColumnCount(); ++c) {
    FwListColumn column;
    GetColumn(c, column);
    texts.push_back(column.text.Left(511));
  }
  return texts;
}

std::vector<CString> CDBaseListVw::GetStoredFieldCaptions() const {
  std::vector<CString> captions;
  if (m_storedRows.empty()) return captions;
  std::vector<PreviewMappingItem> items = m_pSheet->PreviewMappingItems();
  for (const PreviewCell& cell : *m_storedRows.front()) {
    CString caption;
    for (const PreviewMappingItem& item : items)
      if (item.code == cell.code) caption = item.caption;
    captions.push_back(caption);
  }
  return captions;
}

int CDBaseListVw::GetStoredFieldCount() const {
  if (!m_storedRows.empty()) return static_cast<int>(m_storedRows.front()->size());
  return static_cast<int>(m_pSheet->PreviewMappingItems().size());
}
