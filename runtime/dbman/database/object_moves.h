// The object moves recorded on a database (old address to new address),
// read by its typespecs when pointers are fixed.
#pragma once

#include <cstddef>
#include <unordered_map>

#include "dv_typespec.h"

namespace dv_qem {

class _Object_moves final : public dv_address_map {
 public:
  explicit _Object_moves(size_t size_hint) : moves_(size_hint) {}
  // Records (or replaces) the new location of old_location.
  void record(const void* old_location, void* new_location) { moves_[old_location] = new_location; }
  void* lookup(const void* old_location) const override {
    auto found = moves_.find(old_location);
    return found != moves_.end() ? found->second : nullptr;
  }
  size_t size() const { return moves_.size(); }

 private:
  std::unordered_map<const void*, void*> moves_;
};

}  // namespace dv_qem
