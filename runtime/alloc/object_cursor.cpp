// The object cursor and the typespec of an address.
#include "object_cursor.h"

#include <cstdint>

#include "dv_err.h"
#include "dv_platform.h"
#include "page_group.h"
#include "address_word.h"

namespace dv_qem {

namespace {

char* page_of(const void* p) {
  return reinterpret_cast<char*>(reinterpret_cast<std::uintptr_t>(p) & ~std::uintptr_t{DV_PAGE_SIZE - 1});
}

}  // namespace

_DB_object_cursor::_DB_object_cursor(_DB_space* db) : db_(db), db_name_(_VRN_strdup(db->space_name())) {}

_DB_object_cursor::~_DB_object_cursor() { _VRN_free(db_name_); }

_DB_allocator& _DB_object_cursor::allocator() const {
  DV_ASSERT(db_->space_allocator() != nullptr);
  return *db_->space_allocator();
}

void _DB_object_cursor::clear() {
  page_ = nullptr;
  block_ = nullptr;
  info_ = _DB_allocator::object_info();
}

void _DB_object_cursor::stand_at(_Page_header* page, _Obj_header* block) {
  info_ = _DB_allocator::describe(block, allocator().types());
  page_ = page;
  block_ = block;
}

void _DB_object_cursor::first_object_from(_Page_header* page) {
  for (; page != nullptr; page = page->next_page()) {
    if (_Obj_header* block = page->allocated_head_block()) {
      stand_at(page, block);
      return;
    }
  }
  clear();
}

void _DB_object_cursor::check_database() const {
  if (_DB_space_holding(info_.object) != db_)
    throw dv_err_cursor_not_at_object("The database %s no longer contains the current object at 0x%x.",
                                      db_name_, word_of(info_.object));
}

void _DB_object_cursor::first() {
  clear();
  first_object_from(allocator().group(user_page_group).first_page());
}

int _DB_object_cursor::more() const {
  if (block_ == nullptr) return 0;
  check_database();
  return 1;
}

void _DB_object_cursor::next() {
  if (block_ == nullptr) throw dv_err_cursor_at_end("There are no more objects.");
  if (_Obj_header* following = block_->next())
    stand_at(page_, following);
  else
    first_object_from(page_->next_page());
}

int _DB_object_cursor::current(void*& object, const dv_typespec*& ts, dv4u& count) const {
  object = nullptr;
  ts = nullptr;
  count = 0;
  if (block_ == nullptr) return 0;
  check_database();
  object = info_.object;
  ts = info_.ts;
  count = info_.count;
  return 1;
}

void _DB_object_cursor::set(const void* address) {
  if (!_DB_in_region(address))
    throw dv_err_cursor_not_at_object("An object cursor can not be set to a transient address 0x%x.",
                                      word_of(address));
  _DB_space* owner = _DB_space_holding(address);
  if (owner == nullptr)
    throw dv_err_cursor_not_at_object("The address 0x%x is not mapped by any database.", word_of(address));
  if (owner != db_)
    throw dv_err_cursor_not_at_object("The address 0x%x is not mapped by the cursors current database %s.",
                                      word_of(address), db_name_);
  _DB_allocator::object_info found;
  _Page_header* page = nullptr;
  if (allocator().object_at(address, found)) page = allocator().heap_of_page(page_of(found.block));
  if (page == nullptr || page->page_group() != user_page_group)
    throw dv_err_cursor_not_at_object("There is no object at address 0x%x.", word_of(address));
  stand_at(page, found.block);
}

const dv_typespec* _DB_typespec_at(const void* p, unsigned& count, unsigned& offset) {
  _DB_allocator* allocator = _DB_allocator::serving(p);
  _DB_allocator::object_info found;
  if (allocator == nullptr || !allocator->object_at(p, found)) return nullptr;
  count = found.count;
  offset = static_cast<unsigned>(static_cast<const char*>(p) - static_cast<const char*>(found.object));
  return found.ts;
}

}  // namespace dv_qem
