// The mapping grid and its in-place combo.
#include "mapping_list_ctrl.h"

#include <memory>

#include "ctl_property_sheet.h"

namespace {
// The in-place combo's control id inside the grid.
constexpr UINT kComboId = 1;
}  // namespace

void CMappingListCtrl::AttachCombo(std::unique_ptr<CInPlaceCombo> combo, int column) {
  combo->SetDlgCtrlID(kComboId);
  combo->ShowWindow(FALSE);
  combo_ = combo.get();
  AddChild(std::move(combo));
  editedColumn_ = column;
}

void CMappingListCtrl::ResetContents() {
  CListViewBase::ResetContents();
  combo_ = nullptr;
  currentRow_ = -1;
}

BOOL CMappingListCtrl::OnReflectedNotify(UINT code) {
  if (code != LVN_ITEMCHANGED || combo_ == nullptr) return FALSE;
  currentRow_ = GetNextItem(-1, LVNI_SELECTED);
  if (currentRow_ < 0) {
    combo_->ShowWindow(FALSE);
    return FALSE;
  }
  combo_->SetCurSel(combo_->FindStringExact(-1, GetItemText(currentRow_, editedColumn_)));
  combo_->ShowWindow(TRUE);
  return FALSE;
}

BOOL CInPlaceCombo::OnReflectedNotify(UINT code) {
  auto* grid = dynamic_cast<CMappingListCtrl*>(GetParent());
  if (code != CBN_SELCHANGE || grid == nullptr) return FALSE;
  grid->SetItemText(grid->GetCurrentRow(), grid->GetEditedColumn(), GetWindowText());
  if (auto* page = dynamic_cast<CPropertyPage*>(grid->GetParent())) page->SetModified(TRUE);
  return TRUE;
}
