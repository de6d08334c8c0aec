// Guards the operation-message catalogue and dv_coll_raise: every message
// raises its global's class with "<class> - " and its text filled in, its tag
// is well formed, the directive parsing, and exact messages of typical raises.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <regex>
#include <string>

#include "coll_messages.h"

using namespace dv_qem;

namespace {

// The report of what raise throws, caught as exactly E.
template <class E>
std::string report_as(const std::function<void()>& raise) {
  try {
    raise();
  } catch (const E& e) {
    return e.get_report();
  } catch (const dv_err& e) {
    return std::string("(other class) ") + e.get_report();
  }
  return "(not thrown)";
}

// Sample arguments by directive kind and how they print.
template <_Coll_arg_kind K>
auto sample() {
  if constexpr (K == _Coll_arg_kind::string)
    return "S";
  else if constexpr (K == _Coll_arg_kind::signed_int)
    return -7;
  else if constexpr (K == _Coll_arg_kind::unsigned_int)
    return 0x2au;
  else
    return static_cast<const void*>(nullptr);
}

std::string fill_samples(std::string text) {
  const std::pair<const char*, const char*> printed[] = {{"%s", "S"}, {"%d", "-7"}, {"%#x", "0x2a"}, {"%x", "2a"}};
  for (const auto& [directive, value] : printed)
    for (size_t at; (at = text.find(directive)) != std::string::npos;) text.replace(at, strlen(directive), value);
  return text;
}

template <const auto& M>
void raise_with_samples() {
  if constexpr (M.arg_count == 0)
    dv_coll_raise<M>();
  else if constexpr (M.arg_count == 1)
    dv_coll_raise<M>(sample<M.args[0]>());
  else
    dv_coll_raise<M>(sample<M.args[0]>(), sample<M.args[1]>());
}

// The class name a global's signal writes in front of the text.
template <class E>
std::string class_prefix(E& global) {
  return report_as<E>([&] { global.signal("%s", ""); });
}

struct MessageRow {
  const char* name;
  const char* text;
  std::string prefix;            // "<class> - "
  std::function<std::string()> raised;  // report of raising with samples, caught as the global's class
};

#define ROW(NAME, GLOBAL, TEXT)                                                           \
  {#NAME, TEXT, class_prefix(GLOBAL), [] {                                                \
     return report_as<std::remove_reference_t<decltype(GLOBAL)>>(                         \
         [] { raise_with_samples<coll_msg::NAME>(); });                                   \
   }},

std::vector<MessageRow> all_messages() { return {DV_COLL_MESSAGES(ROW)}; }
#undef ROW

constexpr _Coll_message<dv_err_coll> kPercent{err_coll, "100%% of %s, %5d"};
constexpr _Coll_message<dv_err_coll_internal> kPointer{err_coll_internal, "at %p"};

}  // namespace

TEST(CollMessages, EveryMessageRaisesItsClassWithItsText) {
  std::vector<MessageRow> rows = all_messages();
  EXPECT_GE(rows.size(), 80u);
  for (const MessageRow& r : rows) {
    EXPECT_EQ(r.prefix.rfind("dv_err_", 0), 0u) << r.name;
    EXPECT_EQ(r.raised(), r.prefix + fill_samples(r.text)) << r.name;
  }
}

TEST(CollMessages, TagsAreWellFormed) {
  std::regex tag("<(err|maint)-(0023|0024)-[0-9]{4}>.*");
  for (const MessageRow& r : all_messages()) {
    if (std::string(r.name) == "btree_internal") continue;  // "dv_btree - %s"
    EXPECT_TRUE(std::regex_match(r.text, tag)) << r.name << ": " << r.text;
  }
}

