// One window of the control model on screen: a page of the running wizard
// sheet, or a modal dialog, shown as a full-screen toolkit dialog whose
// widgets are made from the window's controls in template order and kept in
// step with them both ways. A page taller than the terminal sits in a
// scroll view; below the window's smallest size one line asks for a larger
// terminal.
#pragma once

#include <string>
#include <vector>

#include <final/final.h>

#include "ctl_controls.h"
#include "ctl_dialog.h"
#include "ctl_property_sheet.h"

namespace fw_term {

class WindowView : public finalcut::FDialog {
 public:
  // Shows sheet's active page, or dialog (one of the two is null).
  WindowView(finalcut::FWidget* root, CDialog* dialog, CPropertySheet* sheet);
  ~WindowView() override;

  // Runs until the model ends the window.
  void RunModal();
  // Shows the model's state: texts, items, selections, checks, enabled
  // and visible states; a new page (or changed visibility) is laid out
  // anew. Ends the modal run when the window has ended.
  void Sync();
  // The bar moved during long work: shown at once and kept in sight.
  void ShowProgress(CProgressCtrl& bar);

  void onKeyPress(finalcut::FKeyEvent* event) override;
  void onShow(finalcut::FShowEvent* event) override;

 protected:
  void adjustSize() override;

 private:
  struct Bound;
  CWnd& Window() const;
  bool Ended() const;
  void Build();
  void Layout();
  // Draws what Layout placed, when the dialog is on screen.
  void Present();
  // The footer names the keys of the focused control.
  void ShowFooter();
  void SyncControl(Bound& bound);
  void Act(const std::function<void()>& action);
  Bound* FocusedBound();
  // Moves the focus step controls on in the window's order (template
  // order, then the wizard's buttons), round at the ends.
  bool MoveFocus(int step);
  void ScrollToBar(Bound& bound);
  // The list view's row under the cursor becomes the control's selection.
  void PickCurrentRow(Bound& bound);
  void AskCancel();
  // Esc and F1, wherever the focus is; TRUE when key was one of them.
  bool WindowKey(finalcut::FKey key);
  void OpenRowList(Bound& bound);
  void OpenColumnBox(Bound& bound);
  // A combo box's choices in a list of their own; the one taken is picked.
  void OpenComboList(Bound& bound);
  void MoveListTo(Bound& bound, int row);

  CDialog* dialog_;
  CPropertySheet* sheet_;
  CWnd* shown_ = nullptr;  // the window whose widgets are made
  std::vector<Bound*> bound_;
  finalcut::FLabel* caption_ = nullptr;
  finalcut::FScrollView* view_ = nullptr;
  finalcut::FLabel* notice_ = nullptr;
  std::vector<finalcut::FButton*> wizardButtons_;
  // Widgets of pages shown before: hidden, deleted with the view (a
  // handler running from one of them may still be on the stack).
  std::vector<finalcut::FWidget*> retired_;
  // Fields whose label gives them an access key: destroyed before the
  // labels.
  std::vector<finalcut::FWidget*> labelled_;
  std::string layoutKey_;  // which controls are visible: a change lays out anew
  CProgressCtrl* movedBar_ = nullptr;  // a bar long work moved, kept in sight after it
  bool syncing_ = false;
  bool closing_ = false;  // the window ended: widgets report to nobody
  bool newPage_ = false;  // the focus goes to the new page's first control
  bool tooSmall_ = false;
};

}  // namespace fw_term
