// The component cursor: a dictionary cursor on a representation, with the
// mapping step that stops on a given element under a saved key.
#include "dv_component_cursor.h"

#include <cstring>

#include "coll_messages.h"
#include "dv_function_cache.h"

namespace dv_qem {

_Component_cursor::_Component_cursor(const dv_collection* coll, const dv_dictionary* rep)
    : coll_(const_cast<dv_collection*>(coll)), rep_(const_cast<dv_dictionary*>(rep)), flags_(unrestricted_bit) {
  if (rep != nullptr) dc_ = &rep->__iteration_start(0);
}

_Component_cursor::_Component_cursor(const dv_collection* coll, const dv_dictionary* rep, int restriction,
                                     const void* key)
    : coll_(const_cast<dv_collection*>(coll)),
      rep_(const_cast<dv_dictionary*>(rep)),
      flags_(restriction == 200 ? dv4u{unrestricted_bit} : 0u) {
  if (rep != nullptr) dc_ = &rep->__iteration_start(restriction, key, 0);
}

_Component_cursor::_Component_cursor(const dv_collection* coll, const dv_dictionary* rep, int low_restriction,
                                     const void* low, int high_restriction, const void* high)
    : coll_(const_cast<dv_collection*>(coll)),
      rep_(const_cast<dv_dictionary*>(rep)),
      flags_(low_restriction == 200 && high_restriction == 200 ? dv4u{unrestricted_bit} : 0u) {
  if (rep != nullptr) dc_ = &rep->__iteration_start(low_restriction, low, high_restriction, high, 0);
}

_Component_cursor::~_Component_cursor() {
  if (rep() != nullptr && dictionary_cursor() != nullptr) rep()->__iteration_end(*dictionary_cursor());
}

int _Component_cursor::reset(const void* key) {
  clear_match();
  key_ = const_cast<void*>(key);
  if (rep() == nullptr || dictionary_cursor() == nullptr) return 0;
  void* e = nullptr;
  return rep()->__first(*dictionary_cursor(), e);
}

int _Component_cursor::reset_restricted(const void* key) {
  if ((flags_ & unrestricted_bit) != 0) dv_coll_raise<coll_msg::component_cursor_reset>();
  return reset(key);
}

int _Component_cursor::next(void*& out) {
  out = nullptr;
  if (rep() == nullptr || dictionary_cursor() == nullptr) return 0;
  clear_match();
  return rep()->__next(*dictionary_cursor(), out);
}

int _Component_cursor::previous(void*& out) {
  out = nullptr;
  if (rep() == nullptr || dictionary_cursor() == nullptr) return 0;
  // A matched element is the dictionary cursor's entry: the step back leaves it.
  clear_match();
  return rep()->__previous(*dictionary_cursor(), out);
}

int _Component_cursor::first(void*& out) {
  out = nullptr;
  if (rep() == nullptr || dictionary_cursor() == nullptr) return 0;
  clear_match();
  return rep()->__first(*dictionary_cursor(), out);
}

int _Component_cursor::last(void*& out) {
  out = nullptr;
  if (rep() == nullptr || dictionary_cursor() == nullptr) return 0;
  clear_match();
  return rep()->__last(*dictionary_cursor(), out);
}

int _Component_cursor::more() const {
  return (flags_ & matched_bit) == 0 && rep() != nullptr && dictionary_cursor() != nullptr &&
         rep()->__more(*dictionary_cursor());
}

int _Component_cursor::map_step() {
  if (rep() == nullptr || dictionary_cursor() == nullptr || (flags_ & matched_bit) != 0) return 0;
  dv_dictionary_cursor& dc = *dictionary_cursor();
  if (!rep()->__more(dc) || rep()->__retrieve(dc) != target_.resolve()) return 0;
  _Rank_fcn rank = nullptr;
  _Hash_fcn hash = nullptr;
  if (_Mapping_fcn_cache == nullptr) dv_collection::initialize();
  _Mapping_fcn_cache->find_functions(rep()->_key_type(), rank, hash, 1);
  // The key under the cursor in the form key arguments take (the address of
  // the pointer for C-string and "dv_pvoid" keys), as the saved key is.
  void* key = rep()->__retrieve_key(dc);
  const char* type = rep()->_key_type();
  const bool by_address = std::strcmp(type, "char*") == 0 || std::strcmp(type, "dv_pvoid") == 0;
  if (rank(by_address ? static_cast<const void*>(&key) : key, key_.resolve()) != 0) return 0;
  element_ = target_.resolve();
  flags_ |= matched_bit;
  return 1;
}

}  // namespace dv_qem