TEST(CollMessages, DirectivesAreCountedByKind) {
  static_assert(coll_msg::rank_function_missing.arg_count == 0);
  static_assert(coll_msg::insert_after_not_supported_by.arg_count == 1);
  static_assert(coll_msg::insert_after_not_supported_by.args[0] == _Coll_arg_kind::string);
  static_assert(coll_msg::retrieve_out_of_range.arg_count == 2);
  static_assert(coll_msg::retrieve_out_of_range.args[1] == _Coll_arg_kind::signed_int);
  static_assert(coll_msg::insert_duplicate.args[0] == _Coll_arg_kind::unsigned_int);
  static_assert(kPercent.arg_count == 2);  // "%%" takes nothing
  static_assert(kPointer.args[0] == _Coll_arg_kind::pointer);
  EXPECT_EQ(report_as<dv_err_coll>([] { dv_coll_raise<kPercent>("all", 42); }),
            "dv_err_coll - 100% of all,    42");
}

TEST(CollMessages, TypicalRaisesGiveExactMessages) {
  int element = 0;
  const void* element_address = &element;
  char expected_duplicate[128];
  std::snprintf(expected_duplicate, sizeof expected_duplicate,
                "dv_err_coll_duplicates - <err-0024-0365>insertion of %#x would have resulted in duplication of "
                "the element",
                static_cast<unsigned>(reinterpret_cast<uintptr_t>(element_address)));
  struct Row {
    std::string got;
    std::string want;
  } rows[] = {
      {report_as<dv_err_coll_not_supported>(
           [] { dv_coll_raise<coll_msg::insert_after_not_supported_by>("dv_btree"); }),
       "dv_err_coll_not_supported - <err-0024-0285>insert_after() not supported by dv_btree"},
      {report_as<dv_err_coll_out_of_range>([] { dv_coll_raise<coll_msg::retrieve_out_of_range>(7, 3); }),
       "dv_err_coll_out_of_range - <err-0024-1985>subscript 7 out of range in retrieve (cardinality = 3)"},
      {report_as<dv_err_coll_duplicates>([&] { dv_coll_raise<coll_msg::insert_duplicate>(element_address); }),
       expected_duplicate},
      {report_as<dv_err_coll>([] { dv_coll_raise<coll_msg::rank_function_missing>(); }),
       "dv_err_coll - <err-0024-0965>A rank function is missing"},
      {report_as<dv_err_coll>([] { dv_coll_raise<coll_msg::key_functions_missing>("unsigned"); }),
       "dv_err_coll - <err-0024-0975>Missing rank and hash functions for key type unsigned"},
      {report_as<dv_err_coll_internal>(
           [] { dv_coll_raise<coll_msg::btree_internal>("Missing dv_cluster pointer"); }),
       "dv_err_coll_internal - dv_btree - Missing dv_cluster pointer"},
      {report_as<dv_err_am_restriction>([] { dv_coll_raise<coll_msg::btree_find_last_restriction>(); }),
       "dv_err_am_restriction - <maint-0023-3685>invalid_restriction in Cbtree::find_last"},
      {report_as<dv_err_null_pointer>([] { dv_coll_raise<coll_msg::cursor_on_null_collection>(); }),
       "dv_err_null_pointer - <err-0024-0835>dv_collection at address 0 passed to a cursor constructor"},
      {report_as<dv_err_coll_internal>([] { dv_coll_raise<kPointer>(static_cast<const void*>(nullptr)); }),
       "dv_err_coll_internal - at (nil)"},
  };
  for (const Row& r : rows) EXPECT_EQ(r.got, r.want);
}

TEST(CollMessages, AHandlerForTheBaseCatchesARaisedMessage) {
  EXPECT_EQ(report_as<dv_err_am>([] { dv_coll_raise<coll_msg::rhash_insert_duplicate_key>(); }),
            "dv_err_am_dup_key - <maint-0023-4470>Duplicate key found in _Rhash::insert");
  EXPECT_EQ(report_as<dv_err_coll>([] { dv_coll_raise<coll_msg::node_insert_duplicate_key>(); }),
            "dv_err_am_dup_key - <err-0024-3637>duplicate key in node::insert");
}
