// Raising the heap's corruption errors with their fixed texts.
#include "heap_corruption.h"

#include "dv_err.h"
#include "heap_format.h"
#include "address_word.h"

namespace dv_qem {

void _Heap_corruption(const char* unit, int check) {
  throw dv_err_heap_corruption("Heap corruption detected during alloc or free. (%s,%d)", unit,
                               check);
}

void _Heap_corruption(_Obj_check check) { _Heap_corruption("obj_header", static_cast<int>(check)); }

void _Heap_corruption(_Pg_check check) { _Heap_corruption("pg_header", static_cast<int>(check)); }

void _Heap_double_free(const void* object) {
  throw dv_err_heap_corruption("Attempt to free an already freed block at persistent address %#x",
                               word_of(object));
}

void _Heap_tag_zero_on_free(const void* object) {
  throw dv_err_heap_corruption(
      "A type tag with value 0 was found while deleting the object at address %#x.\n"
      "This might indicate heap corruption, or it might indicate that vector delete "
      "(i.e. delete []) was not called for an array  with a vector header ",
      word_of(object));
}

}  // namespace dv_qem
