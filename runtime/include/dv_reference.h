// Small support classes of the runtime's public surface.
#pragma once

namespace dv_qem {

class dv_typespec;

// A reference to an object: one word, the referenced address.
class dv_reference {
 public:
  dv_reference() = default;
  dv_reference(const void* address) : address_(const_cast<void*>(address)) {}
  void* resolve() const { return address_; }
  operator void*() const { return address_; }
  // The built-in pointer typespec.
  static dv_typespec* get_dv_typespec();

 private:
  void* address_ = nullptr;
};

// Marks a stretch of code that uses addresses of persistent memory; it
// holds nothing.
class dv_address_space_marker {
 public:
  dv_address_space_marker() = default;
  void release(int) {}
};

// The exception-reporting handler of older callers: there is never one.
class tix_handler {
 public:
  static tix_handler* get_current() { return nullptr; }
  static void* get_exception() { return nullptr; }
  static const char* message() { return nullptr; }
  static const char* get_report0() { return nullptr; }
  static const char* get_report() { return nullptr; }
};

// Base of behaviour objects that other libraries extend.
class dv_virtual_behavior {
 public:
  virtual ~dv_virtual_behavior();
};

// Base of the undo records a database keeps between undo markers.
class basic_undo {
 public:
  virtual ~basic_undo();
};

}  // namespace dv_qem
