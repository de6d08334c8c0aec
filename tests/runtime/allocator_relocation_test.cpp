// Guards relocation of pages as they are read: pointers of single objects,
// arrays (with and without a vector header), large objects and plain
// pointer objects follow a move of the whole image; virtual-table pointers
// are stored on every read, also when nothing moved; system pages are left
// alone; the validation walk of the self-check reports illegal pointers and
// writes nothing.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <new>
#include <string>

#include "address_word.h"
#include "alloc_test_db.h"

using namespace dv_qem;
using alloc_test::test_db;

namespace {

struct Link {
  int id;
  Link* next;
  char* name;
};

class Shape {
 public:
  Shape() = default;
  explicit Shape(dv_probe_t) {}
  virtual ~Shape() = default;
  virtual int sides() const { return 0; }
  Shape* neighbour = nullptr;
  int tag = 0;
};

class Square : public Shape {
 public:
  Square() = default;
  explicit Square(dv_probe_t p) : Shape(p) {}
  int sides() const override { return 4; }
};

}  // namespace

DV_DEFINE_TYPESPEC(Link, "Link", DV_POINTERS(offsetof(Link, next), offsetof(Link, name)), DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(Square, "Square", DV_POINTERS(sizeof(void*)), DV_VTABLES(0));

namespace {

template <class T>
T* new_object(_DB_allocator& a, dv4u group = user_page_group) {
  return static_cast<T*>(a.allocate(sizeof(T), &dv_ts<T>::the_instance, 0, group));
}

template <class T>
T* new_array(_DB_allocator& a, dv4u n) {
  return static_cast<T*>(a.allocate(sizeof(T) * n, &dv_ts<T>::the_instance, n, user_page_group));
}

void* vtable_of(const void* object) {
  void* word;
  std::memcpy(&word, object, sizeof word);
  return word;
}

template <class T>
T* moved(T* p, ptrdiff_t delta) {
  return p == nullptr ? nullptr : reinterpret_cast<T*>(reinterpret_cast<char*>(p) + delta);
}

}  // namespace

TEST(Relocation, PointersAndVirtualTablesFollowAMove) {
  test_db from("from.db");
  _DB_allocator& a = from.create();
  char* text = static_cast<char*>(a.allocate(6, dv_typespec::get_char(), 6, user_page_group));
  std::memcpy(text, "hello", 6);
  Link* single = new_object<Link>(a);
  Link* array = new_array<Link>(a, 3);
  auto* with_header = static_cast<Link*>(
      static_cast<void*>(static_cast<char*>(a.allocate(3 * sizeof(Link) + 4, &dv_ts<Link>::the_instance,
                                                        3, user_page_group)) + 4));
  Link* large = new_array<Link>(a, 1000);  // 12000 bytes: a region of 3 pages
  ASSERT_NE(a.large_object_at(a.page_address(a.page_number(large))), nullptr);
  Square* square = ::new (new_object<Square>(a)) Square();
  Square* other = ::new (new_object<Square>(a)) Square();
  auto* plain = static_cast<void**>(a.allocate(4, dv_typespec::get_pointer(), 0, user_page_group));

  single->next = array;
  single->name = text;
  for (int i = 0; i < 3; ++i) {
    array[i].next = &with_header[i];
    with_header[i].next = i < 2 ? &with_header[i + 1] : nullptr;
    with_header[i].name = text + i;
  }
  reinterpret_cast<dv4u*>(with_header)[-1] = 3;  // the vector header, not a pointer
  for (int i = 0; i < 1000; ++i) {
    large[i].id = i;
    large[i].next = i + 1 < 1000 ? &large[i + 1] : single;
  }
  square->neighbour = other;
  other->neighbour = square;
  *plain = large + 500;
  a.self_check();

  test_db to("to.db");
  ptrdiff_t delta = to.start() - from.start();
  ASSERT_NE(delta, 0);
  _DB_allocator& b = to.open_copy_of(from);

  Link* single2 = moved(single, delta);
  Link* array2 = moved(array, delta);
  Link* header2 = moved(with_header, delta);
  Link* large2 = moved(large, delta);
  EXPECT_EQ(single2->next, array2);
  EXPECT_STREQ(single2->name, "hello");
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(array2[i].next, &header2[i]);
    EXPECT_EQ(header2[i].next, i < 2 ? &header2[i + 1] : nullptr);
    EXPECT_EQ(header2[i].name, moved(text, delta) + i);
  }
  EXPECT_EQ(reinterpret_cast<dv4u*>(header2)[-1], 3u);
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(large2[i].id, i);
    ASSERT_EQ(large2[i].next, i + 1 < 1000 ? &large2[i + 1] : single2);
  }
  Square* square2 = moved(square, delta);
  EXPECT_EQ(square2->neighbour, moved(other, delta));
  EXPECT_EQ(square2->neighbour->neighbour, square2);
  EXPECT_EQ(square2->sides(), 4);
  EXPECT_EQ(*moved(plain, delta), large2 + 500);

  // Every user heap records the new start; system pages keep the old one.
  EXPECT_EQ(b.heap_of_page(to.page(a.page_number(single)))->database_start(), to.start());
  EXPECT_EQ(b.heap_of_page(to.page(a.page_number(large)))->database_start(), to.start());
  EXPECT_EQ(b.heap_of_page(to.start())->database_start(), from.start());

  testing::internal::CaptureStderr();
  b.self_check();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(Relocation, VirtualTablesAreStoredAlsoWhenNothingMoved) {
  test_db db;
  _DB_allocator& a = db.create();
  Square* square = ::new (new_object<Square>(a)) Square();
  Square* array = new_array<Square>(a, 3);
  for (int i = 0; i < 3; ++i) ::new (&array[i]) Square();
  square->neighbour = &array[1];
  void* vtable = vtable_of(square);
  // Another run of the program finds other addresses in the words.
  void* stale = reinterpret_cast<void*>(0x1234);
  std::memcpy(static_cast<void*>(square), &stale, sizeof stale);
  for (int i = 0; i < 3; ++i) std::memcpy(static_cast<void*>(&array[i]), &stale, sizeof stale);
  db.reopen();
  EXPECT_EQ(vtable_of(square), vtable);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(vtable_of(&array[i]), vtable);
  EXPECT_EQ(square->neighbour, &array[1]);
  EXPECT_EQ(square->sides(), 4);
}

