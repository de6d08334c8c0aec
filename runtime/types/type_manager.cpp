// Type tags of a database: loading them, assigning new ones, looking up the
// typespec of a tag, renaming a type.
#include "type_manager.h"

#include <cstdint>
#include <cstring>

#include "alloc_internal.h"
#include "db_header.h"
#include "dv_assertions.h"
#include "dv_err.h"
#include "self_relative.h"

namespace dv_qem {

namespace {

constexpr dv4u kLargestTag = 0xFFFF;  // tags are 16-bit

const dv_typespec* overflow_block_type() {
  static const dv_typespec* ts = dv_typespec::get_typespec("_Pers_type_info_oflo");
  DV_ASSERT(ts != nullptr && ts->get_size() == sizeof(_Pers_type_info_oflo));
  return ts;
}

}  // namespace

std::unique_ptr<_Type_table> _Make_type_table(_DB_allocator& allocator) {
  return std::make_unique<_Type_manager>(allocator);
}

void _Type_manager::forget_recent_tags() {
  for (recent_tag& r : recent_) r = recent_tag{};
}

void _Type_manager::load() {
  forget_recent_tags();
  tags_by_name_.clear();
  typespecs_by_tag_.clear();
  dv2u highest = highest_tag();
  typespecs_by_tag_.resize(static_cast<size_t>(highest) + 1, nullptr);
  for (dv2u tag = 1; tag <= highest; ++tag) {
    const char* name = name_of(tag);
    if (name != nullptr) tags_by_name_.emplace(name, tag);  // the first tag of a name wins
  }
}

dv2u _Type_manager::highest_tag() const { return static_cast<dv2u>(allocator_.header()->highest_tag); }

const char* _Type_manager::name_of(dv2u tag) const {
  if (tag < max_builtin_tag) return dv_typespec::builtin_tag_name(tag);
  if (tag > highest_tag()) return nullptr;
  return resolve_self_relative(&_DB_type_slot(*allocator_.header(), tag).name);
}

dv4u _Type_manager::recorded_size(dv2u tag) const {
  if (tag < max_builtin_tag) return dv_typespec::builtin_tag_size(tag);
  return _DB_type_slot(*allocator_.header(), tag).size;
}

dv2u _Type_manager::find_tag(const char* name) const {
  auto it = tags_by_name_.find(name);
  return it == tags_by_name_.end() ? 0 : it->second;
}

void _Type_manager::check_size(const char* name, dv4u recorded, const dv_typespec* ts) const {
  if (ts->get_size() != recorded)
    throw dv_err_unmarked_type(
        "The type %s is recorded in this database with a size of %u bytes, but its registered "
        "typespec has %u bytes",
        name, recorded, ts->get_size());
}

dv2u _Type_manager::tag_of(const dv_typespec* ts) {
  const unsigned slot = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(ts) / alignof(void*)) % kRecentTags;
  if (recent_[slot].ts == ts && ts != nullptr) return recent_[slot].tag;
  const char* name = ts->get_name();
  DV_ASSERT(name != nullptr);
  dv2u tag = find_tag(name);
  if (tag == 0) {
    tag = assign_tag(name, ts->get_size());
  } else {
    check_size(name, recorded_size(tag), ts);
  }
  recent_[slot] = {ts, tag};
  return tag;
}

char* _Type_manager::copy_name(const char* name) {
  dv4u length = static_cast<dv4u>(std::strlen(name)) + 1;
  dv_typespec* char_type = dv_typespec::get_char();
  auto* copy = static_cast<char*>(allocator_.allocate(length, char_type, length, system_page_group));
  std::memcpy(copy, name, length);
  return copy;
}

dv2u _Type_manager::assign_tag(const char* name, dv4u size) {
  _DB_header& header = *allocator_.header();
  dv4u tag = header.highest_tag + 1;
  if (tag > kLargestTag)
    throw dv_err_alloc("No type tag is left in this database for the type %s", name);
  if (tag > last_header_tag) {
    // Appends the overflow block the tag falls into when the chain ends before it.
    dv4u index = _DB_oflo_block_index(static_cast<dv2u>(tag));
    if (_DB_oflo_block(header, index) == nullptr) {
      void* block = allocator_.allocate(sizeof(_Pers_type_info_oflo), overflow_block_type(), 0,
                                        system_page_group);
      dv4s* link = index == 0 ? &header.type_info_oflo : &_DB_oflo_block(header, index - 1)->next;
      DV_ASSERT(*link == 0);
      store_self_relative(link, block);
    }
  }
  char* copy = copy_name(name);
  _Pers_type_info& slot = _DB_type_slot(header, static_cast<dv2u>(tag));
  if (char* old_name = resolve_self_relative(&slot.name)) allocator_.free(old_name);
  slot.tag = static_cast<dv2u>(tag);
  slot.pad = 0;
  slot.size = size;
  store_self_relative(&slot.name, copy);
  header.highest_tag = tag;
  tags_by_name_.emplace(copy, static_cast<dv2u>(tag));
  typespecs_by_tag_.resize(tag + 1, nullptr);
  return static_cast<dv2u>(tag);
}

const dv_typespec* _Type_manager::typespec_of(dv2u tag) {
  if (tag == 0) DV_ASSERTION_FAILED(tag_ne_0);
  if (tag < typespecs_by_tag_.size() && typespecs_by_tag_[tag] != nullptr) return typespecs_by_tag_[tag];
  if (tag > highest_tag()) _Alloc_corruption(_Alloc_check::tag_not_assigned);
  const char* name = name_of(tag);
  if (name == nullptr) _Alloc_corruption(_Alloc_check::slot_without_name);
  const dv_typespec* ts = dv_typespec::get_typespec(name);
  if (ts == nullptr)
    throw dv_err_unmarked_type("The type %s appears not to have been marked with DV_MARK_SCHEMA_TYPE",
                               name);
  check_size(name, recorded_size(tag), ts);
  if (typespecs_by_tag_.size() <= tag) typespecs_by_tag_.resize(static_cast<size_t>(tag) + 1, nullptr);
  typespecs_by_tag_[tag] = ts;
  return ts;
}

const dv_typespec* _Type_manager::typespec_named(const char* name) const {
  const dv_typespec* ts = dv_typespec::get_typespec(name);
  if (ts == nullptr)
    throw dv_err_unmarked_type(
        "The type \"%s\" appears not to have been marked with DV_MARK_SCHEMA_TYPE", name);
  return ts;
}

void _Type_manager::rename_type(const char* old_name, const char* new_name) {
  const dv_typespec* old_ts = dv_typespec::get_typespec(old_name);
  if (old_ts == nullptr) DV_ASSERTION_FAILED(old_ts);
  const dv_typespec* new_ts = dv_typespec::get_typespec(new_name);
  if (new_ts == nullptr) DV_ASSERTION_FAILED(new_ts);
  dv2u tag = find_tag(old_name);
  if (tag == 0) return;
  forget_recent_tags();
  _Pers_type_info& slot = _DB_type_slot(*allocator_.header(), tag);
  check_size(new_name, slot.size, new_ts);
  char* copy = copy_name(new_name);
  if (char* previous = resolve_self_relative(&slot.name)) allocator_.free(previous);
  store_self_relative(&slot.name, copy);
  tags_by_name_.erase(old_name);
  tags_by_name_[copy] = tag;
  typespecs_by_tag_[tag] = new_ts;
}

}  // namespace dv_qem
