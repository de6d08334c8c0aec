// Protection changes of many pages, one call per run of adjacent pages.
#include "page_runs.h"

#include "memory_layer.h"
#include "page.h"

namespace dv_qem {

void _Page_runs::add(_Page* page) {
  if (!page->is_mapped() || page->get_protection() == kind_) {
    finish();
    return;
  }
  if (count_ == 0 || page->get_buffer() != end_) {
    finish();
    first_ = page;
  }
  end_ = page->get_buffer() + page->get_size();
  ++count_;
}

void _Page_runs::finish() {
  if (count_ == 0) return;
  const dv4u pages = count_;
  count_ = 0;
  dv_protect_memory(first_->get_buffer(), pages * first_->get_size(), kind_);
  _Page* page = first_;
  for (dv4u i = 0; i < pages; ++i) {
    page->protection = kind_;
    page = static_cast<_Page*>(page->get_next());
  }
}

}  // namespace dv_qem
