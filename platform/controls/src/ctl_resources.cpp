// The registered dialog templates and the making of a dialog's controls.
#include "ctl_resources.h"

#include <string>
#include <vector>

#include "ctl_controls.h"

namespace {

std::vector<const FwDialogTemplate*>& Registered() {
  static std::vector<const FwDialogTemplate*> templates;
  return templates;
}

std::unique_ptr<CWnd> MakeControl(FwControlKind kind) {
  switch (kind) {
    case FwControlKind::Static: return std::make_unique<CStatic>();
    case FwControlKind::Edit: return std::make_unique<CEdit>();
    case FwControlKind::Button:
    case FwControlKind::CheckBox:
    case FwControlKind::Radio: return std::make_unique<CButton>(kind);
    case FwControlKind::ListBox: return std::make_unique<CListBox>();
    case FwControlKind::ComboBox: return std::make_unique<CComboBox>();
    case FwControlKind::ListCtrl: return std::make_unique<CListCtrl>();
    case FwControlKind::TreeCtrl: return std::make_unique<CTreeCtrl>();
    case FwControlKind::Progress: return std::make_unique<CProgressCtrl>();
    case FwControlKind::Window: break;
  }
  return std::make_unique<CWnd>();
}

}  // namespace

void FwRegisterDialogTemplates(const FwDialogTemplate* table, size_t count) {
  for (size_t i = 0; i < count; ++i) Registered().push_back(&table[i]);
}

const FwDialogTemplate& FwFindDialogTemplate(UINT id) {
  const auto& all = Registered();
  for (auto at = all.rbegin(); at != all.rend(); ++at)
    if ((*at)->id == id) return **at;
  throw FwControlError("no dialog template " + std::to_string(id));
}

void FwCreateControls(CWnd& window, const FwDialogTemplate& dialog) {
  window.SetWindowText(dialog.caption);
  for (size_t i = 0; i < dialog.controlCount; ++i) {
    const FwControlTemplate& control = dialog.controls[i];
    CWnd& made = window.AddChild(MakeControl(control.kind));
    made.SetDlgCtrlID(control.id);
    made.SetWindowText(control.text);
    made.SetGroupStart(control.groupStart);
    made.ShowWindow(!control.hidden);
  }
}
