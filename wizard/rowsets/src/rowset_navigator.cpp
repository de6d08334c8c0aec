// Moving a preview list from rowset to rowset.
#include "rowset_navigator.h"

#include "fw_message_box.h"

void CRowsetNavigator::Attach(CWnd* dialog, CDBaseListVw* previewList) {
  m_pDialog = dialog;
  m_pList = previewList;
}

void CRowsetNavigator::SetControls(UINT first, UINT previous, UINT next, UINT last, UINT status) {
  m_controls[kFirst] = first;
  m_controls[kPrevious] = previous;
  m_controls[kNext] = next;
  m_controls[kLast] = last;
  m_controls[kStatus] = status;
}

CDynamicBulkSet& CRowsetNavigator::Recordset() const {
  if (m_pList == nullptr || !m_pList->IsOpen()) throw FwControlError("the rowset navigator's list has no open rowset");
  return *m_pList->GetRecordset();
}

void CRowsetNavigator::First(BOOL noRefresh) {
  Recordset().Move(1, SQL_FETCH_FIRST);
  m_pList->SetDirection(kPreviewFirst);
  m_pList->FillData(FALSE);
  if (noRefresh) return;
  Refresh();
  EnableButton(kPrevious, FALSE);
  EnableButton(kNext, m_pList->GetItemCount() > 0);  // an empty table keeps every button off
}

void CRowsetNavigator::Last(BOOL noRefresh) {
  Recordset().Move(-1, SQL_FETCH_LAST);
  m_pList->SetDirection(kPreviewLast);
  m_pList->FillData(FALSE);
  if (noRefresh) return;
  Refresh();
  EnableButton(kNext, FALSE);
  EnableButton(kPrevious, m_pList->GetItemCount() > 0);
}

void CRowsetNavigator::Previous(BOOL noRefresh) {
  CDynamicBulkSet& set = Recordset();
  set.Move(-1, SQL_FETCH_PRIOR);
  if (set.IsBOF()) {
    EnableButton(kPrevious, FALSE);
    EnableButton(kNext, TRUE);
    First(noRefresh);
    return;
  }
  m_pList->SetDirection(kPreviewPrevious);
  m_pList->FillData(FALSE);
  Refresh();
}

int CRowsetNavigator::Next(BOOL showEnd, BOOL noRefresh) {
  CDynamicBulkSet& set = Recordset();
  set.Move(1, SQL_FETCH_NEXT);
  if (set.IsEOF()) {
    EnableButton(kNext, FALSE);
    if (showEnd) {
      AfxMessageBox(kEndOfResultString);
      Last(noRefresh);
    }
    EnableButton(kPrevious, TRUE);
    return kEndOfResultSet;
  }
  m_pList->SetDirection(kPreviewNext);
  m_pList->FillData(FALSE);
  if (!noRefresh) Refresh();
  return kRowsetFetched;
}

void CRowsetNavigator::Refresh() {
  const BOOL hasRows = m_pList->GetItemCount() > 0;
  for (int button = kFirst; button <= kLast; ++button) EnableButton(button, hasRows);
  if (!hasRows) AfxMessageBox(kNoDataString);
  if (m_pDialog != nullptr && m_controls[kStatus] != 0)
    if (CWnd* status = m_pDialog->GetDlgItem(m_controls[kStatus])) status->SetWindowText(m_pList->GetStatusText());
}

void CRowsetNavigator::EnableButton(int index, BOOL enable) {
  if (m_pDialog == nullptr || index < kFirst || index > kLast) return;
  if (CWnd* button = m_pDialog->GetDlgItem(m_controls[index])) button->EnableWindow(enable);
}
