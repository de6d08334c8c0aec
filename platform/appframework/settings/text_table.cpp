// CTextTable and its helpers.
#include "text_table.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app_settings.h"
#include "fw_mbs.h"
#include "fw_paths.h"
#include "localisation.h"
#include "whole_line.h"

CTextTable::CTextTable() : m_keyToText(10), m_textToKey(10) {}

void CTextTable::SetName(LPCTSTR path) {
  CString name(path);
  int slash = name.ReverseFind('\\');
  int forward = name.ReverseFind('/');
  if (forward > slash) slash = forward;
  name = name.Mid(slash + 1);
  int dot = name.ReverseFind('.');
  m_strName = dot < 0 ? name : name.Left(dot);
}

void CTextTable::SetLanguage(LPCTSTR code) { m_strLanguage = code; }

void CTextTable::CopySettings(const CTextTable& other) {
  m_strName = other.m_strName;
  m_strLanguage = other.m_strLanguage;
}

int SplitString(const CString& text, CStringArray& parts, LPCTSTR separator) {
  size_t separator_length = std::strlen(separator);
  const char* p = text;
  const char* end = p + text.GetLength();
  while (p <= end) {
    const char* next = separator_length == 0 ? nullptr : std::strstr(p, separator);
    if (next == nullptr) next = end;
    if (next > p) parts.Add(CString(p, static_cast<int>(next - p)));
    p = next + (separator_length == 0 ? 1 : separator_length);
  }
  return parts.GetSize();
}

bool CanOpenFile(LPCTSTR path) {
  std::FILE* file = std::fopen(FwNativePath(path), "r");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

namespace {

// One line without its line end, however long; false at the end of file.
bool read_line(std::FILE* file, CString& line) {
  const bool got = FwReadWholeLine(file, line);
  int length = line.GetLength();
  while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) --length;
  if (length != line.GetLength()) line = line.Left(length);
  return got;
}

}  // namespace

int CTextTable::Load(int keyColumn) {
  m_rows.clear();
  m_keyToText.RemoveAll();
  m_textToKey.RemoveAll();  // reverse look-ups never outlive a reload
  if (m_strLanguage.IsEmpty()) m_strLanguage = LanguageCodeFromLangId(1024);

  CString folder = GetAppDirectory();
  CString candidates[3];
  candidates[0].Format("%s\\%s%s.txt", static_cast<LPCTSTR>(folder), static_cast<LPCTSTR>(m_strName),
                       static_cast<LPCTSTR>(m_strLanguage));
  candidates[1].Format("%s\\%sEN.txt", static_cast<LPCTSTR>(folder), static_cast<LPCTSTR>(m_strName));
  candidates[2].Format("%s\\%s.txt", static_cast<LPCTSTR>(folder), static_cast<LPCTSTR>(m_strName));
  const CString* found = nullptr;
  for (const CString& candidate : candidates) {
    if (CanOpenFile(candidate)) {
      found = &candidate;
      break;
    }
  }
  if (found == nullptr) return 0;
  std::FILE* file = std::fopen(FwNativePath(*found), "r");
  if (file == nullptr) return 0;

  CString line;
  while (read_line(file, line)) {
    CStringArray pieces;
    if (SplitString(line, pieces, "\t") == 0) continue;
    CTextTableRow row;
    if (keyColumn != -1 && pieces.GetSize() > keyColumn) {
      row.m_strKey = pieces[keyColumn];
      pieces.RemoveAt(keyColumn);
      std::string joined;  // each piece followed by '/', built in one buffer
      for (int i = 0; i < pieces.GetSize(); ++i) joined.append(pieces[i], pieces[i].GetLength()).push_back('/');
      const CString text(joined.data(), static_cast<int>(joined.size()));
      m_keyToText.SetAt(row.m_strKey, text);
      m_textToKey.SetAt(text.Left(text.GetLength() - 1), row.m_strKey);
    }
    int remaining = pieces.GetSize();
    if (remaining > 0) row.m_strName = pieces[remaining - 1];
    // The parent: the nearest piece of the path found among the previous
    // row and its ancestors.
    for (int i = remaining - 1; i >= 1 && row.m_nParent == -1; --i) {
      const CString& wanted = pieces[i - 1];
      for (int candidate = GetRowCount() - 1; candidate >= 0; candidate = m_rows[candidate].m_nParent) {
        const CTextTableRow& r = m_rows[candidate];
        if (fw_mbs::compare(r.m_strName, wanted) == 0 &&
            (r.m_nParent == -1 || fw_mbs::compare(m_rows[r.m_nParent].m_strName, wanted) != 0)) {
          row.m_nParent = candidate;
          break;
        }
      }
    }
    m_rows.push_back(row);
  }
  std::fclose(file);
  return 1;
}

CString CTextTable::Lookup(LPCTSTR key) const {
  CString text;
  m_keyToText.Lookup(key, text);
  return text;
}

CString CTextTable::ReverseLookup(LPCTSTR text) const {
  CString key;
  m_textToKey.Lookup(text, key);
  return key;
}
