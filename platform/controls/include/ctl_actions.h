// What a person does to a dialog's controls, for both front ends: each
// action changes the control as the person would and sends the dialog the
// notification the control sends. A control that is missing, hidden or
// disabled cannot be acted on (FwControlError); on a page of a sheet the
// buttons the handler posted apply when it returns.
#pragma once

#include "ctl_controls.h"

// Types text into an edit (EN_CHANGE).
void FwTypeText(CWnd& dialog, UINT id, LPCTSTR text);
// The focus leaves edit id (EN_KILLFOCUS): its focus-loss handler runs.
void FwLeaveEdit(CWnd& dialog, UINT id);
// Clicks a button: a check box toggles, a radio button is checked and the
// others of its group unchecked (BN_CLICKED).
void FwClickButton(CWnd& dialog, UINT id);
// Picks item index of a list box or combo box (LBN_SELCHANGE), or selects
// row index alone of a report list (LVN_ITEMCHANGED, then NM_CLICK).
void FwPickItem(CWnd& dialog, UINT id, int index);
// Picks the item with the text (without regard to case; a report list's
// first column); FwControlError when there is none.
void FwPickItemByText(CWnd& dialog, UINT id, LPCTSTR text);
// Clicks a report-list row's check box: its check state toggles
// (LVN_ITEMCHANGED).
void FwToggleRowCheck(CWnd& dialog, UINT id, int row);
// Selects the tree item at path ("Garden\\Tools") (TVN_SELCHANGED).
void FwSelectTreePath(CWnd& dialog, UINT id, const CString& path);
// Right-clicks the header of report list id over column.
void FwRightClickHeader(CWnd& dialog, UINT id, int column);
// Sends the dialog a command or notification of control id as the control
// would: the control sees it first (reflection) and may keep it.
void FwNotifyDialog(CWnd& dialog, UINT id, UINT code);
