// _Rhash_pt_sub: an extendible hash whose slot operations do not depend on a
// key type. It reads slots of the 8-byte shape (element pointer, key word)
// and answers the slot protocol with generic or empty operations: it finds
// no key and stores nothing. The library constructs one only as a temporary
// when it makes the collection classes' virtual tables known to the
// runtime, so that stored objects of this class can be relocated.
#pragma once

#include "dv_rhash.h"

namespace dv_qem {

class _Rhash_pt_sub : public _Rhash {
 public:
  // No directory, no key-type name.
  _Rhash_pt_sub() = default;
  explicit _Rhash_pt_sub(dv_probe_t) : _Rhash(dv_probe) {}
  _Rhash_pt_sub(const _Rhash_pt_sub&) = delete;
  _Rhash_pt_sub& operator=(const _Rhash_pt_sub&) = delete;
  // The hash's destructor frees the key-type name copy.
  ~_Rhash_pt_sub() override = default;

  static dv_typespec* get_dv_typespec();

  // ---- collection slots that do nothing and answer 0 -----------------------------------
  void _insert_first(const void*) override {}
  void _insert_last(const void*) override {}
  int _remove_first(const void*&) override { return 0; }
  int _remove_last(const void*&) override { return 0; }
  int _retrieve_first(const void*&) const override { return 0; }
  int _retrieve_last(const void*&) const override { return 0; }
  void _insert_after(const void*, unsigned) override {}
  void _insert_after(const void*, const dv_cursor&) override {}
  void _insert_before(const void*, unsigned) override {}
  void _insert_before(const void*, const dv_cursor&) override {}
  void _remove_at(unsigned) override {}
  void _remove_at(const dv_cursor&) override {}
  void* _replace_at(const void*, unsigned) override { return nullptr; }
  void* _replace_at(const void*, const dv_cursor&) override { return nullptr; }
  void _check_rep_invariants() const override {}

  // ---- the slot protocol ------------------------------------------------------------------
  char* allocate_slots(unsigned, dv_cluster*, void*) override { return nullptr; }                      // 107
  void delete_slots(void*) override {}                                                                  // 108
  int slot_contains(void*, unsigned, const void*) const override { return 0; }                         // 109
  int slot_insert(void*, unsigned, unsigned, const void*, const void*, unsigned) override { return 0; } // 110
  void slot_remove(void*, unsigned, unsigned, const void*, int&) override {}                           // 111
  void slot_assign(void*, const void*) override {}                                                      // 112
  // The element; with overflow, the element under the overflow cursor.
  void* slot_value(const void* slot, const _Rhash_cursor* c, unsigned overflow) const override;        // 118
  int slot_key_eq(const void*, unsigned, const void*, _Rank_fcn) const override { return 0; }           // 119
  void* slot_pick(const void*, unsigned) const override { return nullptr; }                            // 120
  // Without overflow: the element of an occupied slot. With overflow: the
  // overflow cursor (made, or rebound to the slot's collection) moved.
  int slot_first(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const override;     // 121
  int slot_last(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const override;      // 122
  int slot_next(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const override;      // 123
  int slot_previous(const void* slot, _Rhash_cursor* c, void*& element, unsigned overflow) const override;  // 124
  int slot_null(const void* slot, const _Rhash_cursor* c, unsigned overflow) const override;       // 125
  int stores_overflow() const override { return 1; }                                               // 126
  int slot_count(void*, unsigned) const override { return 0; }                                     // 127
  // 0 empty, 1 removed, 2 for every occupied slot: no key ever matches.
  _RH_slot_status slot_status(void* slot, const void* key, _RH_search_type type, _Rank_fcn rank,
                              unsigned hash) const override;                                       // 128
  // The key pointer for "dv_pvoid", "char*" and "dv_char_star_nocopy"
  // tables; the address of the inline key word for every other name.
  void* slot_key(const void* slot, unsigned hash) const override;                                  // 129
  unsigned slot_hash(const void*, unsigned) const override { return 0; }                           // 130
  int slot_occupied(const void* slot) const override;                                              // 131
  void slot_reclaim_oflo(void*, unsigned) override {}                                              // 132
  const char* _rep_type() const override { return "_Rhash_pt_sub"; }                               // 133

 private:
  // The slot's two words.
  struct slot_words {
    dv_soft_pointer32<void> element;
    dv4u key;
  };
  static const slot_words& words(const void* slot) { return *static_cast<const slot_words*>(slot); }
  // Moves the overflow cursor over the slot's collection by step.
  template <class Step>
  int step_overflow(const void* slot, _Rhash_cursor* c, void*& element, bool make, Step step) const;
};

static_assert(sizeof(_Rhash_pt_sub) == 36);

}  // namespace dv_qem
