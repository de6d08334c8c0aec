// The controls of the model: each keeps what a person sees and changes
// (text, check state, items with item data, selection, rows and columns,
// tree items, progress position). Calls with an index out of range answer
// like the platform's controls (-1 or FALSE) and change nothing.
#pragma once

#include <string>
#include <vector>

#include "ctl_window.h"

enum : int { LB_ERR = -1, CB_ERR = -1 };
enum : int { BST_UNCHECKED = 0, BST_CHECKED = 1 };

class CStatic : public CWnd {
 public:
  CStatic() : CWnd(FwControlKind::Static) {}
};

class CEdit : public CWnd {
 public:
  CEdit() : CWnd(FwControlKind::Edit) {}
  BOOL IsReadOnly() const { return readOnly_; }
  void SetReadOnly(BOOL readOnly = TRUE) { readOnly_ = readOnly; }

 protected:
  void ResetContents() override { readOnly_ = FALSE; }

 private:
  BOOL readOnly_ = FALSE;
};

// A push button, check box or radio button.
class CButton : public CWnd {
 public:
  explicit CButton(FwControlKind kind = FwControlKind::Button) : CWnd(kind) {}
  int GetCheck() const { return check_; }
  void SetCheck(int check) { check_ = check; }

 protected:
  void ResetContents() override { check_ = BST_UNCHECKED; }

 private:
  int check_ = BST_UNCHECKED;
};

// Items with item data and one selection: the list box and the drop-down
// list combo box.
class FwItemList : public CWnd {
 public:
  using CWnd::CWnd;
  int GetCount() const { return static_cast<int>(items_.size()); }
  int AddString(LPCTSTR text);
  int InsertString(int index, LPCTSTR text);
  int DeleteString(UINT index);
  void ResetContent();
  // The item's text; empty when index is out of range.
  CString GetItemText(int index) const;
  int FindStringExact(int startAfter, LPCTSTR text) const;
  DWORD_PTR GetItemData(int index) const;
  int SetItemData(int index, DWORD_PTR data);
  int GetCurSel() const { return selection_; }
  // Selects index (-1: none); out of range selects nothing and answers -1.
  int SetCurSel(int index);

 protected:
  void ResetContents() override { ResetContent(); }

 private:
  struct Item {
    CString text;
    DWORD_PTR data;
  };
  std::vector<Item> items_;
  int selection_ = -1;
};

class CListBox : public FwItemList {
 public:
  CListBox() : FwItemList(FwControlKind::ListBox) {}
  void GetText(int index, CString& text) const { text = GetItemText(index); }
};

class CComboBox : public FwItemList {
 public:
  CComboBox() : FwItemList(FwControlKind::ComboBox) {}
  void GetLBText(int index, CString& text) const { text = GetItemText(index); }
  // The selected item's text is the combo's text.
  CString GetWindowText() const override;
};

// A report list: a header of columns and rows of cells, each row with item
// data, a state (selection, check) and a check box.
enum : UINT { LVIS_FOCUSED = 0x0001, LVIS_SELECTED = 0x0002, LVIS_STATEIMAGEMASK = 0xF000 };
enum : UINT { LVNI_ALL = 0, LVNI_SELECTED = 0x0002 };

struct FwListColumn {
  CString text;
  int width;
  int format;
};

class CListCtrl : public CWnd {
 public:
  CListCtrl() : CWnd(FwControlKind::ListCtrl) {}
  int GetColumnCount() const { return static_cast<int>(columns_.size()); }
  int InsertColumn(int index, LPCTSTR heading, int format = 0, int width = -1);
  BOOL DeleteColumn(int index);
  // The column's heading, width and format; FALSE when out of range.
  BOOL GetColumn(int index, FwListColumn& column) const;
  int GetColumnWidth(int index) const;