TEST(Relocation, SystemPagesAreLeftAlone) {
  test_db from("from.db");
  _DB_allocator& a = from.create();
  // A system page holding an address-like word: nothing there is adjusted.
  auto* words = static_cast<char**>(a.allocate(4, dv_typespec::get_unsigned_int(), 0, system_page_group));
  *words = from.start() + 100;
  char* region = static_cast<char*>(a.allocate(9000, dv_typespec::get_char(), 9000, system_page_group));
  std::memcpy(region, words, sizeof *words);
  test_db to("to.db");
  _DB_allocator& b = to.open_copy_of(from);
  ptrdiff_t delta = to.start() - from.start();
  EXPECT_EQ(*moved(words, delta), from.start() + 100);
  EXPECT_EQ(std::memcmp(moved(region, delta), words, sizeof *words), 0);
  char* region_page = moved(region, delta) - PAGE_HEADER_SIZE - OBJECT_HEADER_SIZE;
  EXPECT_EQ(b.heap_of_page(region_page)->database_start(), from.start());
  // Types that would need relocation are refused there.
  EXPECT_THROW(b.allocate(4, dv_typespec::get_pointer(), 0, system_page_group), dv_err_internal);
}

TEST(Relocation, ValidationReportsIllegalPointersAndWritesNothing) {
  test_db db("checked.db");
  _DB_allocator& a = db.create();
  test_db other("other.db");
  _DB_allocator& o = other.create();
  Link* target = new_object<Link>(o);
  static char transient[8];
  // Transient values and pointers into other databases are reported and
  // carried; a wild pointer (past the image, in the database's own range)
  // is reported and fails the check.
  struct row {
    char* value;
    const char* kind;
    bool fails;
  } rows[] = {
      {transient, "transient", false},
      {db.start() + db.pages() * DV_PAGE_SIZE + 4 * DV_PAGE_SIZE, "beyond end of db", true},
      {reinterpret_cast<char*>(target), "cross db", false},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.kind);
    Link* link = new_object<Link>(a);
    link->name = r.value;
    testing::internal::CaptureStderr();
    if (r.fails)
      EXPECT_THROW(a.self_check(), dv_err_illegal_pointer);
    else
      a.self_check();
    std::string out = testing::internal::GetCapturedStderr();
    char expected[160];
    std::snprintf(expected, sizeof expected, "illegal %s ptr 0x%x found at 0x%x:%d in Link\n", r.kind,
                  word_of(r.value), word_of(link), static_cast<int>(offsetof(Link, name)));
    EXPECT_EQ(out, expected);
    EXPECT_EQ(link->name, r.value);
    link->name = nullptr;
  }
}
