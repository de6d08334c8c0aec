// A person's actions on controls, and the notifications they send.
#include "ctl_actions.h"

#include <string>

#include "ctl_property_sheet.h"
#include "fw_exceptions.h"

namespace {

template <class T>
T& Usable(CWnd& dialog, UINT id) {
  T& control = dialog.Control<T>(id);
  if (!control.IsWindowVisible()) throw FwControlError("control " + std::to_string(id) + " is hidden");
  if (!control.IsWindowEnabled()) throw FwControlError("control " + std::to_string(id) + " is disabled");
  return control;
}

void SelectRow(CWnd& dialog, CListCtrl& list, int row) {
  if (row < 0 || row >= list.GetItemCount())
    throw FwControlError("list " + std::to_string(list.GetDlgCtrlID()) + " has no row " + std::to_string(row));
  list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  list.SetChangedItem(row);
  FwNotifyDialog(dialog, list.GetDlgCtrlID(), LVN_ITEMCHANGED);
  FwNotifyDialog(dialog, list.GetDlgCtrlID(), NM_CLICK);
}

}  // namespace

void FwNotifyDialog(CWnd& dialog, UINT id, UINT code) {
  if (CWnd* control = dialog.GetDlgItem(id)) {
    BOOL kept = FALSE;
    try {
      kept = control->OnReflectedNotify(code);
    } catch (CException* e) {
      e->ReportError(MB_OK | MB_ICONEXCLAMATION);
      e->Delete();
      kept = TRUE;
    }
    if (kept) return;
  }
  auto* page = dynamic_cast<CPropertyPage*>(&dialog);
  if (page != nullptr && page->GetSheet() != nullptr && page->GetSheet()->GetActivePage() == page)
    page->GetSheet()->SendPageCommand(id, code);
  else
    dialog.SendCommand(id, code);
}

void FwTypeText(CWnd& dialog, UINT id, LPCTSTR text) {
  CEdit& edit = Usable<CEdit>(dialog, id);
  if (edit.IsReadOnly()) throw FwControlError("edit " + std::to_string(id) + " is read-only");
  edit.SetWindowText(text);
  FwNotifyDialog(dialog, id, EN_CHANGE);
}

void FwLeaveEdit(CWnd& dialog, UINT id) {
  Usable<CEdit>(dialog, id);
  FwNotifyDialog(dialog, id, EN_KILLFOCUS);
}

void FwClickButton(CWnd& dialog, UINT id) {
  CButton& button = Usable<CButton>(dialog, id);
  if (button.Kind() == FwControlKind::CheckBox) {
    button.SetCheck(button.GetCheck() == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
  } else if (button.Kind() == FwControlKind::Radio) {
    // The group: the radios around this one up to the group starts.
    const auto& children = dialog.Children();
    size_t at = 0;
    while (children[at] != &button) ++at;
    size_t first = at;
    while (first > 0 && !children[first]->IsGroupStart() && children[first - 1]->Kind() == FwControlKind::Radio) --first;
    for (size_t i = first; i < children.size() && children[i]->Kind() == FwControlKind::Radio; ++i) {
      if (i > first && children[i]->IsGroupStart()) break;
      static_cast<CButton*>(children[i])->SetCheck(children[i] == &button ? BST_CHECKED : BST_UNCHECKED);
    }
  }
  FwNotifyDialog(dialog, id, BN_CLICKED);
}

void FwPickItem(CWnd& dialog, UINT id, int index) {
  CWnd& control = *dialog.RequireDlgItem(id);
  if (control.Kind() == FwControlKind::ListCtrl) {
    SelectRow(dialog, Usable<CListCtrl>(dialog, id), index);
    return;
  }
  FwItemList& list = Usable<FwItemList>(dialog, id);
  if (index < 0 || index >= list.GetCount())
    throw FwControlError("list " + std::to_string(id) + " has no item " + std::to_string(index));
  list.SetCurSel(index);
  FwNotifyDialog(dialog, id, control.Kind() == FwControlKind::ComboBox ? CBN_SELCHANGE : LBN_SELCHANGE);
}

void FwPickItemByText(CWnd& dialog, UINT id, LPCTSTR text) {
  CWnd& control = *dialog.RequireDlgItem(id);
  int index = -1;
  if (control.Kind() == FwControlKind::ListCtrl) {
    CListCtrl& list = dialog.Control<CListCtrl>(id);
    for (int row = 0; row < list.GetItemCount() && index < 0; ++row)
      if (list.GetItemText(row, 0).CompareNoCase(text) == 0) index = row;
  } else {
    index = dialog.Control<FwItemList>(id).FindStringExact(-1, text);
  }
  if (index < 0) throw FwControlError("list " + std::to_string(id) + " has no item \"" + text + "\"");
  FwPickItem(dialog, id, index);
}

void FwToggleRowCheck(CWnd& dialog, UINT id, int row) {
  CListCtrl& list = Usable<CListCtrl>(dialog, id);
  if (row < 0 || row >= list.GetItemCount())
    throw FwControlError("list " + std::to_string(id) + " has no row " + std::to_string(row));
  list.SetCheck(row, !list.GetCheck(row));
  list.SetChangedItem(row);
  FwNotifyDialog(dialog, id, LVN_ITEMCHANGED);
}

void FwSelectTreePath(CWnd& dialog, UINT id, const CString& path) {
  CTreeCtrl& tree = Usable<CTreeCtrl>(dialog, id);
  HTREEITEM item = tree.FindPath(path);
  if (item == nullptr)
    throw FwControlError("tree " + std::to_string(id) + " has no item \"" + std::string(static_cast<LPCTSTR>(path)) + "\"");
  tree.SelectItem(item);
  FwNotifyDialog(dialog, id, TVN_SELCHANGED);
}

void FwRightClickHeader(CWnd& dialog, UINT id, int column) {
  CListCtrl& list = Usable<CListCtrl>(dialog, id);
  try {
    list.OnHeaderRightClick(column);
  } catch (CException* e) {
    e->ReportError(MB_OK | MB_ICONEXCLAMATION);
    e->Delete();
  }
}
