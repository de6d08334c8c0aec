// Soft pointers: the references that persistent collection structures keep
// between objects. Each is one 32-bit word holding the plain address of its
// target (0 is null); resolving returns the word. Comparisons answer 1 or 0
// and order addresses as unsigned words, across both widths.
#pragma once

#include <cstdint>

#include "dv_types.h"

namespace dv_qem {

class dv_typespec;

template <int Bits>
class dv_soft_pointer_base;
template <class T>
class dv_soft_pointer32;
template <class T>
class dv_soft_pointer64;

namespace soft_pointer_detail {
inline dv4u word_of(const void* p) { return static_cast<dv4u>(reinterpret_cast<std::uintptr_t>(p)); }
}  // namespace soft_pointer_detail

// The common word of both widths.
template <int Bits>
class dv_soft_pointer_base {
  static_assert(Bits == 32 || Bits == 64, "soft pointers come in 32 and 64 bits");

 public:
  dv_soft_pointer_base() = default;
  dv_soft_pointer_base(void* target) : word_(soft_pointer_detail::word_of(target)) {}
  dv_soft_pointer_base(const dv_soft_pointer_base&) = default;
  ~dv_soft_pointer_base() = default;

  dv_soft_pointer_base& operator=(void* target) { word_ = soft_pointer_detail::word_of(target); return *this; }
  dv_soft_pointer_base& operator=(const dv_soft_pointer_base<32>& other) { word_ = other.word(); return *this; }
  dv_soft_pointer_base& operator=(const dv_soft_pointer_base<64>& other) { word_ = other.word(); return *this; }

  // The stored address.
  void* resolve() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(word_)); }
  int operator!() const { return word_ == 0; }

  int operator==(const dv_soft_pointer_base<32>& o) const { return word_ == o.word(); }
  int operator==(const dv_soft_pointer_base<64>& o) const { return word_ == o.word(); }
  int operator==(const void* p) const { return word_ == soft_pointer_detail::word_of(p); }
  int operator!=(const dv_soft_pointer_base<32>& o) const { return word_ != o.word(); }
  int operator!=(const dv_soft_pointer_base<64>& o) const { return word_ != o.word(); }
  int operator!=(const void* p) const { return word_ != soft_pointer_detail::word_of(p); }
  int operator<(const dv_soft_pointer_base<32>& o) const { return word_ < o.word(); }
  int operator<(const dv_soft_pointer_base<64>& o) const { return word_ < o.word(); }
  int operator<(const void* p) const { return word_ < soft_pointer_detail::word_of(p); }
  int operator>(const dv_soft_pointer_base<32>& o) const { return word_ > o.word(); }
  int operator>(const dv_soft_pointer_base<64>& o) const { return word_ > o.word(); }
  int operator>(const void* p) const { return word_ > soft_pointer_detail::word_of(p); }
  int operator<=(const dv_soft_pointer_base<32>& o) const { return !(*this > o); }
  int operator<=(const dv_soft_pointer_base<64>& o) const { return !(*this > o); }
  int operator<=(const void* p) const { return !(*this > p); }
  int operator>=(const dv_soft_pointer_base<32>& o) const { return !(*this < o); }
  int operator>=(const dv_soft_pointer_base<64>& o) const { return !(*this < o); }
  int operator>=(const void* p) const { return !(*this < p); }

  // The raw word (the address as an unsigned 32-bit value).
  dv4u word() const { return word_; }

 private:
  dv4u word_ = 0;  // the target's address; 0 is null
};

// The comparisons of a typed soft pointer, forwarded to its base (declared
// here so that neither operand goes through the conversion to void*).
#define DV_SOFT_POINTER_FORWARD_COMPARISONS(BASE)                                    \
  DV_SOFT_POINTER_FORWARD_ONE(==, BASE)                                              \
  DV_SOFT_POINTER_FORWARD_ONE(!=, BASE)                                              \
  DV_SOFT_POINTER_FORWARD_ONE(<, BASE)                                               \
  DV_SOFT_POINTER_FORWARD_ONE(>, BASE)                                               \
  DV_SOFT_POINTER_FORWARD_ONE(<=, BASE)                                              \
  DV_SOFT_POINTER_FORWARD_ONE(>=, BASE)
#define DV_SOFT_POINTER_FORWARD_ONE(OP, BASE)                                                           \
  int operator OP(const dv_soft_pointer_base<32>& o) const { return BASE::operator OP(o); }             \
  int operator OP(const dv_soft_pointer_base<64>& o) const { return BASE::operator OP(o); }             \
  int operator OP(const void* p) const { return BASE::operator OP(p); }                                 \
  int operator OP(void* p) const { return BASE::operator OP(static_cast<const void*>(p)); }        \
  template <class S, class = decltype(static_cast<const S*>(nullptr)->word())>                          \
  int operator OP(const S& o) const { return word() OP o.word(); }


