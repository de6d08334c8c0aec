// _Rhash_cursor: the position of a walk over an extendible hash (_Rhash):
// the directory entry of the current table, the current slot, how many
// duplicates of a bag slot were delivered, and the cursor over the current
// slot's overflow list. A dv_cursor over a hash set or bag owns one as its
// dictionary cursor.
#pragma once

#include <cstddef>

#include "dv_cursor.h"
#include "dv_soft_pointer.h"
#include "dv_typespec.h"
#include "dv_types.h"

namespace dv_qem {

class _Rhash;
class dv_typespec;

class _Rhash_cursor : public dv_dictionary_cursor {
 public:
  static constexpr dv4u null_index = 0xFFFFFFFFu;
  static constexpr int unrestricted = 200;
  enum : dv4u { restricted_bit = 0x1, two_sided_bit = 0x2 };             // flag word
  enum : dv4u { positioned_bit = 0x1, oflo_active_bit = 0x2 };           // state word

  // Unrestricted over h; with p == position_at_first put on h's first entry.
  _Rhash_cursor(const _Rhash& h, _set_position p);
  // Restricted to kind and key (kinds: 0 equal, 100 not equal, 200 all).
  _Rhash_cursor(int kind, const void* key, const _Rhash& h, _set_position p);
  // Two-sided restrictions: err_am "<maint-0023-4400>invalid restriction on
  // unordered index".
  _Rhash_cursor(int kind1, const void* key1, int kind2, const void* key2, const _Rhash& h, _set_position p);
  explicit _Rhash_cursor(dv_probe_t) {}
  _Rhash_cursor(const _Rhash_cursor& other);
  _Rhash_cursor& operator=(const _Rhash_cursor& other);
  // Deletes the overflow cursor when there is one.
  ~_Rhash_cursor() override;

  void restrict(int kind1, const void* key1, int kind2, const void* key2) override;
  void restrict(int kind, const void* key) override;
  void unrestrict() override;
  // Save and put back the position (table, slot, duplicate counter, state
  // and the overflow cursor's own position).
  void remember(_dv_cursor_holder& holder) override;
  void restore(const _dv_cursor_holder& holder) override;

  // ---- position -------------------------------------------------------------------
  dv4u get_table() const { return table_; }
  void set_table(dv4u t) { table_ = t; }
  dv4u get_slot() const { return slot_; }
  void set_slot(dv4u s) { slot_ = s; }
  // Table or slot unset.
  int is_null() const { return table_ == null_index || slot_ == null_index; }
  void set_null() { table_ = slot_ = null_index; }
  // Duplicates of the current bag slot delivered so far.
  dv4u oflo_counter() const { return low_kind_or_counter_; }
  void set_oflo_counter(dv4u n) { low_kind_or_counter_ = n; }

  // ---- restriction ----------------------------------------------------------------
  int is_restricted() const { return (flags_ & restricted_bit) != 0; }
  int two_sided() const { return (flags_ & two_sided_bit) != 0; }
  void set_two_sided(int on) { flags_ = on ? (flags_ | two_sided_bit) : (flags_ & ~two_sided_bit); }
  int restriction() const { return restriction_; }
  const void* restriction_key() const { return restriction_key_.resolve(); }

  // ---- state and the overflow cursor -------------------------------------------------
  dv4u state() const { return state_; }
  void set_state(dv4u s) { state_ = s; }
  dv_cursor* get_oflo_current() const { return static_cast<dv_cursor*>(oflo_cursor_.resolve()); }
  void set_oflo_current(dv_cursor* c) { oflo_cursor_ = c; }
  // Binds the overflow cursor to the nested collection of an overflow list
  // (rebinding the existing one, or making a transient one) and marks it
  // active.
  void activate_oflo_cursor(const dv_collection& nested);

  static dv_typespec* get_dv_typespec();

 private:
  friend struct _Rhash_cursor_layout;

  void reset_fields();

  dv4u flags_ = 0;                             // restricted_bit, two_sided_bit
  dv4s restriction_ = unrestricted;            // kind given to restrict(kind, key)
  dv_soft_pointer32<void> restriction_key_;    // key given to restrict(kind, key)
  dv4u low_kind_or_counter_ = 0;               // first range kind; during a walk the duplicate counter
  dv4s high_kind_ = 0;                         // second range kind
  dv_soft_pointer32<void> low_key_;            // first range key
  dv_soft_pointer32<void> high_key_;           // second range key
  dv4u table_ = null_index;                    // directory entry of the current table
  dv4u slot_ = null_index;                     // current slot
  dv_soft_pointer32<void> oflo_cursor_;        // dv_cursor over the current slot's overflow list
  dv4u state_ = 0;                             // positioned_bit, oflo_active_bit
  dv4u spare_ = 0;                             // copied with the cursor, else unused
};

static_assert(sizeof(_Rhash_cursor) == 52);

}  // namespace dv_qem
