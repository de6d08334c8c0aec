// The type manager of an open database: the tags its block headers carry and
// the types they stand for. Tags 1..23 are the built-in types of every
// database; tags from 24 on are assigned in order of first use and recorded
// in the header's type slots (24..123) and in overflow blocks (124 on), each
// with the type's size and a persistent copy of its name. A tag leads back to
// a typespec by name in this process.
//
// The caches (name to tag, tag to typespec) are transient and rebuilt from
// the header by load().
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "dv_typespec.h"
#include "type_tags.h"

namespace dv_qem {

class _DB_allocator;
class dv_database;

class _Type_manager : public _Type_table {
 public:
  explicit _Type_manager(_DB_allocator& allocator) : allocator_(allocator) {}

  // (Re)reads every assigned tag from the header.
  void load() override;

  // The tag of ts's name, assigned on first use (slot or overflow block
  // filled, name copied into the system group). A name whose recorded size
  // differs from ts's size is refused with dv_err_unmarked_type.
  dv2u tag_of(const dv_typespec* ts) override;
  // The registered typespec of the type tag names. Tag 0 is the assertion
  // "tag != 0"; a tag never assigned is heap corruption; a name not
  // registered in this process, or registered with another size than the
  // database recorded, throws dv_err_unmarked_type.
  const dv_typespec* typespec_of(dv2u tag) override;

  // The registered typespec of a type name; a name not registered in this
  // process throws dv_err_unmarked_type.
  const dv_typespec* typespec_named(const char* name) const override;

  // The tag of name in this database, 0 when it has none (nothing assigned).
  dv2u find_tag(const char* name) const override;
  // The name and the size recorded for an assigned tag.
  const char* name_of(dv2u tag) const override;
  dv4u recorded_size(dv2u tag) const override;
  dv2u highest_tag() const override;

  // Gives the tag of old_name to new_name: in the caches and in the
  // database's slot (a fresh name copy). Both names must be registered
  // (assertions "old_ts", "new_ts"); nothing happens when old_name has no
  // tag here. A new type of another size than the recorded one is refused
  // with dv_err_unmarked_type.
  void rename_type(const char* old_name, const char* new_name) override;

 private:
  // Empties the cache of recent tags (whenever assigned tags may change).
  void forget_recent_tags();
  dv2u assign_tag(const char* name, dv4u size);
  char* copy_name(const char* name);
  void check_size(const char* name, dv4u recorded, const dv_typespec* ts) const;

  // The tags of typespecs used lately, by typespec address: a request
  // resolves its tag without hashing the type's name. An entry has passed
  // the size check. Like the tag-to-typespec cache, it assumes a typespec
  // stays registered while a database uses it.
  struct recent_tag {
    const dv_typespec* ts = nullptr;
    dv2u tag = 0;
  };
  static constexpr unsigned kRecentTags = 16;
  recent_tag recent_[kRecentTags];

  _DB_allocator& allocator_;
  std::unordered_map<std::string, dv2u> tags_by_name_;
  std::vector<const dv_typespec*> typespecs_by_tag_;
};

// Retypes the object at object in place: its tag becomes new_ts's (assigned
// on first use) and its count new_count; returns the old count. Checks, as
// internal assertions: the object lies in db ("dv_database::of(obj) == db"),
// "count != 0", the stored tag is old_ts's ("old_tag_in_obj ==
// old_tag_from_typespec"), the new size equals the block size ("new_sz ==
// ohdr->get_block_size(dba)", or "new_sz == ohdr->get_block_size(dba) -
// EXTRA_BYTES_IN_BLOCK" for a block with extra bytes), the stored count is
// old_count ("old_cnt_in_obj == old_count"), and a small block's new count
// fits ("count <= LARGEST_SMALL_ARRAY_COUNT").
dv4u _VRN_change_typespec(void* object, dv_database* db, const dv_typespec* old_ts, dv4u old_count,
                          const dv_typespec* new_ts, dv4u new_count);

}  // namespace dv_qem
