// The Format entries of schema.ini.
#include "schema_ini.h"

#include <sys/stat.h>

#include "fw_locale.h"
#include "fw_paths.h"
#include "fw_profile.h"
#include "wizard_paths.h"

namespace {
CString ByListSeparator(const CString& listSeparator) {
  if (listSeparator == ",") return "CSVDelimited";
  CString value;
  value.Format("Delimited(%s)", static_cast<LPCTSTR>(listSeparator));
  return value;
}
}  // namespace

CString SchemaFormatValue(BOOL byExtension, const CString& extension, int format, const CString& delimiter,
                          const CString& listSeparator) {
  if (byExtension) return extension.CompareNoCase(".txt") == 0 ? CString("TabDelimited") : ByListSeparator(listSeparator);
  switch (format) {
    case kSchemaCsv: return ByListSeparator(listSeparator);
    case kSchemaTab: return "TabDelimited";
    case kSchemaCustom: {
      // The page refuses an empty custom delimiter; should one come here,
      // the locale's separator, never a broken "Delimited(" value.
      if (delimiter.IsEmpty()) return ByListSeparator(listSeparator);
      CString value;
      value.Format("Delimited(%c)", delimiter[0]);
      return value;
    }
  }
  return CString();
}

CString LocaleListSeparator() {
  FwLocaleData data{};
  if (!FwGetLocaleData(LOCALE_USER_DEFAULT, &data) || data.listSeparator.IsEmpty()) return ",";
  return data.listSeparator.Left(255);
}

void ClearReadOnly(const CString& path) {
  CString native = FwNativePath(path);
  struct stat info;
  if (::stat(native, &info) == 0 && (info.st_mode & S_IWUSR) == 0) ::chmod(native, info.st_mode | S_IWUSR);
}

BOOL WriteSchemaFormat(const CString& folder, const CString& fileSection, const CString& formatValue) {
  CString path = JoinPath(folder, "schema.ini");
  ClearReadOnly(path);
  return WritePrivateProfileString(fileSection, "Format", formatValue, path);
}

BOOL IsValidDelimiter(const CString& delimiter) {
  return delimiter.IsEmpty() || (delimiter.GetLength() == 1 && delimiter[0] != '"');
}
