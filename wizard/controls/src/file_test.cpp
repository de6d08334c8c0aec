// The file test.
#include "file_test.h"

#include <cstdio>

#include "fw_paths.h"

BOOL FileExists(LPCTSTR path) {
  if (path == nullptr || *path == '\0') return FALSE;
  FILE* file = std::fopen(FwNativePath(path), "rb");
  if (file == nullptr) return FALSE;
  std::fclose(file);
  return TRUE;
}
