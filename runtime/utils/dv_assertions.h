// The catalogue of the runtime's fixed assertion texts, raised by name:
//   DV_ASSERT_THAT(is_mapped(), is_mapped);   // raises unless the condition holds
//   if (stamp == 0) DV_ASSERTION_FAILED(tstamp);  // raises at this line
// Both throw dv_err_internal "Assertion \"<text>\" failed [during fault handler ]at
// line <line> of file <unit>" through _VRN_assertion_violation; a name not in the
// table does not compile. The texts are kept verbatim: tests and callers compare
// them. An assertion whose text is its own condition uses DV_ASSERT(cond).
#pragma once

#include "dv_err.h"

// (name, text)
#define DV_ASSERTION_TEXTS(X) \
  X(db, "db")                                                                                                         \
  X(tag_ne_0, "tag != 0")                                                                                             \
  X(old_ts, "old_ts")                                                                                                 \
  X(new_ts, "new_ts")                                                                                                 \
  X(dv_database_of_obj_eq_db, "dv_database::of(obj) == db")                                                           \
  X(count_ne_0, "count != 0")                                                                                         \
  X(old_tag_in_obj_eq_old_tag_from_typespec, "old_tag_in_obj == old_tag_from_typespec")                               \
  X(new_sz_fills_block_less_extra, "new_sz == ohdr->get_block_size(dba) - EXTRA_BYTES_IN_BLOCK")                      \
  X(new_sz_eq_ohdr_get_block_size_dba, "new_sz == ohdr->get_block_size(dba)")                                         \
  X(old_cnt_in_obj_eq_old_count, "old_cnt_in_obj == old_count")                                                       \
  X(count_le_largest_small_array_count, "count <= LARGEST_SMALL_ARRAY_COUNT")                                         \
  X(as_size_ge_1_megabyte, "as_size>=(1*MEGABYTE)")                                                                   \
  X(dv4u_as_start_lt_dv4u_next_as_start, "(dv4u)as_start < (dv4u)next->as_start")                                     \
  X(as_end_le_next_as_start, "((dv4u)as_start + as_size) <= (dv4u)next->as_start")                                    \
  X(root_page, "root_page")                                                                                           \
  X(find_page_pg_get_buffer_eq_pg, "find_page(pg->get_buffer())==pg")                                                 \
  X(listed_eq_pages_by_offset_size, "listed==pages_by_offset_.size()")                                                \
  X(pg_eq_root_page, "pg==root_page")                                                                                 \
  X(pname_ne_0, "_pname!=0")                                                                                          \
  X(not_dv_int_lookup_dvdb_by_ptr_this, "! _DV_int::_lookup_DVDB_by_ptr(this)")                                       \
  X(not_in_use, "!in_use")                                                                                            \
  X(not_root_page, "!root_page")                                                                                      \
  X(page_state_lock_is_lnone_lr_or_lw, "page state: lock is LNONE, LR or LW")                                         \
  X(page_state_unmapped_is_lnone_not_rearmed, "page state: an unmapped page is LNONE and not re-armed")               \
  X(page_state_only_lw_rearmed, "page state: only an LW page is re-armed")                                            \
  X(not_is_mapped, "!is_mapped()")                                                                                    \
  X(is_mapped, "is_mapped()")                                                                                         \
  X(ps_eq_lw_or_ps_eq_lr, "(_ps==LW) || (_ps==LR)")                                                                   \
  X(grown_page_released_read_write, "is_mapped() && lock==LNONE && protection==dv_memory_read_write")                 \
  X(p_is_mapped, "p->is_mapped()")                                                                                    \
  X(p_get_lock_eq_page_lw, "p->get_lock()==_Page::LW")                                                                \
  X(p_get_db_eq_its_db, "p->get_db()==its_db")                                                                        \
  X(is_buffer_valid, "is_buffer_valid()")                                                                             \
  X(pr_get_buffer_lt_get_buffer, "pr->get_buffer() < get_buffer()")                                                   \
  X(dv4u_get_buffer_eq_dv4u_db_get_as_start, "(dv4u)get_buffer()==(dv4u)db->get_as_start()")                          \
  X(pstate_ge_lnone_and_pstate_lt_lbad, "pstate>=LNONE && pstate<_LBAD")                                              \
  X(get_size_eq_dv_int_get_page_size, "get_size()==_DV_int::get_page_size()")                                         \
  X(buffer_at_start_plus_offset, "(dv4u)get_buffer() == ((dv4u)db->get_as_start() + get_offset())")                   \
  X(pr_eq_0, "pr==0")                                                                                                 \
  X(pstate_ne_lnone, "pstate!=LNONE")                                                                                 \
  X(dv4u_nx_get_offset_gt_dv4u_get_offset, "(dv4u)nx->get_offset() > (dv4u)get_offset()")                             \
  X(flags_allow_reads_and_flags_allow_writes, "(flags & allow_reads) && (flags & allow_writes)")                      \
  X(not_flags_allow_writes, "!(flags & allow_writes)")                                                                \
  X(flags_insert_in_offset_order, "flags & insert_in_offset_order")                                                   \
  X(sig_type_ne_dv_mem_signal_unknown, "sig_type!=dv_mem_signal_unknown")                                             \
  X(root_lg_obj_page_eq_root_page_again, "root_lg_obj_page==_root_page_again")                                        \
  X(page_get_lock_ne_page_lw, "page->get_lock() != _Page::LW")                                                        \
  X(the_page_is_mapped_eq_0, "the_page->is_mapped() == 0")                                                            \
  X(ts_get_name_and_ts_get_name, "ts->get_name() && *ts->get_name()")                                                 \
  X(not_next_and_not_prev, "!next && !prev")                                                                          \
  X(prev_ne_next, "prev!=next")                                                                                       \
  X(prev_offset_lt_offset, "prev->offset < offset")                                                                   \
  X(next_offset_gt_offset, "next->offset > offset")                                                                   \
  X(header_in_progress, "header->in_progress()")                                                                      \
  X(old_size_whole_pages, "old_size && !(old_size % _DV_int::get_page_size())")                                       \
  X(tstamp, "tstamp")                                                                                                 \
  X(p_ne_in_progress, "p!=in_progress()")                                                                             \
  X(not_kill_flags_dvdb_die_in_save, "!(_kill_flags & _DVDB_DIE_IN_SAVE)")                                            \
  X(is_dirty_ne_dirty, "is_dirty() != _dirty")                                                                        \
  X(hdr_validate_header_eq_db_header_super_valid, "hdr->validate_header() == _DB_header_super::valid")                \
  X(not_kill_flags_dvdb_die_in_copy, "!(_kill_flags & _DVDB_DIE_IN_COPY)")                                            \
  X(db_hdr_validate_header_eq_db_header_super_valid, "db_hdr->validate_header() == _DB_header_super::valid")          \
  X(as_start_eq_dv4u_this, "_as_start == (dv4u)this")                                                                 \
  X(commit_tx_type_known, "cmt_tx_type==read_only || cmt_tx_type==update")                                            \
  X(abort_tx_type_known, "abrt_tx_type==read_only || abrt_tx_type==update")                                           \
  X(kind_ge_0_and_kind_le_2, "kind >= 0 && kind <= 2")                                                                \
  X(n_pages_gt_1, "n_pages > 1")                                                                                      \
  X(map_pick_iptr_eq_ptr, "map.pick(iptr) == ptr")                                                                    \
  X(page_group_eq_db_allocator_system_page_group, "page_group == _DB_allocator::system_page_group")                   \
  X(pg_get_page_group_eq_page_group, "pg->get_page_group() == page_group")                                            \
  X(dba_which_page_pg_get_this_dvaddr_eq_0, "dba->which_page(pg->get_this_dvaddr()) == 0")                            \
  X(retval, "retval")                                                                                                 \
  X(fpbv_old_bvnum_resolve_is_set_pgnum, "fpbv[old_bvnum].resolve()->is_set(pgnum)")                                  \
  X(not_fpbv_new_bvnum_resolve_is_set_pgnum, "!fpbv[new_bvnum].resolve()->is_set(pgnum)")                             \
  X(not_in_reorg, "!in_reorg()")                                                                                      \
  X(in_reorg, "in_reorg()")                                                                                           \
  X(calculated_free_bytes_eq_n_free_bytes, "calculated_free_bytes == n_free_bytes")                                   \
  X(first_page_bytes_accounted,                                                                                       \
    "total_accounted_bytes == (_DV_int::get_page_size() - PAGE_HEADER_SIZE - DB_HEADER_SIZE)")                        \
  X(page_bytes_accounted, "total_accounted_bytes == (_DV_int::get_page_size() - PAGE_HEADER_SIZE)")                   \
  X(same_page_dvaddr_retval_plus_req_sz_minus_1_retval, "SAME_PAGE((((dvaddr)retval)+req_sz-1), retval)")             \
  X(rv, "rv")                                                                                                         \
  X(largest_small_array_fills_page,                                                                                   \
    "LARGEST_SMALL_ARRAY_COUNT == _DV_int::get_page_size() - PAGE_HEADER_SIZE - OBJECT_HEADER_SIZE")                  \
  X(not_same_page_dvaddr_retval_plus_req_sz_minus_1_retval, "!SAME_PAGE((((dvaddr)retval)+req_sz-1), retval)")        \
  X(tag_ge_max_builtin_tag, "tag >= max_builtin_tag")                                                                 \
  X(poflo, "poflo")                                                                                                   \
  X(subsystem_key_in_range, "key>reserved_subsystem && key<MAX_N_SUBSYSTEMS")                                         \
  X(vrn_power_of_two_p_truncate, "_VRN_power_of_two_p(truncate)")                                                     \
  X(vrn_strlen_pathname_gt_1, "_VRN_strlen(pathname)>1")                                                              \
  X(vrn_strlen_extension_le_3, "_VRN_strlen(extension)<=3")                                                           \

namespace dv_qem::assertion_text {

#define DV_ASSERTION_TEXT_ENTRY(name, text) inline constexpr char name[] = text;
DV_ASSERTION_TEXTS(DV_ASSERTION_TEXT_ENTRY)
#undef DV_ASSERTION_TEXT_ENTRY

}  // namespace dv_qem::assertion_text

// Raises the catalogued assertion `name` at this line.
#define DV_ASSERTION_FAILED(name) \
  ::dv_qem::_VRN_assertion_violation(::dv_qem::assertion_text::name, __FILE__, __LINE__)

// Raises the catalogued assertion `name` unless `cond` holds.
#define DV_ASSERT_THAT(cond, name) ((cond) ? (void)0 : DV_ASSERTION_FAILED(name))
