// The stored range of the page being relocated: a pointer moves by the
// relocation's delta only when it led into the image at the page's recorded
// base; any other value (a small integer kept in a pointer field, a transient
// address, a pointer into another database) is carried unchanged. Outside a
// page relocation (no window set) every nonzero pointer moves, as before.
#pragma once

#include <cstdint>

#include "dv_types.h"

namespace dv_qem {

class _DB_relocation_window {
 public:
  // Sets the window [base, base + size) for this thread until destruction.
  _DB_relocation_window(std::uintptr_t base, dv4u size) : saved_(current()) {
    current() = {true, base, size};
  }
  ~_DB_relocation_window() { current() = saved_; }
  _DB_relocation_window(const _DB_relocation_window&) = delete;
  _DB_relocation_window& operator=(const _DB_relocation_window&) = delete;

  // Whether a stored nonzero pointer value moves with its page.
  static bool moves(const void* value) {
    const range& r = current();
    if (!r.set) return true;
    const std::uintptr_t v = reinterpret_cast<std::uintptr_t>(value);
    return v >= r.base && v - r.base < r.size;
  }

 private:
  struct range {
    bool set;
    std::uintptr_t base;
    dv4u size;
  };
  static range& current() {
    static thread_local range r{false, 0, 0};
    return r;
  }
  range saved_;
};

}  // namespace dv_qem
