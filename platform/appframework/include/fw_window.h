// The little the framework layer needs of a window: its text and its
// descendants. The program's control model implements it; dialog
// localisation is written against it.
#pragma once

#include <functional>

#include "fw_string.h"

class FwWindow {
 public:
  virtual ~FwWindow() = default;
  virtual CString GetWindowText() const = 0;
  virtual void SetWindowText(LPCTSTR text) = 0;
  // Calls visit for every descendant window (children of children too),
  // each parent before its children, until visit returns FALSE.
  virtual void EnumChildWindows(const std::function<BOOL(FwWindow&)>& visit) = 0;
};
