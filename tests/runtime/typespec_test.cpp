// Guards type descriptors: registration and lookup by name, initialisation
// (once, or only for a new name), the offset list built from a class's
// declaration with its virtual-table addresses learnt, unregistered copies,
// relocation of pointers by a delta and by an address map, virtual-table
// restoring, hooks (also through the base class), and the built-in types.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <map>

#include "dv_err.h"
#include "dv_typespec.h"
#include "runtime_state.h"
#include "type_registry.h"

using namespace dv_qem;

namespace {

struct Plain {
  int a;
  double b;
};

struct Linked {
  int id;
  Linked* next;
  char* name;
};

class Shape {
 public:
  Shape() = default;
  explicit Shape(dv_probe_t) {}
  virtual ~Shape() = default;
  virtual int sides() const { return 0; }
  Shape* neighbour = nullptr;
};

class Square : public Shape {
 public:
  Square() = default;
  explicit Square(dv_probe_t p) : Shape(p) {}
  int sides() const override { return 4; }
};

}  // namespace

DV_DEFINE_TYPESPEC(Plain, "Plain", DV_NO_POINTERS, DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(Linked, "Linked", DV_POINTERS(offsetof(Linked, next), offsetof(Linked, name)),
                   DV_NO_VTABLES);
DV_DEFINE_TYPESPEC(Square, "dv_qem::Square", DV_POINTERS(sizeof(void*)), DV_VTABLES(0));

namespace {

class MapOf : public dv_address_map {
 public:
  std::map<const void*, void*> moves;
  void* lookup(const void* old) const override {
    auto it = moves.find(old);
    return it == moves.end() ? nullptr : it->second;
  }
};

void* vtable_word(const void* object) {
  void* word;
  std::memcpy(&word, object, sizeof word);
  return word;
}

}  // namespace

TEST(Typespec, DescribesSizeAndPointers) {
  EXPECT_EQ(dv_ts<Plain>::the_instance.get_size(), sizeof(Plain));
  EXPECT_EQ(dv_ts<Plain>::the_instance.needs_relocation(), 0);
  EXPECT_EQ(dv_ts<Linked>::the_instance.needs_relocation(), 1);
  EXPECT_EQ(dv_ts<Square>::the_instance.needs_relocation(), 1);

  const dv4s* offsets = dv_ts<Linked>::the_instance.offsets();
  EXPECT_EQ(offsets[0], static_cast<dv4s>(offsetof(Linked, next)));
  EXPECT_EQ(offsets[1], static_cast<dv4s>(offsetof(Linked, name)));
  EXPECT_EQ(offsets[2], -1);
  EXPECT_EQ(offsets[3], 0);  // no vtable pairs: the terminating pair
  EXPECT_EQ(offsets[4], 0);

  Square probe;
  const dv4s* square = dv_ts<Square>::the_instance.offsets();
  EXPECT_EQ(square[0], 4);
  EXPECT_EQ(square[1], -1);
  EXPECT_EQ(square[2], 0);
  EXPECT_EQ(reinterpret_cast<void*>(square[3]), vtable_word(&probe));
}

TEST(Typespec, FoundByNormalisedName) {
  struct Row {
    const char* name;
    const dv_typespec* want;
  } rows[] = {
      {"Linked", &dv_ts<Linked>::the_instance},
      {"dv_qem::Linked", &dv_ts<Linked>::the_instance},
      {"Square", &dv_ts<Square>::the_instance},
      {"\tSquare\n", &dv_ts<Square>::the_instance},
      {"Linked *", dv_typespec::get_pointer()},
      {"Square&", dv_typespec::get_pointer()},
      {"unsigned int", dv_typespec::get_unsigned_int()},
      {"NoSuchType", nullptr},
  };
  for (const Row& r : rows) EXPECT_EQ(dv_typespec::get_typespec(r.name), r.want) << r.name;
}

TEST(Typespec, RelocationAddsDeltaAndKeepsNulls) {
  Linked object{7, reinterpret_cast<Linked*>(0x30001000), nullptr};
  dv_ts<Linked>::the_instance.do_relocation(&object, 0x100000);
  EXPECT_EQ(object.next, reinterpret_cast<Linked*>(0x30101000));
  EXPECT_EQ(object.name, nullptr);
  EXPECT_EQ(object.id, 7);
}

TEST(Typespec, RelocationRestoresVirtualTablesAtDeltaZero) {
  Square square;
  void* right = vtable_word(&square);
  void* stale = reinterpret_cast<void*>(0x12345678);
  std::memcpy(static_cast<void*>(&square), &stale, sizeof stale);  // as read from a file
  dv_ts<Square>::the_instance.do_relocation(&square, 0);
  EXPECT_EQ(vtable_word(&square), right);
  EXPECT_EQ(static_cast<Shape&>(square).sides(), 4);
}

TEST(Typespec, RelocationByMapTranslatesKnownPointers) {
  Linked a{1, nullptr, nullptr}, b{2, nullptr, nullptr}, c{3, nullptr, nullptr};
  Linked object{0, &a, reinterpret_cast<char*>(&b)};
  MapOf map;
  map.moves[&a] = &c;
  map.moves[&b] = reinterpret_cast<void*>(-1);  // becomes null
  dv_ts<Linked>::the_instance.do_relocation(&object, &map);
  EXPECT_EQ(object.next, &c);
  EXPECT_EQ(object.name, nullptr);

  void* word = &a;
  dv_typespec::get_pointer()->do_relocation(&word, &map);
  EXPECT_EQ(word, &c);
}

TEST(Typespec, HooksRunAroundRelocation) {
  static std::string order;
  order.clear();
  dv_basic_typespec& ts = dv_ts<Linked>::the_instance;
  ts._set_fetch_hook(0, [](void*, int delta, void*) { order += "before " + std::to_string(delta) + ";"; }, nullptr);
  ts._set_fetch_hook(1, [](void*, int, void* data) { order += static_cast<const char*>(data); },
                     const_cast<char*>("after;"));
  EXPECT_EQ(ts.needs_relocation(), 1);
  Linked object{0, nullptr, nullptr};
  ts.do_relocation(&object, 8);
  EXPECT_EQ(order, "before 8;after;");
  ts._unset_fetch_hook(0);
  ts._unset_fetch_hook(1);

  dv_basic_typespec& plain = dv_ts<Plain>::the_instance;
  plain._set_fetch_hook(1, [](void*, int, void*) {}, nullptr);
  EXPECT_EQ(plain.needs_relocation(), 1);  // a hook alone makes relocation needed
  plain._unset_fetch_hook(1);
  EXPECT_EQ(plain.needs_relocation(), 0);

  try {
    ts._set_fetch_hook(2, nullptr, nullptr);
    FAIL();
  } catch (const dv_err_relocation& e) {
    EXPECT_STREQ(e.get_report(), "dv_err_relocation - Illegal hook type 2 in set_fetch_hook().");
  }
  try {
    ts._unset_fetch_hook(-1);
    FAIL();
  } catch (const dv_err_relocation& e) {
    EXPECT_STREQ(e.get_report(), "dv_err_relocation - Illegal hook type -1 in unset_fetch_hook().");
  }
}

TEST(Typespec, BuiltinsAndTheFixedTagTable) {
  EXPECT_STREQ(dv_typespec::get_long_double()->get_name(), "double");
  EXPECT_EQ(dv_typespec::get_long_double()->get_size(), 8u);
  EXPECT_EQ(dv_typespec::get_pointer()->needs_relocation(), 1);
  EXPECT_EQ(dv_typespec::get_signed_short()->get_size(), 2u);

  EXPECT_EQ(dv_typespec::builtin_tag_name(0), nullptr);
  EXPECT_STREQ(dv_typespec::builtin_tag_name(6), "void*");
  EXPECT_EQ(dv_typespec::builtin_tag_size(17), 1204u);
  EXPECT_EQ(dv_typespec::builtin_tag_name(24), nullptr);
  // Every built-in tag except "long double" (stored as double) resolves by name.
  for (dv2u tag = 1; tag < 24; ++tag) {
    if (tag == 16) continue;
    const dv_typespec* ts = dv_typespec::get_typespec(dv_typespec::builtin_tag_name(tag));
    ASSERT_NE(ts, nullptr) << tag;
    EXPECT_EQ(ts->get_size(), dv_typespec::builtin_tag_size(tag)) << tag;
  }
}

TEST(Typespec, SystemTypesCannotBeRetyped) {
  const dv_typespec* root = dv_typespec::get_typespec("_DB_root");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->needs_relocation(), 0);
  MapOf map;
  char record[12] = {};
  EXPECT_THROW(const_cast<dv_typespec*>(root)->do_relocation(record, &map), dv_err_not_supported);
  EXPECT_THROW(_Reloc_missing_virtual_function(), dv_err_not_supported);
}

