// Counts the storage and stream objects alive, for leak checks.
#pragma once

#include "dv_olestorage.h"

namespace dv_qem {

// A member of every storage and stream object: counts one while it lives.
class live_object {
 public:
  live_object();
  ~live_object();
  live_object(const live_object&) = delete;
  live_object& operator=(const live_object&) = delete;
};

}  // namespace dv_qem
