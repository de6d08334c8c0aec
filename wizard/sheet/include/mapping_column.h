// The rows of the mapping grid: one mapping column each, carrying its
// caption, the source field mapped onto it (empty: none), its code and its
// running number; and the field-name table of the main columns.
#pragma once

#include "fw_string.h"
#include "mapping_column_code.h"

struct CMappingColumn {
  CString m_strCaption;      // what the grid shows ("Product Name", "Option1 Choice name 1")
  CString m_strSourceField;  // the source column mapped onto it; empty when none
  MappingColumnCode m_code;
  // Running number in the order of making; once the mapping page stores
  // the mapping, the index of the matched source column (-1: none mapped).
  int m_nNumber = 0;
  int m_nColumnSize = 0;     // measured size of the matched source column; 0 when none
};

// One entry of the field-name table: the caption's string id and the name
// of the shop field.
struct FieldNameEntry {
  UINT stringId;
  const char* fieldName;
};

// The nine main fields in column order ("P_NAME" first, "P_LINK" last);
// with four main columns only the first four are used.
extern const FieldNameEntry kFieldNameTable[9];
