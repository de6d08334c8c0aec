// Protection changes of many pages, one call per run of adjacent pages.
#include "page_runs.h"

#include "memory_layer.h"
#include "page.h"

namespace dv_qem {

void _Page_runs::add(_Page* page) {
  const bool adjacent = count_ != 0 && page->get_buffer() == end_;
  if (!page->is_mapped()) {
    finish();
    return;
  }
  const bool has_it = page->get_protection() == kind_;
  // A long stretch that changes nothing ends the run: the call's cost grows
  // with the pages it covers, and past this many another call costs less.
  if (adjacent && has_it && unchanged_tail_ >= kLongestUnchangedStretch) {
    finish();
    return;
  }
  if (!adjacent) {
    finish();
    if (has_it) return;
    first_ = page;
  }
  end_ = page->get_buffer() + page->get_size();
  ++count_;
  unchanged_tail_ = has_it ? unchanged_tail_ + 1 : 0;
}

void _Page_runs::finish() {
  if (count_ == 0) return;
  const dv4u changed = count_ - unchanged_tail_;
  count_ = 0;
  unchanged_tail_ = 0;
  dv_protect_memory(first_->get_buffer(), changed * first_->get_size(), kind_);
  _Page* page = first_;
  for (dv4u i = 0; i < changed; ++i) {
    page->protection = kind_;
    page = static_cast<_Page*>(page->get_next());
  }
}

}  // namespace dv_qem
