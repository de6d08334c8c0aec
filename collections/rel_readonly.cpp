// Read-only views of a many-valued relationship member: they read their
// value collection as any member does and refuse every write, including
// replacing under a cursor, removing all occurrences and clearing.
#include "coll_messages.h"
#include "dv_rel.h"

namespace dv_qem {

_dv_rel_many_readonly& _dv_rel_many_readonly::operator=(const _dv_rel_many_readonly&) {
  _Reloc_missing_virtual_function();
}
_dv_rel_many_readonly& _dv_rel_many_readonly::operator=(const dv_collection&) { _Reloc_missing_virtual_function(); }
_dv_rel_many_readonly& _dv_rel_many_readonly::operator=(const void*) { _Reloc_missing_virtual_function(); }

void _dv_rel_many_readonly::_insert(const void*) { _Reloc_missing_virtual_function(); }
int _dv_rel_many_readonly::_remove(const void*) { _Reloc_missing_virtual_function(); }
void _dv_rel_many_readonly::_insert_first(const void*) { _Reloc_missing_virtual_function(); }
void _dv_rel_many_readonly::_insert_last(const void*) { _Reloc_missing_virtual_function(); }
int _dv_rel_many_readonly::_remove_first(const void*&) { _Reloc_missing_virtual_function(); }
int _dv_rel_many_readonly::_remove_last(const void*&) { _Reloc_missing_virtual_function(); }

void _dv_rel_many_readonly::_insert_after(const void*, unsigned) {
  dv_coll_raise<coll_msg::insert_after_unordered>(rep_name());
}
void _dv_rel_many_readonly::_insert_after(const void*, const dv_cursor&) { _Reloc_missing_virtual_function(); }
void _dv_rel_many_readonly::_insert_before(const void*, unsigned) {
  dv_coll_raise<coll_msg::insert_before_not_supported_by>(rep_name());
}
void _dv_rel_many_readonly::_insert_before(const void*, const dv_cursor&) { _Reloc_missing_virtual_function(); }
void _dv_rel_many_readonly::_remove_at(unsigned) { dv_coll_raise<coll_msg::remove_at_unordered>(rep_name()); }
void _dv_rel_many_readonly::_remove_at(const dv_cursor&) { _Reloc_missing_virtual_function(); }
void* _dv_rel_many_readonly::_replace_at(const void*, const dv_cursor&) { _Reloc_missing_virtual_function(); }

dv_collection& _dv_rel_many_readonly::_assign(const void*) { _Reloc_missing_virtual_function(); }
dv_collection& _dv_rel_many_readonly::_assign(const dv_collection&) { _Reloc_missing_virtual_function(); }
dv_collection& _dv_rel_many_readonly::_assign_or(const void*) { _Reloc_missing_virtual_function(); }
dv_collection& _dv_rel_many_readonly::_assign_or(const dv_collection&) { _Reloc_missing_virtual_function(); }
dv_collection& _dv_rel_many_readonly::_assign_and(const void*) { _Reloc_missing_virtual_function(); }
dv_collection& _dv_rel_many_readonly::_assign_and(const dv_collection&) { _Reloc_missing_virtual_function(); }
dv_collection& _dv_rel_many_readonly::_assign_sub(const void*) { _Reloc_missing_virtual_function(); }
dv_collection& _dv_rel_many_readonly::_assign_sub(const dv_collection&) { _Reloc_missing_virtual_function(); }
int _dv_rel_many_readonly::_remove_all(const void*) { _Reloc_missing_virtual_function(); }
void _dv_rel_many_readonly::_clear() { _Reloc_missing_virtual_function(); }

unsigned _dv_rel_many_readonly::_get_behavior() const { return value() ? value()->get_behavior() : 0; }
void _dv_rel_many_readonly::get_members(int&, int&, int&) const { _Reloc_missing_virtual_function(); }
void _dv_rel_many_readonly::get_members(int&, int&) const { _Reloc_missing_virtual_function(); }
dv_collection* _dv_rel_many_readonly::create_relationship_collection(int, int, unsigned) {
  _Reloc_missing_virtual_function();
}
void _dv_rel_many_readonly::make_value(int) { _Reloc_missing_virtual_function(); }

int _dv_rel_many_readonly_generic::_retrieve_first(const void*&) const { return 0; }
int _dv_rel_many_readonly_generic::_retrieve_last(const void*&) const { return 0; }

void _VRN_set_rel_minimal_dispatch_tables() {
  _dv_rel_many_readonly view;
  _dv_rel_many_readonly_generic generic(dv_probe);
  (void)view;
  (void)generic;
}

}  // namespace dv_qem
