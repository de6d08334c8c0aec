// Handler tables: each window class lists which member runs for which
// control id and notification code, ending the table with an entry whose
// handler is null, and passes what it does not handle on
// to its base class's table, as
//   BOOL OnCmdMsg(UINT id, UINT code) override {
//     return FwRunHandler(*this, kHandlers, id, code) || Base::OnCmdMsg(id, code);
//   }
#pragma once

#include "ctl_window.h"

template <class T>
struct FwHandler {
  UINT id;
  UINT code;
  void (T::*handler)();
};

// Runs the first entry of table for id and code; FALSE when none matches.
template <class T>
BOOL FwRunHandler(T& window, const FwHandler<T>* table, UINT id, UINT code) {
  for (const FwHandler<T>* entry = table; entry->handler != nullptr; ++entry) {
    if (entry->id == id && entry->code == code) {
      (window.*entry->handler)();
      return TRUE;
    }
  }
  return FALSE;
}
