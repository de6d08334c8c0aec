// Guards the operation-message catalogue and dv_coll_raise: every message
// raises its global's class with "<class> - " and its text filled in, its tag
// is well formed, a sample of entries against their texts and classes written
// out here, the directive parsing, and exact messages of typical raises.
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
    // "dv_btree - %s" and "coll internal error" carry no tag.
    if (std::string(r.name) == "btree_internal" || std::string(r.name) == "internal_error") continue;
    EXPECT_TRUE(std::regex_match(r.text, tag)) << r.name << ": " << r.text;
  }
}

// The other tests build what they expect from the catalogue itself; this one
// holds a sample of entries as they must read, so a wrong entry shows.
TEST(CollMessages, SampledEntriesReadAsWrittenOutHere) {
  struct Row {
    std::string raised;  // report of raising the entry with the arguments shown
    const char* want;
  } rows[] = {
      {report_as<dv_err_am>([] { dv_coll_raise<coll_msg::am_slots_not_prime>(); }),
       "dv_err_am - <err-0023-0005> Number of slots must be prime"},
      {report_as<dv_err_coll_illegal_cursor>([] { dv_coll_raise<coll_msg::insert_before_illegal_cursor>(); }),
       "dv_err_coll_illegal_cursor - <err-0024-0008>insert_before() invoked with an illegal cursor"},
      {report_as<dv_err_coll_not_supported>([] { dv_coll_raise<coll_msg::user_rep_entrypoint_unsupported>(); }),
       "dv_err_coll_not_supported - <err-0024-0022>Unsupported entrypoint for user defined collection rep"},
      {report_as<dv_err_coll_illegal_cast>([] { dv_coll_raise<coll_msg::cast_unordered_to_array>(); }),
       "dv_err_coll_illegal_cast - <err-0024-0255>attempt to cast a collection without order to an dv_array"},
      {report_as<dv_err_coll_not_supported>([] { dv_coll_raise<coll_msg::retrieve_first_unordered>("user_rep"); }),
       "dv_err_coll_not_supported - <err-0024-0325>user_rep::retrieve_first() attempted on an unordered collectio"},
      {report_as<dv_err_coll_not_implemented_yet>([] { dv_coll_raise<coll_msg::ordered_cursor_operations>(); }),
       "dv_err_coll_not_implemented_yet - <err-0024-0845>collection cursor operations with ordered and order by "
       "address cursors are not supported"},
      {report_as<dv_err_coll_illegal_cursor>([] { dv_coll_raise<coll_msg::remove_at_deletd_element>(); }),
       "dv_err_coll_illegal_cursor - <err-0024-1210>remove_at() invoked with the cursor positioned at a deletd "
       "element"},
      {report_as<dv_err_coll_illegal_arg>([] { dv_coll_raise<coll_msg::growth_below_cardinality>(5, 6); }),
       "dv_err_coll_illegal_arg - <err-0024-1915>size specified for growth(5) < collection cardinality(6)"},
      {report_as<dv_err_coll_illegal_cursor>([] { dv_coll_raise<coll_msg::iterate_off_range_unordered>(); }),
       "dv_err_coll_illegal_cursor - <err-0024-3634>dv_cursor::iterate_off_range is only valid for an ordered "
       "dictionary cursor "},
      {report_as<dv_err_cursor>([] { dv_coll_raise<coll_msg::invalid_cursor_type>(); }),
       "dv_err_cursor - <err-0024-3640> Invalid cursor type found during cursor iteration"},
      {report_as<dv_err_am>([] { dv_coll_raise<coll_msg::slot_type_without_duplicates>(); }),
       "dv_err_am - <maint-0023-0018>Slot type does not support allow duplicate behavior."},
      {report_as<dv_err_am>([] { dv_coll_raise<coll_msg::oflo_list_remove_inconsistent>(0x2au); }),
       "dv_err_am - <maint-0023-4430>Inconsistency removing object 0x2a from index; detected in "
       "_RH_oflo_list::remove();"},
      {report_as<dv_err_am_empty>([] { dv_coll_raise<coll_msg::rhash_only_empty>(); }),
       "dv_err_am_empty - <maint-0023-4405>hash table empty, in _Rhash::only"},
      {report_as<dv_err_cursor>([] { dv_coll_raise<coll_msg::component_cursor_reset>(); }),
       "dv_err_cursor - <maint-0024-0780>cursor_exception in _Component_cursor::reset (2)"},
      {report_as<dv_err_coll_internal>([] { dv_coll_raise<coll_msg::list_cardinality>(); }),
       "dv_err_coll_internal - <maint-0024-2010>cardinality() is incorrect"},
      {report_as<dv_err_coll_internal>([] { _Coll_internal_error("a sample"); }),
       "dv_err_coll_internal - coll internal error"},
  };
  for (const Row& r : rows) EXPECT_EQ(r.raised, r.want);
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
