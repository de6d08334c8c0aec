// Windows: texts, flags, children by control id and the guarded dispatch of
// commands.
#include "ctl_window.h"

#include <algorithm>
#include <string>

#include "fw_exceptions.h"

CWnd::~CWnd() { DestroyChildren(); }

void CWnd::SetWindowText(LPCTSTR text) { text_ = text == nullptr ? "" : text; }

void CWnd::EnumChildWindows(const std::function<BOOL(FwWindow&)>& visit) {
  for (CWnd* child : children_) {
    if (!visit(*child)) return;
    child->EnumChildWindows(visit);
  }
}

CWnd* CWnd::GetDlgItem(UINT id) const {
  for (CWnd* child : children_)
    if (child->id_ == id) return child;
  return nullptr;
}

CWnd* CWnd::RequireDlgItem(UINT id) const {
  CWnd* child = GetDlgItem(id);
  if (child == nullptr) throw FwControlError("no control " + std::to_string(id) + " on window \"" + static_cast<LPCTSTR>(text_) + "\"");
  return child;
}

void CWnd::ThrowWrongClass(UINT id) const {
  throw FwControlError("control " + std::to_string(id) + " on window \"" + std::string(static_cast<LPCTSTR>(text_)) +
                       "\" is of another class than asked");
}

CWnd& CWnd::AddChild(std::unique_ptr<CWnd> child) {
  child->parent_ = this;
  children_.push_back(child.get());
  owned_.push_back(std::move(child));
  return *children_.back();
}

void CWnd::SubclassDlgItem(UINT id, CWnd& member) {
  CWnd* child = RequireDlgItem(id);
  if (&member == child) return;
  if (member.kind_ != child->kind_)
    throw FwControlError("control " + std::to_string(id) + " cannot be attached to a member of another kind");
  member.TakeOverState(*child);
  member.id_ = id;
  member.parent_ = this;
  std::replace(children_.begin(), children_.end(), child, &member);
  owned_.erase(std::find_if(owned_.begin(), owned_.end(), [child](const auto& p) { return p.get() == child; }));
}

void CWnd::DestroyChildren() {
  for (CWnd* child : children_) {
    child->DestroyChildren();
    bool owned = std::any_of(owned_.begin(), owned_.end(), [child](const auto& p) { return p.get() == child; });
    if (!owned) {
      // A member window outlives the dialog: it is emptied for the next one.
      child->parent_ = nullptr;
      child->text_.Empty();
      child->visible_ = TRUE;
      child->enabled_ = TRUE;
      child->groupStart_ = FALSE;
      child->ResetContents();
    }
  }
  children_.clear();
  owned_.clear();
}

void CWnd::TakeOverState(const CWnd& from) {
  text_ = from.text_;
  visible_ = from.visible_;
  enabled_ = from.enabled_;
  groupStart_ = from.groupStart_;
}

BOOL CWnd::SendCommand(UINT id, UINT code) {
  try {
    return OnCmdMsg(id, code);
  } catch (CException* e) {
    e->ReportError(MB_OK | MB_ICONEXCLAMATION);
    e->Delete();
    return TRUE;
  }
}
