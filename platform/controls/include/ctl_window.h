// Windows of the control model: a window keeps its text, visibility,
// enabled state and child windows keyed by control id. Front ends (the
// terminal, the scripted driver) read and drive windows only through this
// model; page code never knows which front end runs it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "fw_window.h"

// The kinds of window a dialog template can hold.
enum class FwControlKind { Window, Static, Edit, Button, CheckBox, Radio, ListBox, ComboBox, ListCtrl, TreeCtrl, Progress };

// Command and notification codes a control sends to its dialog.
enum : UINT {
  BN_CLICKED = 0,
  LBN_SELCHANGE = 1,
  CBN_SELCHANGE = 1,
  LBN_DBLCLK = 2,
  EN_CHANGE = 0x0300,
  EN_KILLFOCUS = 0x0200,
  NM_CLICK = 0xFFFFFFFEu,
  NM_DBLCLK = 0xFFFFFFFDu,
  NM_RCLICK = 0xFFFFFFFBu,
  LVN_ITEMCHANGED = 0xFFFFFF9Bu,
  LVN_COLUMNCLICK = 0xFFFFFF94u,
  TVN_SELCHANGED = 0xFFFFFE6Fu,
};

typedef long LRESULT;
// Item data: pointer-sized.
typedef uintptr_t DWORD_PTR;

// A control the caller named is not there, or is of another class, or an
// item index is out of range: a fault of the page code or of a script.
class FwControlError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class CWnd : public FwWindow {
 public:
  explicit CWnd(FwControlKind kind = FwControlKind::Window) : kind_(kind) {}
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;
  ~CWnd() override;

  FwControlKind Kind() const { return kind_; }
  UINT GetDlgCtrlID() const { return id_; }
  void SetDlgCtrlID(UINT id) { id_ = id; }
  CWnd* GetParent() const { return parent_; }

  CString GetWindowText() const override { return text_; }
  void SetWindowText(LPCTSTR text) override;
  void EnumChildWindows(const std::function<BOOL(FwWindow&)>& visit) override;

  BOOL IsWindowVisible() const { return visible_; }
  void ShowWindow(BOOL show) { visible_ = show; }
  BOOL IsWindowEnabled() const { return enabled_; }
  void EnableWindow(BOOL enable) { enabled_ = enable; }
  // A window with the group flag opens a group of radio buttons.
  BOOL IsGroupStart() const { return groupStart_; }
  void SetGroupStart(BOOL start) { groupStart_ = start; }

  // The child with control id, or null.
  CWnd* GetDlgItem(UINT id) const;
  // The child with control id as the control class T; throws FwControlError
  // when there is none or it is of another class.
  template <class T>
  T& Control(UINT id) const {
    CWnd* child = RequireDlgItem(id);
    T* typed = dynamic_cast<T*>(child);
    if (typed == nullptr) ThrowWrongClass(id);
    return *typed;
  }
  CWnd* RequireDlgItem(UINT id) const;
  CString GetDlgItemText(UINT id) const { return RequireDlgItem(id)->GetWindowText(); }
  void SetDlgItemText(UINT id, LPCTSTR text) { RequireDlgItem(id)->SetWindowText(text); }
  // Children in template order.
  const std::vector<CWnd*>& Children() const { return children_; }

  // Makes a child owned by this window.
  CWnd& AddChild(std::unique_ptr<CWnd> child);
  // Puts member in place of the child with the same id: member takes over
  // its text, flags and place. The member must be of the child's kind.
  void SubclassDlgItem(UINT id, CWnd& member);
  // Removes every child; subclassed members are detached and emptied.
  void DestroyChildren();
  BOOL HasChildren() const { return !children_.empty(); }

  // A command or notification from child id: runs the window's handler
  // table. A framework exception escaping a handler is shown and deleted;
  // anything else goes on to the caller. TRUE when a handler ran.
  BOOL SendCommand(UINT id, UINT code);
  // The handler table of the class (and its bases); FALSE when none runs.
  virtual BOOL OnCmdMsg(UINT id, UINT code) { return FALSE; }
  // A notification this control sends, offered to the control itself before
  // its parent sees it (reflection); TRUE keeps it from the parent.
  virtual BOOL OnReflectedNotify(UINT code) { return FALSE; }
  // A window is drawn: pages set the sheet's title here.
  virtual void OnPaint() {}
  // The person asks for help on the window (F1, the script's "help"); FALSE
  // when the window offers none of its own.
  virtual BOOL OnHelp() { return FALSE; }

 protected:
  // Resets the window's own contents (items, rows, check state) when it is
  // detached from a dialog.
  virtual void ResetContents() {}
  // Copies the contents a template gives (text, flags) from another window.
  void TakeOverState(const CWnd& from);

 private:
  [[noreturn]] void ThrowWrongClass(UINT id) const;

  FwControlKind kind_;
  UINT id_ = 0;
  CWnd* parent_ = nullptr;
  CString text_;
  BOOL visible_ = TRUE;
  BOOL enabled_ = TRUE;
  BOOL groupStart_ = FALSE;
  std::vector<CWnd*> children_;
  std::vector<std::unique_ptr<CWnd>> owned_;
};
