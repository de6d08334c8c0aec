// Self-relative links, the pointers of the runtime's own persistent
// structures (32-bit, and 16-bit inside a page heap). A link stored as v in the field at address f leads to: nothing
// for 0, f itself for -1, f + v otherwise. Moving the memory that holds both
// the field and its target by the same distance leaves the link valid.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>

#include "dv_err.h"
#include "dv_types.h"

namespace dv_qem {

// The address the link in field leads to (null for 0).
inline void* _VRN_link_target(const void* field, dv4s link) {
  if (link == 0) return nullptr;
  if (link == -1) return const_cast<void*>(field);
  return reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(field) +
                                 static_cast<std::uintptr_t>(link));
}

// The link to store in field so that it leads to target.
inline dv4s _VRN_link_to(const void* field, const void* target) {
  if (target == nullptr) return 0;
  if (target == field) return -1;
  return static_cast<dv4s>(reinterpret_cast<std::uintptr_t>(target) -
                           reinterpret_cast<std::uintptr_t>(field));
}

// Whether a link stored in field can lead to target. The one address it can
// not reach is field - 1: its offset, -1, stands for field itself.
inline bool _VRN_link_can_reach(const void* field, const void* target) {
  return _VRN_link_target(field, _VRN_link_to(field, target)) == target;
}

// The target of the link stored in field, a 16- or 32-bit signed word.
template <typename Link>
inline char* resolve_self_relative(const Link* field) {
  Link value;
  std::memcpy(&value, field, sizeof value);
  return static_cast<char*>(_VRN_link_target(field, value));
}

// Stores in field the link that leads to target; the target must be in reach
// of the field's width.
template <typename Link>
inline void store_self_relative(Link* field, const void* target) {
  Link value = 0;
  if (target == field) {
    value = -1;
  } else if (target != nullptr) {
    std::intptr_t distance = reinterpret_cast<std::intptr_t>(target) - reinterpret_cast<std::intptr_t>(field);
    DV_ASSERT(distance != -1 && distance >= std::numeric_limits<Link>::min() &&
              distance <= std::numeric_limits<Link>::max());
    value = static_cast<Link>(distance);
  }
  std::memcpy(field, &value, sizeof value);
}

}  // namespace dv_qem
