// dv_coll_range: the bounds of a range cursor over an ordered dictionary.
// Range cursors are not supported: every constructor throws
// dv_err_not_supported; the class exists for the interface and its stored
// size.
#pragma once

#include "dv_types.h"

namespace dv_qem {

class dv_typespec;

// One key value of any key type.
union _DVCOLRNG_Type_Union {
  _DVCOLRNG_Type_Union() : v(nullptr) {}
  _DVCOLRNG_Type_Union(signed char x) : sc(x) {}
  _DVCOLRNG_Type_Union(unsigned char x) : uc(x) {}
  _DVCOLRNG_Type_Union(short x) : s(x) {}
  _DVCOLRNG_Type_Union(int x) : i(x) {}
  _DVCOLRNG_Type_Union(long* x) : lp(x) {}
  _DVCOLRNG_Type_Union(float x) : f(x) {}
  _DVCOLRNG_Type_Union(double* x) : dp(x) {}
  _DVCOLRNG_Type_Union(long double* x) : ldp(x) {}
  _DVCOLRNG_Type_Union(const void* x) : v(x) {}

  signed char sc;
  unsigned char uc;
  short s;
  int i;
  long* lp;
  float f;
  double* dp;
  long double* ldp;
  const void* v;
};
static_assert(sizeof(_DVCOLRNG_Type_Union) == 4);

class dv_coll_range {
 public:
  // Each throws dv_err_not_supported "dv_coll_range::dv_coll_range()".
  dv_coll_range(int restriction, int value);
  dv_coll_range(int restriction, float value);
  dv_coll_range(int restriction, double value);
  dv_coll_range(int restriction, const void* value);
  dv_coll_range(int low_restriction, const void* low, int high_restriction, const void* high);
  dv_coll_range(const dv_coll_range& other);
  dv_coll_range& operator=(const dv_coll_range& other) = default;

  int _get_low_condition() const { return low_condition_; }
  int _get_high_condition() const { return high_condition_; }
  int _get_query_type() const { return query_type_; }
  int _get_key_type() const { return key_type_; }
  const _DVCOLRNG_Type_Union& _get_low_key() const { return low_key_; }
  const _DVCOLRNG_Type_Union& _get_high_key() const { return high_key_; }

  // Throw dv_err_not_supported "dv_coll_range::fix_up_range".
  void fix_up_range(const char* key_type);
  void fix_up_range(int key_type);

  static dv_typespec* get_dv_typespec();

 private:
  friend struct _Coll_layout;

  int low_condition_ = 0;       // restriction code of the low bound
  int high_condition_ = 0;      // restriction code of the high bound
  int query_type_ = 0;          // kind of range
  int key_type_ = 0;            // key-type number
  _DVCOLRNG_Type_Union low_key_;
  _DVCOLRNG_Type_Union high_key_;
  dv4u reserved_[4] = {};       // belongs to the range machinery
};

}  // namespace dv_qem