TEST(Typespec, SetNameKeepsItsOwnCopy) {
  char name[] = "Renamed";
  dv_basic_typespec ts("Temporary", 4, {}, {}, nullptr);
  ts.set_name(name);
  name[0] = 'X';
  EXPECT_STREQ(ts.get_name(), "Renamed");
  EXPECT_EQ(dv_typespec::get_typespec("Renamed"), &ts);
}

namespace {

// How often ts itself stands in the registry.
int registrations_of(const dv_typespec* ts) {
  static const dv_typespec* wanted;
  static int count;
  wanted = ts;
  count = 0;
  _Type_registry::for_each_type([](const dv_typespec* t) { count += t == wanted; });
  return count;
}

}  // namespace

TEST(Typespec, InitialisingAgainRegistersNothingMore) {
  dv_basic_typespec& ts = dv_ts<Square>::the_instance;
  EXPECT_EQ(registrations_of(&ts), 1);
  ts.initialize();
  ts.initialize_nvt();
  EXPECT_EQ(registrations_of(&ts), 1);
  EXPECT_EQ(dv_typespec::get_typespec("Square"), &ts);
}

TEST(Typespec, ACopyIsUnregisteredUntilInitialisedUnderAFreeName) {
  const dv_basic_typespec& original = dv_ts<Square>::the_instance;
  dv_basic_typespec copy(&original, 8);
  EXPECT_STREQ(copy.get_name(), "dv_qem::Square");
  EXPECT_NE(copy.get_name(), original.get_name()) << "a heap copy of the name";
  EXPECT_EQ(copy.get_size(), original.get_size());
  EXPECT_EQ(copy.needs_relocation(), 1);
  const dv4s want[8] = {4, -1, 0, original.offsets()[3], 0, 0, 0, 0};  // room beyond the list is zero
  for (int i = 0; i < 8; ++i) EXPECT_EQ(copy.offsets()[i], want[i]) << "entry " << i;
  EXPECT_EQ(registrations_of(&copy), 0);

  copy.initialize_nvt();  // the name is taken by the original
  EXPECT_EQ(registrations_of(&copy), 0);
  EXPECT_EQ(dv_typespec::get_typespec("Square"), &original);

  copy.set_name("SquareCopy");
  copy.initialize_nvt();
  EXPECT_EQ(registrations_of(&copy), 1);
  EXPECT_EQ(dv_typespec::get_typespec("SquareCopy"), &copy);

  Square square;
  void* stale = reinterpret_cast<void*>(0x12345678);
  std::memcpy(static_cast<void*>(&square), &stale, sizeof stale);
  copy.do_relocation(&square, 0);
  EXPECT_EQ(static_cast<Shape&>(square).sides(), 4) << "the copy restores virtual tables too";
}

