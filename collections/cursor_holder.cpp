// _dv_cursor_holder: a saved cursor position, with an owned holder for a
// cursor nested in the saved one.
#include "dv_cursor.h"

namespace dv_qem {

_dv_cursor_holder::_dv_cursor_holder(const _dv_cursor_holder& other) { *this = other; }

_dv_cursor_holder& _dv_cursor_holder::operator=(const _dv_cursor_holder& other) {
  if (this == &other) return *this;
  state_a_ = other.state_a_;
  state_b_ = other.state_b_;
  state_c_ = other.state_c_;
  count_ = other.count_;
  index_ = other.index_;
  state_word_ = other.state_word_;
  flags_ = other.flags_;
  btree_null_ = other.btree_null_;
  btree_node_ = other.btree_node_;
  btree_index_ = other.btree_index_;
  for (int i = 0; i < 4; ++i) rhash_words_[i] = other.rhash_words_[i];
  if (other.nested_ != nullptr)
    nested() = *other.nested_;  // a nested holder of this holder's own
  nested_in_use_ = other.nested_in_use_;
  nested_owner_ = other.nested_owner_;
  nested_element_ = other.nested_element_;
  return *this;
}

_dv_cursor_holder::~_dv_cursor_holder() { delete nested_; }

void _dv_cursor_holder::remember_base(const dv_cursor& c) {
  state_a_ = c.state_a_;
  state_b_ = c.state_b_;
  state_c_ = c.state_c_;
  count_ = c.count_;
  index_ = c.index_;
  state_word_ = c.state_word_;
  flags_ = c.flags_;
}

void _dv_cursor_holder::restore_base(dv_cursor& c) const {
  c.state_a_ = state_a_;
  c.state_b_ = state_b_;
  c.state_c_ = state_c_;
  c.count_ = count_;
  c.index_ = index_;
  c.state_word_ = state_word_;
  c.flags_ = flags_;
}

_dv_cursor_holder& _dv_cursor_holder::nested() {
  if (nested_ == nullptr) nested_ = new _dv_cursor_holder;
  nested_in_use_ = 1;
  return *nested_;
}

void _dv_cursor_holder::remember_nested(const dv_cursor* nested_cursor) {
  nested_owner_ = nullptr;
  nested_element_ = nullptr;
  if (nested_cursor == nullptr) {
    nested_in_use_ = 0;
    return;
  }
  nested().remember_base(*nested_cursor);
  nested_owner_ = nested_cursor->owner();
  if (nested_cursor->more() && nested_cursor->valid()) nested_element_ = nested_cursor->retrieve();
}

}  // namespace dv_qem
