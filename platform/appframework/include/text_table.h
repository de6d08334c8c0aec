// Language-dependent text tables read from tab-separated files in the
// program folder ("<name><language>.txt", else "<name>EN.txt", else
// "<name>.txt"): rows in file order with a parent row found from each
// line's path of names, and, with a key column, key -> text and text -> key
// maps. A file lists its rows depth first, each line carrying the path from
// the top.
#pragma once

#include <vector>

#include "fw_collections.h"

struct CTextTableRow {
  int m_nParent = -1;  // index of the parent row; -1 for a top-level row
  CString m_strName;
  CString m_strKey;
  DWORD m_dwItem = 0xFFFF0000;  // unused by the program (a tree item or the root marker)

  int GetParent() const { return m_nParent; }
  const CString& GetName() const { return m_strName; }
  const CString& GetKey() const { return m_strKey; }
};

class CTextTable {
 public:
  CTextTable();

  // The name becomes path's base name (no folder, no extension).
  void SetName(LPCTSTR path);
  void SetLanguage(LPCTSTR code);
  const CString& GetName() const { return m_strName; }
  const CString& GetLanguage() const { return m_strLanguage; }
  // Copies the name and language code, never the rows.
  void CopySettings(const CTextTable& other);

  // Empties the table and reads its file; keyColumn -1 means no key column.
  // An empty language code becomes the thread locale's first. 1 when a
  // file was read, 0 when none was found (the table stays empty).
  int Load(int keyColumn);
  // Text of a key (each field followed by '/'), or empty.
  CString Lookup(LPCTSTR key) const;
  // Key of a text (without its final '/'), or empty.
  CString ReverseLookup(LPCTSTR text) const;

  int GetRowCount() const { return static_cast<int>(m_rows.size()); }
  // Row i; i must be below the row count.
  const CTextTableRow& GetRow(int i) const { return m_rows[i]; }
  BOOL IsLoaded() const { return !m_rows.empty(); }

 private:
  std::vector<CTextTableRow> m_rows;
  CMapStringToString m_keyToText;
  CMapStringToString m_textToKey;
  CString m_strName;
  CString m_strLanguage;
};

// Appends to parts every non-empty piece of text between occurrences of
// separator; returns the new element count of parts.
int SplitString(const CString& text, CStringArray& parts, LPCTSTR separator);
// True when the file can be opened for reading (it is opened and closed).
bool CanOpenFile(LPCTSTR path);
