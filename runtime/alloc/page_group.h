// The transient handle of one page group of an open database: its stored
// descriptor (in the database header), its size classes, its free multi-page
// regions, its page list and the page it allocated from last.
//
// Size classes: every single page of the group is marked in exactly one of
// eight persistent bit vectors, class i being the first whose limit is at
// least the page's largest free payload (class 7 when none is). Multi-page
// regions are in no class. A page added to the group stays "pending" (in no
// class) until the class vectors are large enough for it; a change of a
// pending page's largest free payload moves no bit.
#pragma once

#include <vector>

#include "db_format.h"
#include "dv_bitvector.h"
#include "page_header.h"

namespace dv_qem {

class _DB_allocator;

constexpr dv4u SIZE_CLASS_LIMITS[N_SIZE_CLASSES] = {16, 32, 64, 128, 256, 1024, 2048,
                                                    DV_PAGE_SIZE - 32};
// Capacity of a new persistent bit vector (size classes, free regions).
constexpr dv4u INITIAL_VECTOR_BITS = 128;
// Bit 0 of the descriptor's flags: the size-class vectors are being resized.
constexpr dv4u RESIZING_SIZE_CLASSES = 1;
// The class scan over pages not in memory stops at classes below this limit.
constexpr dv4u SMALLEST_SCANNED_LIMIT = 124;

class _Page_group {
 public:
  _Page_group(_DB_allocator& allocator, dv4u number);
  _Page_group(const _Page_group&) = delete;
  _Page_group& operator=(const _Page_group&) = delete;

  dv4u number() const { return number_; }
  _Page_group_desc& desc() const;
  _Page_header* first_page() const;

  // Sets up the descriptor of a new database: the system group takes page
  // 0's heap as its first page and serves its own size-class vectors from it;
  // the user group's vectors go to the system group.
  void set_up_descriptor();

  // ---- size classes -------------------------------------------------------
  // Limits are stored once the class vectors exist; until then the system
  // group allocates from page 0 only.
  bool classes_ready() const { return desc().size_class_limit[N_SIZE_CLASSES - 1] != 0; }
  dv4u class_limit(unsigned c) const { return desc().size_class_limit[c]; }
  unsigned class_of(dv4u largest_free) const;
  _Bit_vector* class_vector(unsigned c) const;
  // The page numbered page_number changed its largest free payload from
  // before to after: its bit moves between the two classes (assertions: the
  // old bit set, the new one clear). Nothing for a pending page.
  void move_class(dv4u page_number, dv4u before, dv4u after);
  // Pages up to end_page (exclusive) were added to the group: resizes the
  // class vectors when they are 3/4 full (guarded against re-entry by the
  // descriptor's resizing flag) and then marks every pending page in its
  // class. While a resize runs, new pages stay pending until it ends.
  void pages_added(dv4u end_page);
  bool is_pending(dv4u page_number) const;
  void add_pending(dv4u page_number) { pending_.push_back(page_number); }
  bool resizing() const { return (desc().flags & RESIZING_SIZE_CLASSES) != 0; }

  // ---- free regions -------------------------------------------------------
  // Free multi-page regions by their first page number (null until first
  // needed).
  _Bit_vector* free_regions() const;
  // Makes sure page_number fits the free-region vector (created with 128
  // bits; a full one is replaced by one of twice the capacity, or twice the
  // page number when that is larger). May allocate.
  void fit_free_regions(dv4u page_number);

  // ---- the page list ----------------------------------------------------
  // Links page at the head of the group's list and counts it.
  void link_page(_Page_header* page);

  // The page the group allocated a small object from last (null: none).
  _Page_header* current = nullptr;
  // Forgets the current page and the pending pages (a reset).
  void forget_transient_state();

 private:
  bool needs_resize(dv4u end_page) const;
  void resize_class_vectors(dv4u end_page);
  dv4u pending_end() const;
  void mark_pending();

  _DB_allocator& allocator_;
  dv4u number_;
  std::vector<dv4u> pending_;
};

}  // namespace dv_qem
