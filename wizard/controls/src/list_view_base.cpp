// Column moves, the header drag's rule and the decimals cut of the
// program's report lists.
#include "list_view_base.h"

#include "fw_message_box.h"

BOOL CListViewBase::MoveColumn(int from, int to) {
  int count = GetColumnCount();
  if (from < 0 || from >= count || to < 0 || to > count || to == from || to == from + 1) return FALSE;
  FwListColumn moved{};
  GetColumn(from, moved);
  InsertColumn(to, moved.text, moved.format, moved.width);
  int old = to <= from ? from + 1 : from;  // the old column moved right by the insert
  for (int row = GetItemCount() - 1; row >= 0; --row) SetItemText(row, to, GetItemText(row, old));
  DeleteColumn(old);
  return TRUE;
}

BOOL CListViewBase::DropHeaderColumn(int pressed, int drop) {
  if (drop == pressed || drop == pressed + 1) return FALSE;
  return MoveColumn(pressed, drop);
}

void CListViewBase::OnHeaderRightClick(int column) {
  FwListColumn info{};
  CString name = GetColumn(column, info) ? info.text : CString("Unknown");
  CString question;
  question.Format("Change text format in \" %s \" column, and remove decimal points?", static_cast<LPCTSTR>(name));
  if (AfxMessageBox(question, MB_YESNO | MB_ICONERROR) == IDYES) StripDecimals(column);
}

void CListViewBase::StripDecimals(int column) {
  for (int row = 0; row < GetItemCount(); ++row) {
    CString text = GetItemText(row, column);
    int dot = text.Find('.');
    if (dot >= 0) SetItemText(row, column, text.Left(dot));
  }
}
