// Data exchange: a dialog's DoDataExchange binds its members to its
// controls; UpdateData(FALSE) writes the members into the controls,
// UpdateData(TRUE) reads them back and fails (the dialog stays) when a text
// does not convert.
#pragma once

#include "ctl_controls.h"

class CDataExchange {
 public:
  CDataExchange(CWnd& dialog, BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(&dialog) {}
  // Tells the person what is wrong with control id and ends the exchange.
  [[noreturn]] void Fail(UINT id, LPCTSTR message);

  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
};

// Thrown by Fail, caught by UpdateData.
struct FwDataExchangeFailure {
  UINT id;
};

void DDX_Text(CDataExchange* pDX, UINT id, CString& value);
// A whole decimal number; a text that is not one fails with
// "Please enter an integer.".
void DDX_Text(CDataExchange* pDX, UINT id, int& value);
// Check box state: 0 unchecked, 1 checked.
void DDX_Check(CDataExchange* pDX, UINT id, int& value);
// The index of the checked radio button in the group that id opens (the
// radios after it up to the next group start); -1 when none is checked.
void DDX_Radio(CDataExchange* pDX, UINT id, int& value);
void DDX_LBIndex(CDataExchange* pDX, UINT id, int& index);
void DDX_CBIndex(CDataExchange* pDX, UINT id, int& index);
// Selects the first item with the text (without regard to case); reads the
// selected item's text.
void DDX_LBString(CDataExchange* pDX, UINT id, CString& value);
void DDX_CBString(CDataExchange* pDX, UINT id, CString& value);
// Attaches member to control id when the dialog is made.
void DDX_Control(CDataExchange* pDX, UINT id, CWnd& member);