  int GetItemCount() const { return static_cast<int>(rows_.size()); }
  int InsertItem(int index, LPCTSTR text);
  BOOL DeleteItem(int index);
  BOOL DeleteAllItems();
  CString GetItemText(int row, int column) const;
  BOOL SetItemText(int row, int column, LPCTSTR text);
  DWORD_PTR GetItemData(int row) const;
  BOOL SetItemData(int row, DWORD_PTR data);
  UINT GetItemState(int row, UINT mask) const;
  BOOL SetItemState(int row, UINT state, UINT mask);
  // A row's check box: none until SetCheck gives it one (state image 1
  // unchecked, 2 checked); GetCheck is TRUE only for a checked one.
  BOOL GetCheck(int row) const;
  BOOL SetCheck(int row, BOOL check = TRUE);
  // The next row after start (-1: from the first) with every flag of
  // LVNI_SELECTED when asked; -1 when none.
  int GetNextItem(int start, UINT flags) const;
  int GetSelectedCount() const;
  // A right-click on the header over column (-1: over no column).
  virtual void OnHeaderRightClick(int column) {}
  // The row whose state changed last (for item-changed handlers).
  int GetChangedItem() const { return changedItem_; }
  void SetChangedItem(int row) { changedItem_ = row; }

 protected:
  void ResetContents() override;

 private:
  struct Row {
    std::vector<CString> cells;  // one per column
    DWORD_PTR data;
    UINT state;  // LVIS_ bits; state image 1 (0x1000) unchecked, 2 (0x2000) checked
  };
  std::vector<FwListColumn> columns_;
  std::vector<Row> rows_;
  int changedItem_ = -1;
};

// A tree of items with item data; one item selected.
typedef struct FwTreeItem* HTREEITEM;
#define TVI_ROOT (reinterpret_cast<HTREEITEM>(static_cast<uintptr_t>(0xFFFF0000)))
#define TVI_LAST (reinterpret_cast<HTREEITEM>(static_cast<uintptr_t>(0xFFFF0002)))

class CTreeCtrl : public CWnd {
 public:
  CTreeCtrl();
  ~CTreeCtrl() override;
  HTREEITEM InsertItem(LPCTSTR text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST);
  BOOL DeleteItem(HTREEITEM item);
  BOOL DeleteAllItems();
  UINT GetCount() const;
  CString GetItemText(HTREEITEM item) const;
  BOOL SetItemText(HTREEITEM item, LPCTSTR text);
  DWORD_PTR GetItemData(HTREEITEM item) const;
  BOOL SetItemData(HTREEITEM item, DWORD_PTR data);
  HTREEITEM GetRootItem() const;
  HTREEITEM GetChildItem(HTREEITEM item) const;
  HTREEITEM GetNextSiblingItem(HTREEITEM item) const;
  HTREEITEM GetParentItem(HTREEITEM item) const;
  HTREEITEM GetSelectedItem() const { return selected_; }
  BOOL SelectItem(HTREEITEM item);
  // The item reached by the texts of path separated by '\\' from the roots
  // ("Garden\\Tools"); null when a step is missing.
  HTREEITEM FindPath(const CString& path) const;
  // The item's texts from its root down, separated by '\\'.
  CString PathOf(HTREEITEM item) const;

 protected:
  void ResetContents() override { DeleteAllItems(); }

 private:
  bool Holds(HTREEITEM item) const;
  std::vector<std::unique_ptr<FwTreeItem>> roots_;
  HTREEITEM selected_ = nullptr;
};

// Long work moves a progress bar without giving the front end a turn: a
// front end installs a function that shows the bar's new position at once
// (null: none).
class CProgressCtrl;
using FwProgressShown = void (*)(CProgressCtrl& bar);
FwProgressShown FwSetProgressShown(FwProgressShown show);

class CProgressCtrl : public CWnd {
 public:
  CProgressCtrl() : CWnd(FwControlKind::Progress) {}
  void SetRange32(int lower, int upper) { lower_ = lower, upper_ = upper; }
  void GetRange(int& lower, int& upper) const { lower = lower_, upper = upper_; }
  int SetPos(int position);
  int GetPos() const { return position_; }
  int StepIt();
  int SetStep(int step);

 protected:
  void ResetContents() override;

 private:
  int lower_ = 0, upper_ = 100, position_ = 0, step_ = 10;
};
