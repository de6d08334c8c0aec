// The table page's choices that need no connection.
#include "table_choice.h"

#include <algorithm>
#include <cstdlib>

#include "fw_mbs.h"

namespace {

// The text after the last folder separator.
CString FileNameOf(const CString& path) {
  int slash = std::max(path.ReverseFind('\\'), path.ReverseFind('/'));
  return path.Mid(slash + 1);
}

}  // namespace

CString TableNameOfSourceFile(int sourceType, const CString& databaseFile) {
  CString name = FileNameOf(databaseFile);
  switch (sourceType) {
    case 2:
    case 4:
    case 5:
    case 8: return name;
    case 3:
    case 7: {
      int dot = name.ReverseFind('.');
      return dot < 0 ? name : name.Left(dot);
    }
  }
  return CString();
}

CString UnquotedTableName(const CString& text, char quote) {
  CString name = text;
  name.TrimLeft();
  name.TrimRight();
  const int length = name.GetLength();
  if (length >= 2 && name[length - 1] == quote) {
    // Back to the quote that opens the last part, stepping over doubled
    // quotes inside it.
    CString inner;
    int at = length - 2;
    while (at >= 0) {
      if (name[at] == quote) {
        if (at > 0 && name[at - 1] == quote) {
          inner = CString(quote) + inner;
          at -= 2;
          continue;
        }
        return inner;
      }
      inner = CString(name[at]) + inner;
      --at;
    }
    return name;
  }
  if (length >= 2 && name[length - 1] == ']') {
    int open = name.ReverseFind('[');
    if (open >= 0) return name.Mid(open + 1, length - open - 2);
  }
  return name;
}

int FindTableItem(const std::vector<CString>& names, const CString& table, char quote) {
  CString wanted = UnquotedTableName(table, quote);
  if (wanted.IsEmpty()) return -1;
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i] == wanted) return static_cast<int>(i);
  for (size_t i = 0; i < names.size(); ++i)
    if (fw_mbs::compare_no_case(names[i], wanted) == 0) return static_cast<int>(i);
  return -1;
}

int RowsetSizeForChoice(const CString& choice, const CString& allItems, long recordCount, long rowBytes) {
  long long rows = choice == allItems ? recordCount : std::atol(choice);
  rows = std::min<long long>(rows, kMaxRowsetRows);
  if (rowBytes > 0) rows = std::min<long long>(rows, kRowsetBufferBudget / rowBytes);
  return static_cast<int>(std::max<long long>(rows, 1));
}
