// The wizard sheet's page list and page flow.
#include "ctl_property_sheet.h"

#include <algorithm>
#include <string>

#include "fw_exceptions.h"

BOOL CPropertyPage::OnSetActive() {
  if (firstSetActive_)
    firstSetActive_ = FALSE;
  else
    UpdateData(FALSE);
  return TRUE;
}

BOOL CPropertyPage::OnKillActive() { return UpdateData(TRUE); }

CPropertySheet::~CPropertySheet() {
  for (CPropertyPage* page : pages_) {
    page->DestroyWindow();
    page->sheet_ = nullptr;
  }
}

void CPropertySheet::AddPage(CPropertyPage* page) {
  page->sheet_ = this;
  pages_.push_back(page);
}

void CPropertySheet::RemovePage(CPropertyPage* page) {
  int index = GetPageIndex(page);
  if (index < 0) throw FwControlError("the page of dialog " + std::to_string(page->GetTemplateId()) + " is not on the sheet");
  RemovePage(index);
}

void CPropertySheet::RemovePage(int index) {
  if (index < 0 || index >= GetPageCount())
    throw FwControlError("no page " + std::to_string(index) + " on a sheet of " + std::to_string(GetPageCount()));
  CPropertyPage* page = pages_[index];
  pages_.erase(pages_.begin() + index);
  page->DestroyWindow();
  page->firstSetActive_ = TRUE;
  page->sheet_ = nullptr;
  if (active_ == page) active_ = nullptr;
}

CPropertyPage* CPropertySheet::GetPage(int index) const {
  return index < 0 || index >= GetPageCount() ? nullptr : pages_[index];
}

int CPropertySheet::GetPageIndex(const CPropertyPage* page) const {
  auto at = std::find(pages_.begin(), pages_.end(), page);
  return at == pages_.end() ? -1 : static_cast<int>(at - pages_.begin());
}

void CPropertySheet::Activate(CPropertyPage* page) {
  active_ = page;
  if (!page->IsCreated()) page->Create();
}

BOOL CPropertySheet::SetActivePage(int index) {
  CPropertyPage* page = GetPage(index);
  if (page == nullptr) return FALSE;
  if (active_ != nullptr && active_ != page && !active_->OnKillActive()) return FALSE;
  Activate(page);
  page->OnSetActive();
  return TRUE;
}

BOOL CPropertySheet::SetActivePage(CPropertyPage* page) { return SetActivePage(GetPageIndex(page)); }

BOOL CPropertySheet::IsButtonEnabled(int button) const {
  switch (button) {
    case PSBTN_BACK: return (buttons_ & PSWIZB_BACK) != 0;
    case PSBTN_NEXT: return (buttons_ & PSWIZB_NEXT) != 0 && (buttons_ & (PSWIZB_FINISH | PSWIZB_DISABLEDFINISH)) == 0;
    case PSBTN_FINISH: return (buttons_ & PSWIZB_FINISH) != 0;
    case PSBTN_CANCEL: return TRUE;
  }
  return FALSE;
}

void CPropertySheet::ApplyPostedButtons() {
  while (!posted_.empty()) {
    buttons_ = posted_.front();
    posted_.pop_front();
  }
}

// Shows page index after the current page let go; a page refusing to be
// shown is passed in the direction of the move.
BOOL CPropertySheet::MoveTo(int index, int direction) {
  CPropertyPage* from = active_;
  if (from != nullptr && !from->OnKillActive()) return FALSE;
  for (; index >= 0 && index < GetPageCount(); index += direction) {
    CPropertyPage* page = pages_[index];
    Activate(page);
    if (page->OnSetActive()) return TRUE;
  }
  // No page took the move: the page that let go stays shown.
  active_ = from;
  return FALSE;
}

BOOL CPropertySheet::Move(LRESULT answer, int direction) {
  if (answer == -1) return FALSE;
  if (answer != 0) {
    auto at = std::find_if(pages_.begin(), pages_.end(),
                           [answer](const CPropertyPage* p) { return p->GetTemplateId() == static_cast<UINT>(answer); });
    if (at == pages_.end()) return FALSE;
    return MoveTo(static_cast<int>(at - pages_.begin()), direction);
  }
  int from = GetPageIndex(active_);
  if (from < 0) return FALSE;
  return MoveTo(from + direction, direction);
}

BOOL CPropertySheet::PressButton(int button) {
  if (ended_ || active_ == nullptr || !IsButtonEnabled(button)) return FALSE;
  BOOL done = FALSE;
  try {
    switch (button) {
      case PSBTN_NEXT: done = Move(active_->OnWizardNext(), +1); break;
      case PSBTN_BACK: done = Move(active_->OnWizardBack(), -1); break;
      case PSBTN_FINISH: {
        // -1 stays as well as FALSE: pages of both conventions are met.
        BOOL answer = active_->OnWizardFinish();
        if (answer != FALSE && answer != -1) {
          ended_ = TRUE;
          result_ = ID_WIZFINISH;
          done = TRUE;
        }
        break;
      }
      case PSBTN_CANCEL:
        if (active_->OnQueryCancel()) {
          active_->OnCancel();
          ended_ = TRUE;
          result_ = IDCANCEL;
          done = TRUE;
        }
        break;
    }
  } catch (CException* e) {
    e->ReportError(MB_OK | MB_ICONEXCLAMATION);
    e->Delete();
  }
  ApplyPostedButtons();
  return done;
}

BOOL CPropertySheet::SendPageCommand(UINT id, UINT code) {
  if (active_ == nullptr) return FALSE;
  BOOL handled = active_->SendCommand(id, code);
  ApplyPostedButtons();
  return handled;
}

int CPropertySheet::DoModal() {
  FwModalHost* host = FwGetModalHost();
  if (host == nullptr) throw FwControlError("no front end to run the sheet \"" + std::string(static_cast<LPCTSTR>(GetWindowText())) + "\"");
  if (pages_.empty()) throw FwControlError("a sheet without pages cannot run");
  ended_ = FALSE;
  result_ = 0;
  try {
    MoveTo(0, +1);
  } catch (CException* e) {
    e->ReportError(MB_OK | MB_ICONEXCLAMATION);
    e->Delete();
  }
  ApplyPostedButtons();
  if (!ended_) host->RunSheet(*this);
  for (CPropertyPage* page : pages_) page->DestroyWindow();
  active_ = nullptr;
  return result_;
}
