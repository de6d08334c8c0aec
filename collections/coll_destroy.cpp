// Destroying collections and giving back their storage. A persistent
// collection is destroyed only while the runtime lets this process write to
// it; asking the runtime with a touch for writing before any of the object is
// read or changed keeps every destructor clear of a refused write, which
// would end the process.
#include "durnavel.h"
#include "dv_collection.h"
#include "dv_err.h"
#include "dv_new.h"

namespace dv_qem {

namespace {

// Raises what the runtime raises for a write to c now; a transient
// collection is always writable.
void require_writable(const dv_collection* c) {
  if (durnavel::is_persistent(c)) durnavel::touch(c, 1);
}

bool writable_now(const dv_collection* c) noexcept {
  try {
    require_writable(c);
    return true;
  } catch (const dv_err&) {
    return false;
  }
}

}  // namespace

void dv_collection::destroy(dv_collection& c) {
  require_writable(&c);
  delete &c;
}

void dv_collection::operator delete(dv_collection* c, std::destroying_delete_t) {
  if (!writable_now(c)) return;
  void* storage = dynamic_cast<void*>(c);  // the most derived object's start
  c->~dv_collection();
  ::operator delete(storage);
}

void* dv_collection::operator new(std::size_t size) { return ::operator new(size); }

void* dv_collection::operator new(std::size_t size, dv_database* db, dv_typespec* ts) {
  return ::operator new(size, db, ts);
}

void* dv_collection::operator new(std::size_t size, const void* hint, dv_typespec* ts) {
  return ::operator new(size, hint, ts);
}

void dv_collection::operator delete(void* storage) { ::operator delete(storage); }

void dv_collection::operator delete(void* storage, dv_database* db, dv_typespec* ts) {
  ::operator delete(storage, db, ts);
}

void dv_collection::operator delete(void* storage, const void* hint, dv_typespec* ts) {
  ::operator delete(storage, hint, ts);
}

}  // namespace dv_qem
