// Back pointer records of the index machinery (12 stored bytes each: the
// index component the record belongs to, a soft pointer to the next record,
// a position). No index is ever attached, so they only hold and clear their
// fields.
#pragma once

#include "dv_soft_pointer.h"
#include "dv_typespec.h"

namespace dv_qem {

class _Index_component;

class dv_backptr {
 public:
  // The position that empty() never reports as empty.
  static constexpr int kept_position = -5;

  dv_backptr() = default;
  // A copy is a new, empty record: a record belongs to one object only.
  dv_backptr(const dv_backptr&) {}
  // Clears this record; nothing is copied.
  void operator=(const dv_backptr&) { clear(); }
  ~dv_backptr() = default;

  void clear();
  // Nonzero when no component is set and the position is not kept_position.
  int empty() const { return component_ == nullptr && position_ != kept_position; }
  // Linking is not kept without indexes: both do nothing.
  void make_link(void*, void*, int) const {}
  void break_link(void*, void*, int) const {}
  void dump() const {}

  // "dv_qem::dv_backptr", 12 bytes, a pointer at offset 4.
  static dv_typespec* get_dv_typespec();

 private:
  friend struct _Backptr_layout;

  const void* component_ = nullptr;
  dv_soft_pointer_base<32> next_;
  int position_ = 0;
};

class _Backptr {
 public:
  _Backptr() = default;
  _Backptr(int position, const _Index_component* component, _Backptr* next)
      : component_(component), next_(next), position_(position) {}
  _Backptr(const _Backptr&) = default;
  _Backptr& operator=(const _Backptr&) = default;
  ~_Backptr() = default;

  void clear();
  int position() const { return position_; }
  const _Index_component* component() const { return component_; }
  _Backptr* next() const { return static_cast<_Backptr*>(next_.resolve()); }

 private:
  friend struct _Backptr_layout;

  const _Index_component* component_ = nullptr;
  dv_soft_pointer_base<32> next_;
  int position_ = 0;
};

}  // namespace dv_qem
