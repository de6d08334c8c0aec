// Guards a database's type tags: the fixed tags 1..23, new tags in order of
// first use with their slots and persistent names (header slots up to 123,
// overflow blocks from 124), reloading them, the refusals (tag 0, tags never
// assigned, unregistered types, a registered size that differs from the
// recorded one), renaming a type, reloading after the header was taken back,
// and retyping an object in place.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "alloc_test_db.h"
#include "db_header.h"
#include "self_relative.h"
#include "type_manager.h"

using namespace dv_qem;
using alloc_test::sized_type;
using alloc_test::test_db;

namespace {

void expect_assertion(const std::function<void()>& action, const std::string& text) {
  try {
    action();
    ADD_FAILURE() << "no assertion " << text;
  } catch (const dv_err_internal& e) {
    EXPECT_NE(std::string(e.get_report()).find("Assertion \"" + text + "\" failed"), std::string::npos)
        << e.get_report();
  }
}

void* new_object(_DB_allocator& a, dv_typespec* ts, dv4u count = 0) {
  size_t size = ts->get_size() * (count == 0 ? 1 : count);
  return a.allocate(size, ts, count, user_page_group);
}

}  // namespace

TEST(TypeTags, BuiltInTagsAreTheSameInEveryDatabase) {
  struct row {
    dv_typespec* ts;
    dv2u tag;
  } rows[] = {{dv_typespec::get_char(), 1},          {dv_typespec::get_int(), 3},
              {dv_typespec::get_pointer(), 6},       {dv_typespec::get_unsigned_int(), 13},
              {dv_typespec::get_double(), 15},       {dv_typespec::get_long_double(), 15},
              {dv_typespec::get_typespec("_DB_root"), 18},
              {dv_typespec::get_typespec("_Chash<_DB_relative_offset<char,dv_int32>,dvctaddr>"), 20},
              {dv_typespec::get_typespec("_Chash_slot<dv_char_star_nocopy>"), 23}};
  test_db db;
  _Type_table& types = db.create().types();
  for (const row& r : rows) {
    ASSERT_NE(r.ts, nullptr);
    EXPECT_EQ(types.tag_of(r.ts), r.tag) << r.ts->get_name();
    EXPECT_EQ(types.typespec_of(r.tag), r.ts) << r.ts->get_name();
  }
  EXPECT_STREQ(types.name_of(16), "long double");
  EXPECT_EQ(types.recorded_size(17), 1204u);
  EXPECT_EQ(types.highest_tag(), 23u);
}

TEST(TypeTags, NewTagsInOrderOfFirstUseWithPersistentNames) {
  sized_type first("First", 20), second("Second", 36);
  test_db db;
  _DB_allocator& a = db.create();
  new_object(a, second.ts());
  new_object(a, first.ts(), 3);
  new_object(a, second.ts());
  EXPECT_EQ(a.types().find_tag("Second"), 24u);
  EXPECT_EQ(a.types().find_tag("First"), 25u);
  EXPECT_EQ(a.types().find_tag("Third"), 0u);
  EXPECT_EQ(db.header()->highest_tag, 25u);
  const _Pers_type_info& slot = db.header()->type_slots[1];
  EXPECT_EQ(slot.tag, 25u);
  EXPECT_EQ(slot.size, 20u);
  char* name = resolve_self_relative(&slot.name);
  EXPECT_STREQ(name, "First");
  _DB_allocator::object_info info;
  ASSERT_TRUE(a.object_at(name, info));
  EXPECT_STREQ(info.ts->get_name(), "char");
  EXPECT_EQ(info.count, 6u);
  EXPECT_EQ(a.heap_of_page(a.page_address(a.page_number(name)))->page_group(), system_page_group);

  _Type_table& reloaded = db.reopen().types();
  EXPECT_EQ(reloaded.find_tag("First"), 25u);
  EXPECT_EQ(reloaded.typespec_of(24), second.ts());
  EXPECT_EQ(reloaded.tag_of(first.ts()), 25u);
  db.allocator().self_check();
}

