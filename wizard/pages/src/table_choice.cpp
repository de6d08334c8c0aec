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

// The last bracketed part of a catalogue item ("[o].[n]" gives "n"), or the
// text itself when it holds no brackets.
CString NamePart(const CString& item) {
  CString text = item;
  text.TrimRight();
  if (text.Right(1) != "]") return text;
  int open = text.ReverseFind('[');
  if (open < 0) return text;
  return text.Mid(open + 1, text.GetLength() - open - 2);
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

int FindTableItem(const std::vector<CString>& items, const CString& table) {
  CString wanted = NamePart(table);
  if (wanted.IsEmpty()) return -1;
  for (size_t i = 0; i < items.size(); ++i)
    if (fw_mbs::compare_no_case(NamePart(items[i]), wanted) == 0) return static_cast<int>(i);
  return -1;
}

int RowsetSizeForChoice(const CString& choice, const CString& allItems, long recordCount, long rowBytes) {
  long long rows = choice == allItems ? recordCount : std::atol(choice);
  rows = std::min<long long>(rows, kMaxRowsetRows);
  if (rowBytes > 0) rows = std::min<long long>(rows, kRowsetBufferBudget / rowBytes);
  return static_cast<int>(std::max<long long>(rows, 1));
}
