// Lock states, memory and checks of one page.
#include "page.h"

#include <cstdint>
#include <cstring>

#include "db_allocator.h"
#include "db_log.h"
#include "db_undo.h"
#include "dv_assertions.h"
#include "dv_err.h"
#include "dv_platform.h"
#include "dvdb.h"
#include "memory_layer.h"
#include "page_runs.h"
#include "runtime_state.h"
#include "address_word.h"

namespace dv_qem {

namespace {

dv4u element_flags(const DVDB* db) {
  dv4u flags = _File_element::allow_reads | _File_element::insert_in_offset_order;
  if (!db->is_read_only()) flags |= _File_element::allow_writes;
  return flags;
}

}  // namespace

_Page::_Page(DVDB* db_, char* address)
    : _File_element(&db_->file_storage(), static_cast<dv4u>(address - db_->space_start()), _DV_int::get_page_size(),
                    address, element_flags(db_)),
      db(db_) {}

void _Page::check_state() const {
  DV_ASSERT_THAT(lock >= LNONE && lock < _LBAD, page_state_lock_is_lnone_lr_or_lw);
  DV_ASSERT_THAT(is_mapped() || (lock == LNONE && !is_rearmed()), page_state_unmapped_is_lnone_not_rearmed);
  DV_ASSERT_THAT(!is_rearmed() || lock == LW, page_state_only_lw_rearmed);
}

void _Page::rearm() {
  DV_ASSERT(lock == LW);
  page_flags |= page_rearmed;
  check_state();
}

void _Page::map(int kind) {
  DV_ASSERT_THAT(!is_mapped(), not_is_mapped);
  dv_map_memory(buffer, size, kind);
  protection = kind;
  buffer_valid = 1;
  page_flags |= page_mapped;
  check_state();
}

void _Page::map_in_run(int kind) {
  DV_ASSERT_THAT(!is_mapped(), not_is_mapped);
  protection = kind;
  buffer_valid = 1;
  page_flags |= page_mapped;
  check_state();
}

void _Page::unmap(bool forget) {
  DV_ASSERT_THAT(is_mapped(), is_mapped);
  lock = LNONE;
  page_flags = 0;
  if (forget && db->space_allocator() != nullptr) db->space_allocator()->forget_page(buffer);
  // Access goes first: a thread reading the page meanwhile faults and waits
  // for the page to be read again, and never sees the dropped contents.
  set_protection(dv_memory_no_access);
  dv_unmap_memory(buffer, size);
  check_state();
}

void _Page::protect(int kind) {
  if (is_mapped()) set_protection(kind);
}

void _Page::set_protection(int kind) {
  if (protection == kind) return;
  dv_protect_memory(buffer, size, kind);
  protection = kind;
}

void _Page::set_lock(int l, bool grew) {
  DV_ASSERT_THAT(l == LW || l == LR, ps_eq_lw_or_ps_eq_lr);
  if (l == LW && lock == LW && !is_rearmed()) return;
  const int old = lock;
  lock = l;
  if (l == LW) {
    // (C1) The page becomes writable only once its before-image is recorded;
    // a failed record leaves it as it was.
    try {
      if (db->undo_records() != nullptr) db->undo_records()->record_page(this, old, grew);
      if (!is_rearmed()) log_before_image(grew);
    } catch (...) {
      lock = old;
      throw;
    }
  }
  if (l == LW) db->note_write_locked(this);
  // Re-arming lasts only while the page stays write-locked: once it leaves
  // that state its next write lock starts afresh and logs it again.
  page_flags &= ~dv4u{page_rearmed};
  protect(l == LR ? dv_memory_read_only : dv_memory_read_write);
  check_state();
}

void _Page::write_lock_grown() {
  DV_ASSERT_THAT(is_mapped() && lock == LNONE && protection == dv_memory_read_write, grown_page_released_read_write);
  if (db->undo_records() != nullptr) db->undo_records()->record_page(this, LNONE, true);
  lock = LW;
  db->note_write_locked(this);
  page_flags &= ~dv4u{page_rearmed};
  check_state();
}

void _Page::log_before_image(bool grew) {
  DV_ASSERT_THAT(is_mapped(), p_is_mapped);
  DV_ASSERT_THAT(lock == LW, p_get_lock_eq_page_lw);
  DV_ASSERT_THAT(db->find_page(buffer) == this, p_get_db_eq_its_db);
  if (grew)
    db->database_log()->log_growth(db->image_size());
  else
    db->database_log()->log_page(offset, buffer, size);
}

void _Page::downgrade() {
  lock = LNONE;
  page_flags &= ~dv4u{page_rearmed};
  protect(dv_memory_no_access);
  check_state();
}

void _Page::read_lock(_Page_runs& runs) {
  lock = LR;
  page_flags &= ~dv4u{page_rearmed};
  runs.add(this);
  check_state();
}

void _Page::downgrade(_Page_runs& runs) {
  lock = LNONE;
  page_flags &= ~dv4u{page_rearmed};
  runs.add(this);
  check_state();
}

void _Page::zero() {
  if (is_mapped()) std::memset(buffer, 0, size);
}

void _Page::self_check() const {
  DV_ASSERT_THAT(is_buffer_valid(), is_buffer_valid);
  const _File_element* pr = get_prev();
  if (pr != nullptr)
    DV_ASSERT_THAT(pr->get_buffer() < get_buffer(), pr_get_buffer_lt_get_buffer);
  else
    DV_ASSERT_THAT(word_of(get_buffer()) == word_of(db->space_start()), dv4u_get_buffer_eq_dv4u_db_get_as_start);
  DV_ASSERT_THAT(db != nullptr, db);
  DV_ASSERT_THAT(is_mapped(), is_mapped);
  DV_ASSERT_THAT(lock >= LNONE && lock < _LBAD, pstate_ge_lnone_and_pstate_lt_lbad);
  DV_ASSERT_THAT(get_size() == _DV_int::get_page_size(), get_size_eq_dv_int_get_page_size);
  DV_ASSERT_THAT(word_of(get_buffer()) == word_of(db->space_start()) + get_offset(), buffer_at_start_plus_offset);
  if (get_offset() == 0) {
    DV_ASSERT_THAT(pr == nullptr, pr_eq_0);
    DV_ASSERT_THAT(lock != LNONE, pstate_ne_lnone);
  }
  const _File_element* nx = get_next();
  if (nx != nullptr) DV_ASSERT_THAT(nx->get_offset() > get_offset(), dv4u_nx_get_offset_gt_dv4u_get_offset);
  if (!db->is_read_only())
    DV_ASSERT_THAT((flags & allow_reads) && (flags & allow_writes), flags_allow_reads_and_flags_allow_writes);
  else
    DV_ASSERT_THAT(!(flags & allow_writes), not_flags_allow_writes);
  DV_ASSERT_THAT(flags & insert_in_offset_order, flags_insert_in_offset_order);
}

const char* _Page::lock_name(int l) {
  switch (l) {
    case LNONE: return "LNONE";
    case LR: return "LR";
    case LW: return "LW";
    default: return "L?";
  }
}

void _Page::dump_line(int number) const {
  _VRN_printf("   Page %4d 0x%x, buffer 0x%x, offset %6u, lock=%s%s\n", number, word_of(this),
              word_of(buffer), static_cast<unsigned>(offset), lock_name(lock), offset == 0 ? " (root)" : "");
}

}  // namespace dv_qem
