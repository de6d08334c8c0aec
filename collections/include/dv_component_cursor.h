// _Component_cursor: one link of a chain of cursors. It walks a dictionary
// cursor opened on a representation and, when a mapping target is set, stops
// on the entry whose element is that target and whose key equals the saved
// key (a matched element). The library itself never builds one.
#pragma once

#include "dv_dictionary.h"
#include "dv_soft_pointer.h"
#include "dv_types.h"

namespace dv_qem {

class _Component_cursor {
 public:
  enum : dv4u {
    matched_bit = 0x1,       // positioned on a matched element
    unrestricted_bit = 0x2,  // built without a restriction (or with 200)
  };

  // A walk of every entry of rep (none when rep is null).
  _Component_cursor(const dv_collection* coll, const dv_dictionary* rep);
  // A walk of the entries satisfying restriction against key.
  _Component_cursor(const dv_collection* coll, const dv_dictionary* rep, int restriction, const void* key);
  // A walk between two bounds.
  _Component_cursor(const dv_collection* coll, const dv_dictionary* rep, int low_restriction, const void* low,
                    int high_restriction, const void* high);
  _Component_cursor(const _Component_cursor&) = delete;
  _Component_cursor& operator=(const _Component_cursor&) = delete;
  // Ends the walk on the representation.
  ~_Component_cursor();

  // Forgets the matched element, saves key for the mapping step and puts the
  // dictionary cursor back on its first entry; 1 when it stands on one.
  int reset(const void* key);
  // The same for a restricted component; dv_err_cursor "<maint-0024-0780>..."
  // for an unrestricted one.
  int reset_restricted(const void* key);
  // Steps of the dictionary cursor from its entry (a pending matched
  // element, which is that entry, is dropped first); 1 and the element when
  // one follows.
  int next(void*& out);
  int previous(void*& out);
  int first(void*& out);
  int last(void*& out);
  // 1 while no matched element is pending and the dictionary cursor stands
  // on an entry.
  int more() const;
  int null() const { return !more(); }
  // Sets the element whose entry the mapping step looks for.
  void set_mapping_target(const void* target) { target_ = const_cast<void*>(target); }
  // When the entry under the dictionary cursor holds the mapping target
  // under the saved key: saves element and key, sets the matched bit and
  // answers 1.
  int map_step();

  dv4u flags() const { return flags_; }
  void* saved_element() const { return element_.resolve(); }
  const void* saved_key() const { return key_.resolve(); }
  dv_dictionary_cursor* dictionary_cursor() const { return static_cast<dv_dictionary_cursor*>(dc_.resolve()); }

 private:
  const dv_dictionary* rep() const { return static_cast<const dv_dictionary*>(rep_.resolve()); }
  void clear_match() {
    flags_ &= ~dv4u{matched_bit};
    element_ = nullptr;
  }

  dv_soft_pointer32<void> coll_;     // the collection walked
  dv_soft_pointer32<void> rep_;      // its dictionary representation
  dv_soft_pointer32<void> coll2_;    // the collection of the next link (unused by the walk)
  dv_soft_pointer32<void> target_;   // the mapping target
  dv_soft_pointer32<void> dc_;       // the dictionary cursor on rep
  dv_soft_pointer32<void> key_;      // the saved key
  dv_soft_pointer32<void> element_;  // the saved (matched) element
  dv4u flags_ = 0;
};

static_assert(sizeof(_Component_cursor) == 32);

}  // namespace dv_qem