TEST(TypeTags, HeaderSlotsUpTo123ThenOverflowBlocks) {
  std::vector<std::unique_ptr<sized_type>> types;
  for (int i = 0; i < 201; ++i) types.push_back(std::make_unique<sized_type>("Many" + std::to_string(i), 8));
  test_db db;
  _DB_allocator& a = db.create();
  _DB_header* h = db.header();
  auto tag_of = [&](int i) { return a.types().tag_of(types[i]->ts()); };
  for (int i = 0; i < 100; ++i) ASSERT_EQ(tag_of(i), 24 + i);
  EXPECT_EQ(&_DB_type_slot(*h, 123), &h->type_slots[99]);
  EXPECT_EQ(h->type_info_oflo, 0);

  EXPECT_EQ(tag_of(100), 124u);
  auto* block = reinterpret_cast<_Pers_type_info_oflo*>(resolve_self_relative(&h->type_info_oflo));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(&_DB_type_slot(*h, 124), &block->slots[0]);
  EXPECT_EQ(block->slots[0].tag, 124u);
  EXPECT_EQ(block->next, 0);
  _DB_allocator::object_info info;
  ASSERT_TRUE(a.object_at(block, info));
  EXPECT_STREQ(info.ts->get_name(), "_Pers_type_info_oflo");

  for (int i = 101; i < 200; ++i) ASSERT_EQ(tag_of(i), 24 + i);
  EXPECT_EQ(block->next, 0);
  EXPECT_EQ(tag_of(200), 224u);
  auto* second = reinterpret_cast<_Pers_type_info_oflo*>(resolve_self_relative(&block->next));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(&_DB_type_slot(*h, 224), &second->slots[0]);
  EXPECT_STREQ(resolve_self_relative(&second->slots[0].name), "Many200");
  EXPECT_EQ(_DB_oflo_block(*h, 2), nullptr);

  _Type_table& reloaded = db.reopen().types();
  EXPECT_EQ(reloaded.typespec_of(224), types[200]->ts());
  EXPECT_EQ(reloaded.typespec_of(124), types[100]->ts());
  db.allocator().self_check();
}

TEST(TypeTags, SlotLookupRefusals) {
  test_db db;
  db.create();
  expect_assertion([&] { _DB_type_slot(*db.header(), 23); }, "tag >= max_builtin_tag");
  expect_assertion([&] { _DB_type_slot(*db.header(), 124); }, "poflo");
}

TEST(TypeTags, TagZeroAndTagsNeverAssigned) {
  test_db db;
  _Type_table& types = db.create().types();
  expect_assertion([&] { types.typespec_of(0); }, "tag != 0");
  try {
    types.typespec_of(30);
    ADD_FAILURE();
  } catch (const dv_err_heap_corruption& e) {
    EXPECT_STREQ(e.get_report(),
                 "dv_err_heap_corruption - Heap corruption detected during alloc or free. (pers_alloc,20)");
  }
}

TEST(TypeTags, ATypeNotRegisteredInThisProcess) {
  test_db db;
  _DB_allocator& a = db.create();
  {
    sized_type gone("Gone", 16);
    new_object(a, gone.ts());
  }
  _DB_allocator& reopened = db.reopen(false);
  try {
    reopened.types().typespec_of(24);
    ADD_FAILURE();
  } catch (const dv_err_unmarked_type& e) {
    EXPECT_STREQ(e.get_report(),
                 "dv_err_unmarked_type - The type Gone appears not to have been marked with "
                 "DV_MARK_SCHEMA_TYPE");
  }
  // Reading the page that holds such an object refuses it.
  EXPECT_THROW(db.read_all_pages(), dv_err_unmarked_type);
  EXPECT_THROW(reopened.self_check(), dv_err_unmarked_type);
}

