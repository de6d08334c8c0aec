// The list box and combo box items: texts with item data, one selection.
#include <cstring>

#include "ctl_controls.h"

int FwItemList::AddString(LPCTSTR text) {
  items_.push_back({text, 0});
  return GetCount() - 1;
}

int FwItemList::InsertString(int index, LPCTSTR text) {
  if (index == -1) return AddString(text);
  if (index < 0 || index > GetCount()) return LB_ERR;
  items_.insert(items_.begin() + index, {text, 0});
  if (selection_ >= index) ++selection_;
  return index;
}

int FwItemList::DeleteString(UINT index) {
  if (index >= items_.size()) return LB_ERR;
  items_.erase(items_.begin() + index);
  int removed = static_cast<int>(index);
  if (selection_ == removed)
    selection_ = -1;
  else if (selection_ > removed)
    --selection_;
  return GetCount();
}

void FwItemList::ResetContent() {
  items_.clear();
  selection_ = -1;
}

CString FwItemList::GetItemText(int index) const {
  if (index < 0 || index >= GetCount()) return CString();
  return items_[index].text;
}

int FwItemList::FindStringExact(int startAfter, LPCTSTR text) const {
  int count = GetCount();
  for (int step = 1; step <= count; ++step) {
    int index = ((startAfter < 0 ? -1 : startAfter) + step) % count;
    if (items_[index].text.CompareNoCase(text) == 0) return index;
  }
  return LB_ERR;
}

DWORD_PTR FwItemList::GetItemData(int index) const {
  if (index < 0 || index >= GetCount()) return static_cast<DWORD_PTR>(LB_ERR);
  return items_[index].data;
}

int FwItemList::SetItemData(int index, DWORD_PTR data) {
  if (index < 0 || index >= GetCount()) return LB_ERR;
  items_[index].data = data;
  return 0;
}

int FwItemList::SetCurSel(int index) {
  if (index < -1 || index >= GetCount()) {
    selection_ = -1;
    return LB_ERR;
  }
  selection_ = index;
  return index;
}

CString CComboBox::GetWindowText() const { return GetItemText(GetCurSel()); }
