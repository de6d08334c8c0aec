// CKeyValueFile: a small text file of "key=value" lines read into a map
// (keys exact, case matters). Blank lines, lines starting with '#', ';' or
// '@' (after leading white space) and lines without '=' add nothing; key and
// value are trimmed, and the value is everything after the first '='.
#pragma once

#include "fw_collections.h"

class CKeyValueFile {
 public:
  CKeyValueFile();
  virtual ~CKeyValueFile();

  // Reads path (a Windows-style name). Without merge the map is emptied
  // first and a later line replaces an earlier value of its key; with merge
  // a key already present keeps its value. 0 when the file cannot be opened
  // or a read fails (the lines read so far stay).
  int Load(const char* path, int merge);
  // The value of key; empty when absent.
  void Lookup(CString& value, const char* key) const;

 private:
  CMapStringToString m_map;  // hash size 17, allocated in blocks of 10
};
