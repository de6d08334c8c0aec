// Making and resizing bit vectors inside a database.
#include "persistent_bitvector.h"

#include "db_allocator.h"
#include "self_relative.h"

namespace dv_qem {

_Bit_vector* _Pers_bit_vector_create(_DB_allocator& allocator, dv4u n_bits, const void* near) {
  dv4u words = static_cast<dv4u>(_Bit_vector::words_for(n_bits));
  dv_typespec* word_type = dv_typespec::get_unsigned_int();
  size_t bytes = static_cast<size_t>(words) * word_type->get_size();
  void* storage = near != nullptr
                      ? allocator.allocate_near(bytes, word_type, words, near, system_page_group)
                      : allocator.allocate(bytes, word_type, words, system_page_group);
  auto* vector = static_cast<_Bit_vector*>(storage);
  vector->init(n_bits);
  return vector;
}

_Bit_vector* _Pers_bit_vector_resize(_DB_allocator& allocator, dv4s* link, dv4u n_bits) {
  auto* old = reinterpret_cast<_Bit_vector*>(resolve_self_relative(link));
  _Bit_vector* fresh = _Pers_bit_vector_create(allocator, n_bits, old);
  // Allocating may have changed bits of old (its own page's size class).
  old->copy_to(*fresh);
  store_self_relative(link, fresh);
  allocator.free(old);
  return fresh;
}

}  // namespace dv_qem
