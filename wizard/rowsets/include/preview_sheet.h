// What the data preview reads of the wizard sheet: its connection, its
// query and rowset size, the source-column descriptors and the
// mapping-column items. The sheet implements it.
#pragma once

#include <vector>

#include "odbc_database.h"

// One column of the source query.
struct PreviewSourceColumn {
  int index = 0;
  CString name;
  int size = 0;  // the measured size
  SWORD sqlType = 0;
};

// One mapping-column item: its caption, its code, the source field mapped
// onto it (empty: none) and that field's column index and size.
struct PreviewMappingItem {
  CString caption;
  DWORD code = 0;
  CString sourceField;
  int columnIndex = -1;
  int columnSize = 0;
};

class PreviewSheet {
 public:
  virtual ~PreviewSheet() = default;
  virtual CDatabase& PreviewDatabase() = 0;
  virtual CString PreviewQuery() = 0;
  virtual int PreviewRowsetSize() = 0;
  virtual std::vector<PreviewSourceColumn> PreviewSourceColumns() = 0;
  virtual std::vector<PreviewMappingItem> PreviewMappingItems() = 0;
  // The row count of query on the connection connect when the sheet knows
  // it (its source measured, or another preview counted it); -1 otherwise.
  virtual long PreviewKnownCount(const CString& connect, const CString& query) { return -1; }
  // A preview counted query on connect: the sheet may keep it for others.
  virtual void PreviewCounted(const CString& connect, const CString& query, long count) {}
};

// A statement without its closing semicolons and blanks: the same query
// for counting and reusing a result.
CString PreviewStatementKey(CString statement);
