// BRANCH-ONLY SHIM, deleted when the persistent allocator is merged: lets
// the database code link and run over images of raw pages. The database
// header is left as the database built it; nothing is allocated, relocated
// or checked.
#include "db_allocator.h.draft"

#include "dv_err.h"

namespace dv_qem {

struct _DB_allocator::impl {
  _DB_space* space;
};

void _DB_allocator::start_subsystem() {}
_DB_allocator::_DB_allocator(_DB_space& space, bool) : impl_(new impl{&space}) {}
_DB_allocator::~_DB_allocator() { delete impl_; }
void _DB_allocator::start_up() {}
_DB_header* _DB_allocator::header() const { return reinterpret_cast<_DB_header*>(impl_->space->space_start()); }
dv4u _DB_allocator::size() const { return header()->super.db_size; }
void* _DB_allocator::allocate(size_t, const dv_typespec*, dv4u, dv4u) {
  throw dv_err_not_supported("allocation needs the persistent allocator");
}
void* _DB_allocator::allocate_near(size_t, const dv_typespec*, dv4u, const void*, dv4u) {
  throw dv_err_not_supported("allocation needs the persistent allocator");
}
void _DB_allocator::free(void*) { throw dv_err_not_supported("allocation needs the persistent allocator"); }
void _DB_allocator::page_fetched(char*) {}
void _DB_allocator::forget_page(char*) {}
char* _DB_allocator::large_object_at(const char*) const { return nullptr; }
dv4u _DB_allocator::large_object_pages(const char*) const { return 0; }
void _DB_allocator::relocate_page(char*) {}
void _DB_allocator::relocate_large_object(char*) {}
void _DB_allocator::reset() {}
bool _DB_allocator::object_at(const void*, object_info&) { return false; }
void _DB_allocator::self_check() {}
void _DB_allocator::dump() {}

}  // namespace dv_qem
