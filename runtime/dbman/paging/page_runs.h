// _Page_runs: gives many pages of one database the same access with one
// protection call per run of adjacent mapped pages, instead of one a page.
// Pages are handed over in address order; a page that has the access already
// lengthens a run but never starts one (a call that changes nothing for a
// page costs little, every call a flush of the address translations), and a
// gap, an unmapped page or a long stretch of pages that change nothing ends
// it.
#pragma once

#include "dv_types.h"

namespace dv_qem {

class _Page;

class _Page_runs {
 public:
  // Runs that end with the access kind (a dv_memory_kind).
  explicit _Page_runs(int kind) : kind_(kind) {}
  _Page_runs(const _Page_runs&) = delete;
  _Page_runs& operator=(const _Page_runs&) = delete;

  // The page shall have the access; pages come in ascending address order.
  // An unmapped page is passed over (and ends the run).
  void add(_Page* page);
  // Gives the run gathered so far its access. Must be called once the last
  // page is added; a failed change raises as dv_protect_memory does.
  void finish();

  // Most pages that change nothing a run carries before a changed page.
  static constexpr dv4u kLongestUnchangedStretch = 1024;

 private:

  int kind_;
  _Page* first_ = nullptr;   // first page of the run under way
  char* end_ = nullptr;      // address just after its last page
  dv4u count_ = 0;           // pages in it
  dv4u unchanged_tail_ = 0;  // trailing pages of it that have the access already
};

}  // namespace dv_qem