TEST(TypeTags, ARegisteredSizeOtherThanTheRecordedOneIsRefused) {
  test_db db;
  _DB_allocator& a = db.create();
  void* object;
  {
    sized_type before("Shifty", 16);
    object = new_object(a, before.ts());
  }
  sized_type after("Shifty", 24);
  const char* text =
      "dv_err_unmarked_type - The type Shifty is recorded in this database with a size of 16 bytes, but "
      "its registered typespec has 24 bytes";
  // Reading a stored object of the type, and making a new one, both refuse.
  _DB_allocator& reopened = db.reopen(false);
  EXPECT_THROW(db.read_all_pages(), dv_err_unmarked_type);
  try {
    reopened.types().typespec_of(24);
    ADD_FAILURE();
  } catch (const dv_err_unmarked_type& e) {
    EXPECT_STREQ(e.get_report(), text);
  }
  _DB_allocator::object_info info;
  EXPECT_THROW(reopened.object_at(object, info), dv_err_unmarked_type);
  dv4u size = db.pages();
  try {
    new_object(reopened, after.ts());
    ADD_FAILURE();
  } catch (const dv_err_unmarked_type& e) {
    EXPECT_STREQ(e.get_report(), text);
  }
  EXPECT_EQ(db.pages(), size);
}

TEST(TypeTags, RenameGivesTheTagToTheNewName) {
  sized_type old_type("OldName", 16), new_type("NewName", 16), other("Wider", 24);
  test_db db;
  _DB_allocator& a = db.create();
  void* object = new_object(a, old_type.ts());
  a.types().rename_type("OldName", "NewName");
  EXPECT_EQ(a.types().find_tag("NewName"), 24u);
  EXPECT_EQ(a.types().find_tag("OldName"), 0u);
  EXPECT_STREQ(a.types().name_of(24), "NewName");
  _DB_allocator::object_info info;
  ASSERT_TRUE(a.object_at(object, info));
  EXPECT_EQ(info.ts, new_type.ts());
  a.self_check();
  _DB_allocator& reopened = db.reopen();
  EXPECT_EQ(reopened.types().typespec_of(24), new_type.ts());
  EXPECT_EQ(reopened.types().tag_of(old_type.ts()), 25u);  // a new tag for the old name

  expect_assertion([&] { reopened.types().rename_type("NoSuchType", "NewName"); }, "old_ts");
  expect_assertion([&] { reopened.types().rename_type("NewName", "NoSuchType"); }, "new_ts");
  EXPECT_THROW(reopened.types().rename_type("NewName", "Wider"), dv_err_unmarked_type);
  EXPECT_EQ(reopened.types().find_tag("NewName"), 24u);
  reopened.self_check();
}

TEST(TypeTags, ResetReloadsTagsTakenBack) {
  sized_type taken_back("TakenBack", 8), kept("Kept", 8);
  test_db db;
  _DB_allocator& a = db.create();
  new_object(a, dv_typespec::get_int());  // the image as last saved
  std::vector<char> saved(db.start(), db.start() + db.pages() * DV_PAGE_SIZE);
  dv4u saved_pages = db.pages();
  new_object(a, taken_back.ts());
  ASSERT_EQ(a.types().find_tag("TakenBack"), 24u);
  // An abort puts the saved pages back (the new tag's slot and name with them).
  ASSERT_EQ(db.pages(), saved_pages);
  std::memcpy(db.start(), saved.data(), saved.size());
  a.reset();
  EXPECT_EQ(a.types().find_tag("TakenBack"), 0u);
  new_object(a, kept.ts());
  EXPECT_EQ(a.types().find_tag("Kept"), 24u);
  EXPECT_EQ(a.types().typespec_of(24), kept.ts());
  a.self_check();
}

