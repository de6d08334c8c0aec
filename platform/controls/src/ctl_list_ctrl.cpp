// The report list: columns, rows of cells, item data, row states.
#include "ctl_controls.h"

namespace {
constexpr UINT kUnchecked = 0x1000;  // state image 1
constexpr UINT kChecked = 0x2000;    // state image 2
}  // namespace

int CListCtrl::InsertColumn(int index, LPCTSTR heading, int format, int width) {
  if (index < 0) return -1;
  if (index > GetColumnCount()) index = GetColumnCount();
  columns_.insert(columns_.begin() + index, {heading, width, format});
  for (Row& row : rows_) row.cells.insert(row.cells.begin() + index, CString());
  return index;
}

BOOL CListCtrl::DeleteColumn(int index) {
  if (index < 0 || index >= GetColumnCount()) return FALSE;
  columns_.erase(columns_.begin() + index);
  for (Row& row : rows_) row.cells.erase(row.cells.begin() + index);
  return TRUE;
}

BOOL CListCtrl::GetColumn(int index, FwListColumn& column) const {
  if (index < 0 || index >= GetColumnCount()) return FALSE;
  column = columns_[index];
  return TRUE;
}

int CListCtrl::GetColumnWidth(int index) const {
  if (index < 0 || index >= GetColumnCount()) return 0;
  return columns_[index].width;
}

int CListCtrl::InsertItem(int index, LPCTSTR text) {
  if (index < 0) return -1;
  if (index > GetItemCount()) index = GetItemCount();
  // No state image: a row shows a check box only once its check is set
  // (no list of the program has the check-box style).
  Row row{std::vector<CString>(columns_.empty() ? 1 : columns_.size()), 0, 0};
  row.cells[0] = text;
  rows_.insert(rows_.begin() + index, std::move(row));
  return index;
}

BOOL CListCtrl::DeleteItem(int index) {
  if (index < 0 || index >= GetItemCount()) return FALSE;
  rows_.erase(rows_.begin() + index);
  return TRUE;
}

BOOL CListCtrl::DeleteAllItems() {
  rows_.clear();
  return TRUE;
}

CString CListCtrl::GetItemText(int row, int column) const {
  if (row < 0 || row >= GetItemCount() || column < 0 || column >= static_cast<int>(rows_[row].cells.size()))
    return CString();
  return rows_[row].cells[column];
}

BOOL CListCtrl::SetItemText(int row, int column, LPCTSTR text) {
  if (row < 0 || row >= GetItemCount() || column < 0 || column >= static_cast<int>(rows_[row].cells.size()))
    return FALSE;
  rows_[row].cells[column] = text;
  return TRUE;
}

DWORD_PTR CListCtrl::GetItemData(int row) const {
  if (row < 0 || row >= GetItemCount()) return 0;
  return rows_[row].data;
}

BOOL CListCtrl::SetItemData(int row, DWORD_PTR data) {
  if (row < 0 || row >= GetItemCount()) return FALSE;
  rows_[row].data = data;
  return TRUE;
}

UINT CListCtrl::GetItemState(int row, UINT mask) const {
  if (row < 0 || row >= GetItemCount()) return 0;
  return rows_[row].state & mask;
}

BOOL CListCtrl::SetItemState(int row, UINT state, UINT mask) {
  if (row == -1) {
    for (int each = 0; each < GetItemCount(); ++each) SetItemState(each, state, mask);
    return TRUE;
  }
  if (row < 0 || row >= GetItemCount()) return FALSE;
  rows_[row].state = (rows_[row].state & ~mask) | (state & mask);
  return TRUE;
}

BOOL CListCtrl::GetCheck(int row) const { return GetItemState(row, LVIS_STATEIMAGEMASK) == kChecked; }

BOOL CListCtrl::SetCheck(int row, BOOL check) {
  return SetItemState(row, check ? kChecked : kUnchecked, LVIS_STATEIMAGEMASK);
}

int CListCtrl::GetNextItem(int start, UINT flags) const {
  for (int row = start < 0 ? 0 : start + 1; row < GetItemCount(); ++row)
    if ((flags & LVNI_SELECTED) == 0 || (rows_[row].state & LVIS_SELECTED) != 0) return row;
  return -1;
}

int CListCtrl::GetSelectedCount() const {
  int count = 0;
  for (const Row& row : rows_)
    if (row.state & LVIS_SELECTED) ++count;
  return count;
}

void CListCtrl::ResetContents() {
  columns_.clear();
  rows_.clear();
  changedItem_ = -1;
}
