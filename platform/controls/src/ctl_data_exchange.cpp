// Data exchange between a dialog's members and its controls.
#include "ctl_data_exchange.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "fw_message_box.h"

void CDataExchange::Fail(UINT id, LPCTSTR message) {
  AfxMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
  throw FwDataExchangeFailure{id};
}

void DDX_Text(CDataExchange* pDX, UINT id, CString& value) {
  CWnd& control = *pDX->m_pDlgWnd->RequireDlgItem(id);
  if (pDX->m_bSaveAndValidate)
    value = control.GetWindowText();
  else
    control.SetWindowText(value);
}

void DDX_Text(CDataExchange* pDX, UINT id, int& value) {
  CWnd& control = *pDX->m_pDlgWnd->RequireDlgItem(id);
  if (!pDX->m_bSaveAndValidate) {
    CString text;
    text.Format("%d", value);
    control.SetWindowText(text);
    return;
  }
  CString text = control.GetWindowText();
  text.TrimLeft();
  text.TrimRight();
  errno = 0;
  char* end = nullptr;
  long read = std::strtol(text, &end, 10);
  if (text.IsEmpty() || *end != '\0' || errno != 0 || read < INT_MIN || read > INT_MAX)
    pDX->Fail(id, "Please enter an integer.");
  value = static_cast<int>(read);
}

void DDX_Check(CDataExchange* pDX, UINT id, int& value) {
  CButton& box = pDX->m_pDlgWnd->Control<CButton>(id);
  if (pDX->m_bSaveAndValidate)
    value = box.GetCheck();
  else
    box.SetCheck(value);
}

void DDX_Radio(CDataExchange* pDX, UINT id, int& value) {
  const std::vector<CWnd*>& children = pDX->m_pDlgWnd->Children();
  std::vector<CButton*> group;
  bool inGroup = false;
  for (CWnd* child : children) {
    if (child->GetDlgCtrlID() == id) {
      inGroup = true;
    } else if (inGroup && (child->IsGroupStart() || child->Kind() != FwControlKind::Radio)) {
      break;
    }
    if (inGroup) group.push_back(&pDX->m_pDlgWnd->Control<CButton>(child->GetDlgCtrlID()));
  }
  if (group.empty()) pDX->m_pDlgWnd->RequireDlgItem(id);
  if (pDX->m_bSaveAndValidate) {
    value = -1;
    for (size_t i = 0; i < group.size(); ++i)
      if (group[i]->GetCheck() == BST_CHECKED) value = static_cast<int>(i);
  } else {
    for (size_t i = 0; i < group.size(); ++i) group[i]->SetCheck(static_cast<int>(i) == value ? BST_CHECKED : BST_UNCHECKED);
  }
}

namespace {

void ExchangeIndex(CDataExchange* pDX, FwItemList& list, int& index) {
  if (pDX->m_bSaveAndValidate)
    index = list.GetCurSel();
  else
    list.SetCurSel(index);
}

void ExchangeString(CDataExchange* pDX, FwItemList& list, CString& value) {
  if (pDX->m_bSaveAndValidate)
    value = list.GetItemText(list.GetCurSel());
  else
    list.SetCurSel(list.FindStringExact(-1, value));
}

}  // namespace

void DDX_LBIndex(CDataExchange* pDX, UINT id, int& index) { ExchangeIndex(pDX, pDX->m_pDlgWnd->Control<CListBox>(id), index); }
void DDX_CBIndex(CDataExchange* pDX, UINT id, int& index) { ExchangeIndex(pDX, pDX->m_pDlgWnd->Control<CComboBox>(id), index); }
void DDX_LBString(CDataExchange* pDX, UINT id, CString& value) {
  ExchangeString(pDX, pDX->m_pDlgWnd->Control<CListBox>(id), value);
}
void DDX_CBString(CDataExchange* pDX, UINT id, CString& value) {
  ExchangeString(pDX, pDX->m_pDlgWnd->Control<CComboBox>(id), value);
}

void DDX_Control(CDataExchange* pDX, UINT id, CWnd& member) {
  if (member.GetParent() != pDX->m_pDlgWnd) pDX->m_pDlgWnd->SubclassDlgItem(id, member);
}
