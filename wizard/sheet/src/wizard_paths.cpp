// Joining, splitting and comparing the wizard's paths.
#include "wizard_paths.h"

#include <algorithm>

#include "app_settings.h"

namespace {
bool IsSeparator(char c) { return c == '/' || c == '\\'; }
}  // namespace

BOOL IsAbsolutePath(const CString& path) {
  return !path.IsEmpty() && (IsSeparator(path[0]) || path.Find(':') >= 0);
}

BOOL HasFolderPart(const CString& path) { return path.FindOneOf("/\\") >= 0; }

CString WithTrailingSeparator(const CString& folder) {
  if (!folder.IsEmpty() && IsSeparator(folder[folder.GetLength() - 1])) return folder;
  return folder + "/";
}

CString WithoutTrailingSeparator(const CString& folder) {
  int end = folder.GetLength();
  while (end > 1 && IsSeparator(folder[end - 1])) --end;
  return folder.Left(end);
}

CString FolderOfPath(const CString& path) {
  int slash = std::max(path.ReverseFind('/'), path.ReverseFind('\\'));
  return slash < 0 ? CString() : WithoutTrailingSeparator(path.Left(slash + 1));
}

CString JoinPath(const CString& folder, const CString& name) {
  if (folder.IsEmpty()) return name;
  return WithTrailingSeparator(folder) + name;
}

BOOL ContainsNoCase(const CString& text, const CString& part) {
  CString lowerText = text;
  CString lowerPart = part;
  lowerText.MakeLower();
  lowerPart.MakeLower();
  return lowerText.Find(static_cast<LPCTSTR>(lowerPart)) >= 0;
}

CString ProgramIniPath() { return JoinPath(GetAppDirectory(), "tallyport.ini"); }