// Typed forms over the bases; the void forms are the ones collections use.
template <>
class dv_soft_pointer32<void> : public dv_soft_pointer_base<32> {
 public:
  dv_soft_pointer32() = default;
  dv_soft_pointer32(void* target) : dv_soft_pointer_base<32>(target) {}
  dv_soft_pointer32(const dv_soft_pointer32&) = default;
  dv_soft_pointer32& operator=(const dv_soft_pointer32&) = default;
  dv_soft_pointer32& operator=(void* target) { dv_soft_pointer_base<32>::operator=(target); return *this; }
  dv_soft_pointer32& operator=(const dv_soft_pointer_base<32>& o) { dv_soft_pointer_base<32>::operator=(o); return *this; }
  dv_soft_pointer32& operator=(const dv_soft_pointer_base<64>& o) { dv_soft_pointer_base<32>::operator=(o); return *this; }
  operator void*() const { return resolve(); }
  DV_SOFT_POINTER_FORWARD_COMPARISONS(dv_soft_pointer_base<32>)
};

template <>
class dv_soft_pointer64<void> : public dv_soft_pointer_base<64> {
 public:
  dv_soft_pointer64() = default;
  dv_soft_pointer64(void* target) : dv_soft_pointer_base<64>(target) {}
  dv_soft_pointer64(const dv_soft_pointer64&) = default;
  dv_soft_pointer64& operator=(const dv_soft_pointer64&) = default;
  dv_soft_pointer64& operator=(void* target) { dv_soft_pointer_base<64>::operator=(target); return *this; }
  dv_soft_pointer64& operator=(const dv_soft_pointer_base<32>& o) { dv_soft_pointer_base<64>::operator=(o); return *this; }
  dv_soft_pointer64& operator=(const dv_soft_pointer_base<64>& o) { dv_soft_pointer_base<64>::operator=(o); return *this; }
  operator void*() const { return resolve(); }
  DV_SOFT_POINTER_FORWARD_COMPARISONS(dv_soft_pointer_base<64>)
};

// Stand-alone soft pointers used inside collections; compared with their own
// class only.
template <int Bits>
class _Coll_soft_pointer_void {
 public:
  _Coll_soft_pointer_void() = default;
  _Coll_soft_pointer_void(void* target) : word_(soft_pointer_detail::word_of(target)) {}
  _Coll_soft_pointer_void(const _Coll_soft_pointer_void&) = default;
  _Coll_soft_pointer_void& operator=(const _Coll_soft_pointer_void&) = default;
  _Coll_soft_pointer_void& operator=(void* target) { word_ = soft_pointer_detail::word_of(target); return *this; }

  void* resolve() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(word_)); }
  operator void*() const { return resolve(); }
  int operator!() const { return word_ == 0; }
  int operator==(const _Coll_soft_pointer_void& o) const { return word_ == o.word_; }
  int operator!=(const _Coll_soft_pointer_void& o) const { return word_ != o.word_; }
  int operator<(const _Coll_soft_pointer_void& o) const { return word_ < o.word_; }
  int operator>(const _Coll_soft_pointer_void& o) const { return word_ > o.word_; }
  int operator<=(const _Coll_soft_pointer_void& o) const { return !(*this > o); }
  int operator>=(const _Coll_soft_pointer_void& o) const { return !(*this < o); }

 private:
  dv4u word_ = 0;  // the target's address; 0 is null
};
using dv_coll_soft_pointer32_void = _Coll_soft_pointer_void<32>;
using dv_coll_soft_pointer64_void = _Coll_soft_pointer_void<64>;

// The element slot of the list and array representations: a soft pointer to
// the element; null is an empty slot.
class dv_coll_ptr {
 public:
  dv_coll_ptr() = default;
  dv_coll_ptr(void* element) : ptr_(element) {}
  dv_coll_ptr(const dv_coll_ptr&) = default;
  dv_coll_ptr& operator=(const dv_coll_ptr&) = default;
  dv_coll_ptr& operator=(void* element) { ptr_ = element; return *this; }

  void* resolve() const { return ptr_.resolve(); }
  operator void*() const { return ptr_.resolve(); }
  int operator!() const { return !ptr_; }
  int operator==(const dv_coll_ptr& o) const { return ptr_.word() == o.ptr_.word(); }
  int operator==(const void* p) const { return ptr_.word() == soft_pointer_detail::word_of(p); }
  int operator!=(const dv_coll_ptr& o) const { return ptr_.word() != o.ptr_.word(); }
  int operator!=(const void* p) const { return ptr_.word() != soft_pointer_detail::word_of(p); }
  int operator==(void* p) const { return ptr_.word() == soft_pointer_detail::word_of(p); }
  int operator!=(void* p) const { return ptr_.word() != soft_pointer_detail::word_of(p); }
  int operator<(const dv_coll_ptr& o) const { return ptr_.word() < o.ptr_.word(); }
  int operator>(const dv_coll_ptr& o) const { return ptr_.word() > o.ptr_.word(); }
  int operator<=(const dv_coll_ptr& o) const { return ptr_.word() <= o.ptr_.word(); }
  int operator>=(const dv_coll_ptr& o) const { return ptr_.word() >= o.ptr_.word(); }

  static dv_typespec* get_dv_typespec();

 private:
  dv_soft_pointer32<void> ptr_;
};

static_assert(sizeof(dv_soft_pointer_base<32>) == 4 && sizeof(dv_soft_pointer_base<64>) == 4);
static_assert(sizeof(dv_soft_pointer32<void>) == 4 && sizeof(dv_soft_pointer64<void>) == 4);
static_assert(sizeof(dv_coll_soft_pointer32_void) == 4 && sizeof(dv_coll_soft_pointer64_void) == 4);
static_assert(sizeof(dv_coll_ptr) == 4);

}  // namespace dv_qem
