// CRowsetNavigator: the first, previous, next and last buttons of a page
// and its status text, moving the page's preview list from rowset to
// rowset.
#pragma once

#include "preview_list.h"

class CRowsetNavigator {
 public:
  // Next's results.
  enum : int { kRowsetFetched = 2, kEndOfResultSet = 3 };
  enum : UINT { kNoDataString = 51481, kEndOfResultString = 51482 };

  void Attach(CWnd* dialog, CDBaseListVw* previewList);
  // The buttons' and the status text's control ids.
  void SetControls(UINT first, UINT previous, UINT next, UINT last, UINT status);

  void First(BOOL noRefresh = FALSE);
  void Previous(BOOL noRefresh = FALSE);
  // kRowsetFetched, or kEndOfResultSet at the end (with showEnd it says so
  // and shows the last rowset).
  int Next(BOOL showEnd = FALSE, BOOL noRefresh = FALSE);
  void Last(BOOL noRefresh = FALSE);
  // Buttons enabled when the list holds rows (else disabled, and the
  // person is told the table is empty); the status text shown.
  void Refresh();
  // index 0 first, 1 previous, 2 next, 3 last.
  void EnableButton(int index, BOOL enable);

 private:
  enum { kFirst, kPrevious, kNext, kLast, kStatus };
  CDynamicBulkSet& Recordset() const;

  CWnd* m_pDialog = nullptr;
  CDBaseListVw* m_pList = nullptr;
  UINT m_controls[5] = {};
};
