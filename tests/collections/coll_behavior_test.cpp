// Guards the behaviour word: printed names, the kind a word selects, how
// words combine, transformed(), and the checked casts to the kind classes
// with their catalogue texts.
#include <gtest/gtest.h>

#include <string>

#include "dv_coll_err.h"
#include "dv_collection.h"
#include "vector_rep.h"

using namespace dv_qem;
using dv_test::vector_rep;

TEST(CollBehavior, NamesOfTheBits) {
  struct Row {
    unsigned word;
    const char* names;
  } rows[] = {
      {0x0, ""},
      {0x2, "allow_duplicates"},
      {0x3, "disallow_duplicates, allow_duplicates"},
      {0x80, "be_an_array"},
      {0x12, "allow_duplicates, "},  // the empty name of 0x10 keeps its separator
      {0x8, "allow_nulls"},
      {0x4, "signal_duplicates"},
      {0x8000, ""},  // only the low eight bits have names
      {0x9f, "disallow_duplicates, allow_duplicates, signal_duplicates, allow_nulls, , be_an_array"},
  };
  for (const Row& r : rows) {
    char buffer[128];
    EXPECT_STREQ(dv_collection::behavior_names(r.word, buffer), r.names) << std::hex << r.word;
  }
}

TEST(CollBehavior, KindOfAWord) {
  struct Row {
    unsigned word;
    const char* kind;
  } rows[] = {
      {0x18, "dv_Array"}, {0x12, "dv_List"}, {0x1a, "dv_Array"}, {0x10, "dv_List"}, {0x2, "dv_Bag"},
      {0x1, "dv_Set"},    {0x4, "dv_Set"},   {0x0, "dv_Set"},    {0x8, "dv_Set"},
  };
  for (const Row& r : rows) {
    char buffer[16];
    EXPECT_STREQ(dv_collection::bits_to_rep(buffer, r.word), r.kind) << std::hex << r.word;
  }
}

TEST(CollBehavior, CombiningWords) {
  struct Row {
    unsigned a, b, combined;
  } rows[] = {
      {0x10, 0x2, 0x2}, {0x18, 0x1a, 0x1a}, {0x10, 0x10, 0x10}, {0x1, 0x4, 0x0}, {0x80, 0x8000, 0x0}, {0x8, 0, 0x8},
  };
  for (const Row& r : rows) EXPECT_EQ(dv_collection::combine_behavior(r.a, r.b), r.combined) << r.a << " " << r.b;
  EXPECT_EQ(dv_collection::modified_behavior(0x12, 0x1234), 0x34u);
  EXPECT_EQ(dv_collection::default_behavior(), 0u);
}

TEST(CollBehavior, TransformedUnlessTheUntransformedBit) {
  vector_rep plain(0x10), untransformed(0x8010);
  EXPECT_EQ(plain.transformed(), 1);
  EXPECT_EQ(untransformed.transformed(), 0);
}

namespace {

enum class cast_to { list, set, bag, array };

// Casts c (const and non-const) and answers the message of the error, or ""
// when the cast was allowed and returned the object itself.
std::string cast_message(dv_collection& c, cast_to to) {
  const dv_collection& cc = c;
  try {
    const void* a = nullptr;
    const void* b = nullptr;
    switch (to) {
      case cast_to::list: a = &static_cast<dv_list&>(c); b = &static_cast<const dv_list&>(cc); break;
      case cast_to::set: a = &static_cast<dv_set&>(c); b = &static_cast<const dv_set&>(cc); break;
      case cast_to::bag: a = &static_cast<dv_bag&>(c); b = &static_cast<const dv_bag&>(cc); break;
      case cast_to::array: a = &static_cast<dv_array&>(c); b = &static_cast<const dv_array&>(cc); break;
    }
    EXPECT_EQ(a, &c);
    EXPECT_EQ(b, &c);
    return "";
  } catch (const dv_err_coll_illegal_cast& e) {
    // the const form must refuse as well
    try {
      switch (to) {
        case cast_to::list: (void)static_cast<const dv_list&>(cc); break;
        case cast_to::set: (void)static_cast<const dv_set&>(cc); break;
        case cast_to::bag: (void)static_cast<const dv_bag&>(cc); break;
        case cast_to::array: (void)static_cast<const dv_array&>(cc); break;
      }
      ADD_FAILURE() << "the const cast was allowed";
    } catch (const dv_err_coll_illegal_cast&) {
    }
    return e.get_report();
  }
}

}  // namespace

TEST(CollBehavior, CastsCheckTheBehaviour) {
  const std::string prefix = "dv_err_coll_illegal_cast - ";
  struct Row {
    unsigned behavior;
    cast_to to;
    const char* text;  // null: allowed
  } rows[] = {
      {0x12, cast_to::list, nullptr},
      {0x18, cast_to::list, nullptr},
      {0x0, cast_to::list, "<err-0024-0240>attempt to cast an unordered collection to an dv_list"},
      {0x0, cast_to::set, nullptr},
      {0x2, cast_to::set, "<err-0024-0245>attempt to cast a collection with duplicates to an dv_set"},
      {0x2, cast_to::bag, nullptr},
      {0x0, cast_to::bag, "<err-0024-0250>attempt to cast a collection without duplicates to an dv_bag"},
      {0x12, cast_to::array, nullptr},  // a list is an array as far as the cast goes
      {0x2, cast_to::array, "<err-0024-0255>attempt to cast a collection without order to an dv_array"},
  };
  for (const Row& r : rows) {
    vector_rep c(r.behavior);
    EXPECT_EQ(cast_message(c, r.to), r.text == nullptr ? "" : prefix + r.text)
        << std::hex << r.behavior << " to " << static_cast<int>(r.to);
  }
}
