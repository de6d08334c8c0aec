// _Page_runs: gives many pages of one database the same access with one
// protection call per run of adjacent mapped pages that need the change,
// instead of one a page. Pages are handed over in address order; a page that
// has the access already, an unmapped page or a gap ends the run. (A call
// that also covers pages it changes nothing for is no bargain: its cost
// grows with every page it covers, and past a few dozen it flushes every
// address translation; measured, one call per changed run is cheapest.)
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
  // A page that has it already, or is not mapped, is passed over (and ends
  // the run).
  void add(_Page* page);
  // Gives the run gathered so far its access. Must be called once the last
  // page is added; a failed change raises as dv_protect_memory does.
  void finish();

 private:
  int kind_;
  _Page* first_ = nullptr;  // first page of the run under way
  char* end_ = nullptr;     // address just after its last page
  dv4u count_ = 0;          // pages in it
};

}  // namespace dv_qem
