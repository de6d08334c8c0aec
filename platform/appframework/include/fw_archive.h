// CArchive: the direction of a framework serialisation call. Nothing in the
// program serialises through an archive; classes only ask which way it goes.
#pragma once

#include "fw_types.h"

class CFile;

class CArchive {
 public:
  enum Mode { store = 0, load = 1 };

  CArchive(CFile* file, UINT mode) : m_pFile(file), m_nMode(mode) {}

  BOOL IsLoading() const { return (m_nMode & load) != 0; }
  BOOL IsStoring() const { return (m_nMode & load) == 0; }
  CFile* GetFile() const { return m_pFile; }

 private:
  CFile* m_pFile;
  UINT m_nMode;
};