TEST(Typespec, ACopyNeedsRoomForTheWholeList) {
  try {
    dv_basic_typespec copy(&dv_ts<Linked>::the_instance, 4);  // the list has 5 entries
    FAIL() << "copied into too little room";
  } catch (const dv_err_internal& e) {
    EXPECT_STREQ(e.get_report(),
                 "dv_err_internal - A copy of the typespec Linked needs room for 5 offset entries, not 4");
  }
  EXPECT_EQ(dv_typespec::get_typespec("Linked"), &dv_ts<Linked>::the_instance);
}

TEST(Typespec, FixupPointersLearnsEachPairsVirtualTable) {
  Square probe;
  dv4s pairs[] = {0, -1, 0, 0};
  dv_ts<Square>::the_instance.fixup_pointers(pairs);
  EXPECT_EQ(reinterpret_cast<void*>(pairs[1]), vtable_word(&probe));
  EXPECT_EQ(pairs[0], 0);
  EXPECT_EQ(pairs[2], 0);
  EXPECT_EQ(pairs[3], 0);
}

TEST(Typespec, HooksAreReachedThroughTheBaseClass) {
  static int runs;
  runs = 0;
  dv_typespec& ts = dv_ts<Linked>::the_instance;
  ts._set_fetch_hook(1, [](void*, int, void*) { ++runs; }, nullptr);
  Linked object{0, nullptr, nullptr};
  ts.do_relocation(&object, 0);
  EXPECT_EQ(runs, 1);
  ts._unset_fetch_hook(1);
  ts.do_relocation(&object, 0);
  EXPECT_EQ(runs, 1);
  EXPECT_THROW(ts._set_fetch_hook(3, nullptr, nullptr), dv_err_relocation);
  EXPECT_THROW(ts._unset_fetch_hook(2), dv_err_relocation);
}
