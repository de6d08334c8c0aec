// The hash cursor: construction over a hash (optionally restricted and put
// on the first entry), restriction, its overflow cursor, saving and
// restoring its position, and copies that own their overflow cursor.
#include <cstddef>
#include <new>

#include "coll_messages.h"
#include "coll_raise.h"
#include "dv_rhash.h"
#include "dv_typespec.h"

// Pointer fields: restriction key, the two range keys, the overflow cursor.
DV_DEFINE_TYPESPEC(dv_qem::_Rhash_cursor, "dv_qem::_Rhash_cursor", DV_POINTERS(12, 24, 28, 40), DV_VTABLES(0));

namespace dv_qem {

struct _Rhash_cursor_layout {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
  static_assert(offsetof(_Rhash_cursor, flags_) == 4);
  static_assert(offsetof(_Rhash_cursor, restriction_) == 8);
  static_assert(offsetof(_Rhash_cursor, restriction_key_) == 12);
  static_assert(offsetof(_Rhash_cursor, low_kind_or_counter_) == 16);
  static_assert(offsetof(_Rhash_cursor, high_kind_) == 20);
  static_assert(offsetof(_Rhash_cursor, low_key_) == 24);
  static_assert(offsetof(_Rhash_cursor, high_key_) == 28);
  static_assert(offsetof(_Rhash_cursor, table_) == 32);
  static_assert(offsetof(_Rhash_cursor, slot_) == 36);
  static_assert(offsetof(_Rhash_cursor, oflo_cursor_) == 40);
  static_assert(offsetof(_Rhash_cursor, state_) == 44);
  static_assert(offsetof(_Rhash_cursor, spare_) == 48);
#pragma GCC diagnostic pop
};

dv_typespec* _Rhash_cursor::get_dv_typespec() { return &dv_ts<_Rhash_cursor>::the_instance; }

void _Rhash_cursor::reset_fields() {
  flags_ = 0;
  restriction_ = unrestricted;
  restriction_key_ = nullptr;
  low_kind_or_counter_ = 0;
  high_kind_ = 0;
  low_key_ = nullptr;
  high_key_ = nullptr;
  table_ = slot_ = null_index;
  oflo_cursor_ = nullptr;
  state_ = 0;
  spare_ = 0;
}

_Rhash_cursor::_Rhash_cursor(const _Rhash& h, _set_position p) {
  reset_fields();
  if (p == position_at_first) {
    void* first = nullptr;
    h.__first(*this, first);
  }
}

_Rhash_cursor::_Rhash_cursor(int kind, const void* key, const _Rhash& h, _set_position p) {
  reset_fields();
  restrict(kind, key);
  if (p == position_at_first) {
    void* first = nullptr;
    h.__first(*this, first);
  }
}

_Rhash_cursor::_Rhash_cursor(int, const void*, int, const void*, const _Rhash&, _set_position) {
  reset_fields();
  dv_coll_raise<coll_msg::unordered_index_restriction>();
}

_Rhash_cursor::_Rhash_cursor(const _Rhash_cursor& other) : dv_dictionary_cursor(other) {
  reset_fields();
  *this = other;
}

_Rhash_cursor& _Rhash_cursor::operator=(const _Rhash_cursor& other) {
  if (this == &other) return *this;
  dv_cursor* own = get_oflo_current();
  flags_ = other.flags_;
  restriction_ = other.restriction_;
  restriction_key_ = other.restriction_key_;
  low_kind_or_counter_ = other.low_kind_or_counter_;
  high_kind_ = other.high_kind_;
  low_key_ = other.low_key_;
  high_key_ = other.high_key_;
  table_ = other.table_;
  slot_ = other.slot_;
  state_ = other.state_;
  spare_ = other.spare_;
  // Each cursor owns its overflow cursor: the copy gets one of its own at
  // the same position.
  delete own;
  dv_cursor* theirs = other.get_oflo_current();
  oflo_cursor_ = theirs != nullptr ? new dv_cursor(*theirs) : nullptr;
  return *this;
}

_Rhash_cursor::~_Rhash_cursor() {
  delete get_oflo_current();
  oflo_cursor_ = nullptr;
}

void _Rhash_cursor::restrict(int kind1, const void* key1, int kind2, const void* key2) {
  flags_ |= restricted_bit;
  low_kind_or_counter_ = static_cast<dv4u>(kind1);
  low_key_ = const_cast<void*>(key1);
  high_kind_ = kind2;
  high_key_ = const_cast<void*>(key2);
}

void _Rhash_cursor::restrict(int kind, const void* key) {
  flags_ |= restricted_bit;
  restriction_ = kind;
  restriction_key_ = const_cast<void*>(key);
}

void _Rhash_cursor::unrestrict() { flags_ &= ~(restricted_bit | two_sided_bit); }

void _Rhash_cursor::activate_oflo_cursor(const dv_collection& nested) {
  dv_cursor* c = get_oflo_current();
  if (c == nullptr)
    oflo_cursor_ = new dv_cursor(nested, 0);
  else if (c->owner() != &nested)
    c->rebind(nested);
  state_ |= oflo_active_bit;
}

void _Rhash_cursor::remember(_dv_cursor_holder& holder) { holder.remember_Rhash(*this); }

void _Rhash_cursor::restore(const _dv_cursor_holder& holder) { holder.restore_Rhash(*this); }

void _dv_cursor_holder::remember_Rhash(const _Rhash_cursor& c) {
  rhash_words_[0] = c.get_table();
  rhash_words_[1] = c.get_slot();
  rhash_words_[2] = c.oflo_counter();
  rhash_words_[3] = c.state();
  remember_nested(c.get_oflo_current());
}

void _dv_cursor_holder::restore_Rhash(_Rhash_cursor& c) const {
  c.set_table(rhash_words_[0]);
  c.set_slot(rhash_words_[1]);
  c.set_oflo_counter(rhash_words_[2]);
  c.set_state(rhash_words_[3]);
  if (nested_if_any() == nullptr || nested_owner_ == nullptr) return;
  // The cursor's own overflow cursor walks to the remembered element: the
  // saved fields of another cursor may name what only that cursor owns (the
  // dictionary cursor of a nested set), so they are not copied in.
  const dv4u state = c.state();
  c.activate_oflo_cursor(*nested_owner_);
  c.set_state(state);
  dv_cursor& oflo = *c.get_oflo_current();
  void* e = nullptr;
  for (int more = oflo.first(e); more && e != nested_element_; more = oflo.next(e)) {
  }
}

}  // namespace dv_qem
