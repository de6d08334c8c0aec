// The static behaviour operations of dv_collection: combining words, their
// printed names and the kind name a word selects.
#include <cstring>

#include "coll_startup.h"
#include "dv_coll_statics.h"
#include "dv_collection.h"

namespace dv_qem {

unsigned dv_collection::combine_behavior(unsigned a, unsigned b) {
  unsigned combined = (a | b) & (dv_allow_duplicates | dv_allow_nulls);
  if ((a & b & dv_maintain_order) != 0) combined |= dv_maintain_order;
  return combined;
}

char* dv_collection::behavior_names(unsigned behavior, char* buffer) {
  if (dv_coll_readonly_static_pointer == nullptr) _VRN_coll_initialize();
  const dv_coll_readonly_static& names = *dv_coll_readonly_static_pointer;
  buffer[0] = '\0';
  for (int bit = 0; bit < _Coll_behavior_name_count; ++bit) {
    if ((behavior & (1u << bit)) == 0) continue;
    std::strcat(buffer, names.behavior_names[bit]);
    std::strcat(buffer, ", ");
  }
  std::size_t length = std::strlen(buffer);
  if (length >= 2) buffer[length - 2] = '\0';
  return buffer;
}

char* dv_collection::bits_to_rep(char* buffer, unsigned behavior) {
  const char* kind = "dv_Set";
  if ((behavior & dv_maintain_order) != 0)
    kind = (behavior & dv_allow_nulls) != 0 ? "dv_Array" : "dv_List";
  else if ((behavior & dv_allow_duplicates) != 0)
    kind = "dv_Bag";
  std::strcpy(buffer, kind);
  return buffer;
}

}  // namespace dv_qem