// A type's tag, once looked up, is kept with the typespec: what is kept must
// follow a rename and a reset in the same open database.
TEST(TypeTags, TagsUsedLatelyFollowRenamesAndResets) {
  sized_type first("UsedFirst", 16), renamed("UsedRenamed", 16), later("UsedLater", 16);
  test_db db;
  _DB_allocator& a = db.create();
  new_object(a, dv_typespec::get_int());
  std::vector<char> saved(db.start(), db.start() + db.pages() * DV_PAGE_SIZE);
  dv4u saved_pages = db.pages();
  new_object(a, first.ts());
  ASSERT_EQ(a.types().tag_of(first.ts()), 24u);
  a.types().rename_type("UsedFirst", "UsedRenamed");
  EXPECT_EQ(a.types().tag_of(renamed.ts()), 24u);
  void* again = new_object(a, first.ts());  // the old name needs a tag of its own now
  EXPECT_EQ(a.types().tag_of(first.ts()), 25u);
  _DB_allocator::object_info info;
  ASSERT_TRUE(a.object_at(again, info));
  EXPECT_EQ(info.ts, first.ts());

  // Taken back: both tags are gone, and the next type used gets 24.
  ASSERT_EQ(db.pages(), saved_pages);
  std::memcpy(db.start(), saved.data(), saved.size());
  a.reset();
  void* other = new_object(a, later.ts());
  EXPECT_EQ(a.types().tag_of(later.ts()), 24u);
  void* renewed = new_object(a, first.ts());
  EXPECT_EQ(a.types().tag_of(first.ts()), 25u);
  ASSERT_TRUE(a.object_at(other, info));
  EXPECT_EQ(info.ts, later.ts());
  ASSERT_TRUE(a.object_at(renewed, info));
  EXPECT_EQ(info.ts, first.ts());
  a.self_check();
}

TEST(TypeTags, ChangeTypespecRetypesInPlace) {
  sized_type sixteen("Sixteen", 16), eight("Eight", 8), empty("Empty", 0);
  test_db db;
  _DB_allocator& a = db.create();
  dv_database* handle = db.dvdb();
  void* array = new_object(a, sixteen.ts(), 4);
  EXPECT_EQ(_VRN_change_typespec(array, handle, sixteen.ts(), 4, eight.ts(), 8), 4u);
  _DB_allocator::object_info info;
  ASSERT_TRUE(a.object_at(array, info));
  EXPECT_EQ(info.ts, eight.ts());
  EXPECT_EQ(info.count, 8u);
  a.self_check();

  test_db other("other.db");
  other.create();
  expect_assertion([&] { _VRN_change_typespec(array, other.dvdb(), eight.ts(), 8, sixteen.ts(), 4); },
                   "dv_database::of(obj) == db");
  expect_assertion([&] { _VRN_change_typespec(array, handle, eight.ts(), 8, sixteen.ts(), 0); }, "count != 0");
  expect_assertion([&] { _VRN_change_typespec(array, handle, sixteen.ts(), 8, eight.ts(), 8); },
                   "old_tag_in_obj == old_tag_from_typespec");
  expect_assertion([&] { _VRN_change_typespec(array, handle, eight.ts(), 8, sixteen.ts(), 5); },
                   "new_sz == ohdr->get_block_size(dba)");
  expect_assertion([&] { _VRN_change_typespec(array, handle, eight.ts(), 7, sixteen.ts(), 4); },
                   "old_cnt_in_obj == old_count");
  void* tiny = new_object(a, dv_typespec::get_char(), 8);
  expect_assertion([&] { _VRN_change_typespec(tiny, handle, dv_typespec::get_char(), 8, empty.ts(), 5000); },
                   "count <= LARGEST_SMALL_ARRAY_COUNT");

  // A block that took 8 extra bytes compares its size without them: 4000
  // bytes on a fresh page leave a free block of 56, of which 48 leave 8.
  new_object(a, dv_typespec::get_char(), 4000);
  void* last = new_object(a, dv_typespec::get_char(), 48);
  ASSERT_TRUE(a.object_at(last, info));
  ASSERT_TRUE(info.block->has_extra_bytes());
  expect_assertion([&] { _VRN_change_typespec(last, handle, dv_typespec::get_char(), 48, sixteen.ts(), 4); },
                   "new_sz == ohdr->get_block_size(dba) - EXTRA_BYTES_IN_BLOCK");
  EXPECT_EQ(_VRN_change_typespec(last, handle, dv_typespec::get_char(), 48, sixteen.ts(), 3), 48u);
  a.self_check();
}
