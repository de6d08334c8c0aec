// The roots, schema paths and type operations of dv_database, the public
// root handle, the public object cursor and the typespec statics that need
// a database: each takes the runtime thread lock and forwards to the
// allocator side.
#include <cstdint>
#include <vector>

#include "db_allocator.h"
#include "db_roots.h"
#include "dv_database.h"
#include "dv_database_root.h"
#include "dv_locks.h"
#include "dv_object_cursor.h"
#include "dvdb.h"
#include "fault_dispatch.h"
#include "object_cursor.h"
#include "schema_paths.h"
#include "type_manager.h"

namespace dv_qem {

namespace {

// The database behind a handle that must be usable; a null handle is
// refused like a closed one.
DVDB* usable(const dv_database* db) {
  if (db == nullptr) DVDB::refuse_invalid_handle(db);
  DVDB* d = const_cast<DVDB*>(DVDB::of(db));
  d->check_usable();
  return d;
}

// The roots and schema-path operations first require a fault guard, then a
// usable database.
DVDB* guarded_usable(const dv_database* db) {
  _VRN_require_fault_handler();
  return usable(db);
}

_DB_root* record_of(dv_database_root* root) { return reinterpret_cast<_DB_root*>(root); }
dv_database_root* handle_of(_DB_root* root) { return reinterpret_cast<dv_database_root*>(root); }

}  // namespace

dv_database_root* dv_database::create_root(const char* name) {
  _VRN_thread_lock lock;
  return handle_of(_DB_roots(*guarded_usable(this)->space_allocator()).create(name));
}

dv_database_root* dv_database::find_root(const char* name) const {
  _VRN_thread_lock lock;
  return handle_of(_DB_roots(*guarded_usable(this)->space_allocator()).find(name));
}

void dv_database::get_all_roots(unsigned max, dv_database_root** out, unsigned& n) const {
  _VRN_thread_lock lock;
  n = _DB_roots(*guarded_usable(this)->space_allocator()).all(max, reinterpret_cast<_DB_root**>(out));
}

unsigned dv_database::get_n_roots() {
  _VRN_thread_lock lock;
  return _DB_roots(*guarded_usable(this)->space_allocator()).count();
}

void dv_database::add_schema_path(const char* path) {
  _VRN_thread_lock lock;
  _DB_schema_paths(*guarded_usable(this)->space_allocator()).add(path);
}

void dv_database::remove_schema_path(const char* path) {
  _VRN_thread_lock lock;
  _DB_schema_paths(*guarded_usable(this)->space_allocator()).remove(path);
}

void dv_database::remove_all_schema_paths(unsigned& n) {
  _VRN_thread_lock lock;
  n = _DB_schema_paths(*guarded_usable(this)->space_allocator()).remove_all();
}

void dv_database::get_all_schema_paths(unsigned max, char** out, unsigned& n) {
  _VRN_thread_lock lock;
  n = _DB_schema_paths(*guarded_usable(this)->space_allocator()).all(max, out);
}

unsigned dv_database::get_n_schema_paths() {
  _VRN_thread_lock lock;
  return _DB_schema_paths(*guarded_usable(this)->space_allocator()).count();
}

void dv_database::rename_type(const char* old_name, const char* new_name) {
  _VRN_thread_lock lock;
  DVDB* db = DVDB::of(this);
  db->check_usable();
  _Type_table& types = db->space_allocator()->types();
  // A caller's unknown type name is the caller's mistake, not a broken
  // invariant: it is refused before the type manager asserts on it.
  types.typespec_named(old_name);
  types.typespec_named(new_name);
  types.rename_type(old_name, new_name);
}

void dv_database::fix_pointers(unsigned pages_per_save) {
  _VRN_thread_lock lock;
  DVDB::of(this)->fix_pointers(pages_per_save);
}

// ---- dv_database_root -------------------------------------------------------

dv_database_root* dv_database_root::find(const char* name, dv_database* db) {
  _VRN_thread_lock lock;
  return handle_of(_DB_roots(*guarded_usable(db)->space_allocator()).find(name));
}

void dv_database_root::destroy(dv_database_root* root) {
  if (root == nullptr) return;
  _VRN_thread_lock lock;
  _DB_allocator* allocator = _DB_allocator::serving(root);
  // A root of a closed database: refused as touching it would be.
  if (allocator == nullptr)
    throw dv_err_illegal_pointer(
        "Attempt to dereference the persistent pointer %#x, but no database is assigned to that address.",
        static_cast<unsigned>(reinterpret_cast<uintptr_t>(root)));
  _DB_roots(*allocator).destroy(record_of(root));
}

const char* dv_database_root::get_name() {
  _VRN_thread_lock lock;
  return record_of(this)->get_name();
}

dv_typespec* dv_database_root::get_typespec() {
  _VRN_thread_lock lock;
  return const_cast<dv_typespec*>(record_of(this)->get_typespec());
}

void* dv_database_root::get_value(dv_typespec* ts) {
  _VRN_thread_lock lock;
  return record_of(this)->get_value(ts);
}

void dv_database_root::set_value(const void* value, dv_typespec* ts) {
  _VRN_thread_lock lock;
  record_of(this)->set_value(value, ts);
}

// ---- dv_object_cursor -------------------------------------------------------

namespace {

_DB_object_cursor* cursor_of(void* cursor) { return static_cast<_DB_object_cursor*>(cursor); }

}  // namespace

dv_object_cursor::dv_object_cursor(const dv_database* db) : cursor_(nullptr) {
  _VRN_thread_lock lock;
  cursor_ = new _DB_object_cursor(usable(db));
}

dv_object_cursor::~dv_object_cursor() {
  _VRN_thread_lock lock;
  delete cursor_of(cursor_);
}

void dv_object_cursor::first() {
  _VRN_thread_lock lock;
  cursor_of(cursor_)->first();
}

void dv_object_cursor::next() {
  _VRN_thread_lock lock;
  cursor_of(cursor_)->next();
}

int dv_object_cursor::more() {
  _VRN_thread_lock lock;
  return cursor_of(cursor_)->more();
}

int dv_object_cursor::current(void*& object, const dv_typespec*& ts, int& count) {
  _VRN_thread_lock lock;
  dv4u n = 0;
  int at = cursor_of(cursor_)->current(object, ts, n);
  count = static_cast<int>(n);
  return at;
}

void dv_object_cursor::set(const void* address) {
  _VRN_thread_lock lock;
  cursor_of(cursor_)->set(address);
}

// ---- dv_typespec statics that need a database --------------------------------

dv2u dv_typespec::get_tag(const dv_database* db) const {
  _VRN_thread_lock lock;
  return usable(db)->space_allocator()->types().tag_of(this);
}

const dv_typespec* dv_typespec::typespec_at(void* p, unsigned& count, unsigned& offset) {
  _VRN_thread_lock lock;
  return _DB_typespec_at(p, count, offset);
}

}  // namespace dv_qem
