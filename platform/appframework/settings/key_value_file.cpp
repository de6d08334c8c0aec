// CKeyValueFile.
#include "key_value_file.h"

#include <cstdio>

#include "fw_paths.h"
#include "whole_line.h"

CKeyValueFile::CKeyValueFile() : m_map(10) {}

CKeyValueFile::~CKeyValueFile() { m_map.RemoveAll(); }

int CKeyValueFile::Load(const char* path, int merge) {
  if (!merge) m_map.RemoveAll();
  std::FILE* file = std::fopen(FwNativePath(path), "r");
  if (file == nullptr) return 0;
  CString line;
  bool ok = true;
  for (;;) {
    if (!FwReadWholeLine(file, line)) {
      ok = !std::ferror(file);
      break;
    }
    line.TrimLeft();
    if (line.IsEmpty() || line[0] == '#' || line[0] == ';' || line[0] == '@') continue;
    int equals = line.Find('=');
    if (equals < 0) continue;
    CString key = line.Left(equals);
    CString value = line.Mid(equals + 1);
    key.TrimRight();
    value.TrimLeft();
    value.TrimRight();
    CString existing;
    if (merge && m_map.Lookup(key, existing)) continue;
    m_map.SetAt(key, value);
  }
  std::fclose(file);
  return ok ? 1 : 0;
}

void CKeyValueFile::Lookup(CString& value, const char* key) const {
  if (!m_map.Lookup(key, value)) value.Empty();
}
