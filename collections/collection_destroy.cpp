// Destroying collections. A persistent collection is destroyed only while
// the runtime lets this process write to it; asking the runtime with a touch
// for writing before any of the object is read or changed keeps every
// destructor clear of a refused write, which would end the process.
#include "durnavel.h"
#include "dv_collection.h"
#include "dv_err.h"

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

}  // namespace dv_qem
