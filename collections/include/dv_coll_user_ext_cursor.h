// dv_coll_user_ext_cursor: the cursor of a representation an application
// derives from dv_coll_user_ext. It is a dv_cursor with no fields of its
// own that hands the representation the cursor's spare words to keep its
// position in.
#pragma once

#include "dv_cursor.h"

namespace dv_qem {

class dv_coll_user_ext_cursor : public dv_cursor {
 public:
  dv_coll_user_ext_cursor(const dv_collection& c, int options = 0) : dv_cursor(c, options) {}
  dv_coll_user_ext_cursor(const dv_coll_user_ext_cursor& other) = default;
  dv_coll_user_ext_cursor& operator=(const dv_coll_user_ext_cursor& other) = default;

  // The cursor's second and third words (the count and index fields).
  unsigned& get_uint0() { return count_; }
  unsigned& get_uint1() { return index_; }
  // Its fifth and sixth words (states A and B).
  dv_coll_ptr& get_void0() { return state_a_; }
  dv_coll_ptr& get_void1() { return state_b_; }
  // Marks the cursor as walking a dynamic extent: unbinding it frees the
  // objects held in states A and B (both allocated with the runtime's
  // operator new), unless state A is the cursor itself.
  void flag_dynamic_extent_cursor() { set_dynamic_extent_cursor(1); }
};

static_assert(sizeof(dv_coll_user_ext_cursor) == sizeof(dv_cursor));

}  // namespace dv_qem
