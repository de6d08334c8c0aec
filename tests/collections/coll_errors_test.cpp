// Guards the collection error classes: which handler catches each class (the
// whole tree, each class against every class), the message format of signal
// and vsignal, the global objects (their names as messages before and after
// the catalogue is registered, and no global for dv_err_address_space_full),
// the registration tables, and copying.
#include <gtest/gtest.h>
#include <dlfcn.h>

#include <cstdarg>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "coll_error_registry.h"
#include "coll_startup.h"
#include "dv_coll_err.h"

using namespace dv_qem;

namespace {

template <class K>
bool catches(void (*raise)()) {
  try {
    raise();
  } catch (const K&) {
    return true;
  } catch (...) {
    return false;
  }
  return false;
}

struct ClassRow {
  const char* name;
  const char* base;     // null for dv_err
  const char* global;   // null when the class has none
  void (*raise)();      // throws the class with the message "m 1"; null for dv_err
  bool (*caught_as_this)(void (*raise)());
};

// The expected tree, one row per class: (class, direct base, global).
#define ROW(C, BASE, G) {#C, #BASE, #G, [] { G.signal("m %d", 1); }, catches<C>},
const ClassRow kClasses[] = {
    {"dv_err", nullptr, nullptr, nullptr, catches<dv_err>},
    {"dv_err_address_space_full", "dv_err", nullptr, [] { throw dv_err_address_space_full("m %d", 1); },
     catches<dv_err_address_space_full>},
    ROW(dv_err_am, dv_err_coll, err_am)
    ROW(dv_err_am_bad_cursor, dv_err_am, err_am_bad_cursor)
    ROW(dv_err_am_corrupt, dv_err_am, err_am_corrupt)
    ROW(dv_err_am_dup_key, dv_err_am, err_am_dup_key)
    ROW(dv_err_am_dup_key_item, dv_err_am_dup_key, err_am_dup_key_item)
    ROW(dv_err_am_empty, dv_err_am, err_am_empty)
    ROW(dv_err_am_key, dv_err_am, err_am_key)
    ROW(dv_err_am_no_key, dv_err_am, err_am_no_key)
    ROW(dv_err_am_no_mark, dv_err_am, err_am_no_mark)
    ROW(dv_err_am_no_prev, dv_err_am, err_am_no_prev)
    ROW(dv_err_am_not_singleton, dv_err_am, err_am_not_singleton)
    ROW(dv_err_am_null_cursor, dv_err_am, err_am_null_cursor)
    ROW(dv_err_am_restriction, dv_err_am, err_am_restriction)
    ROW(dv_err_am_rhash_range_full, dv_err_coll, err_am_rhash_range_full)
    ROW(dv_err_coll, dv_err, err_coll)
    ROW(dv_err_coll_add_index_in_progress, dv_err_coll, err_coll_add_index_in_progress)
    ROW(dv_err_coll_behavior_inconsistency, dv_err_coll, err_coll_behavior_inconsistency)
    ROW(dv_err_coll_cannot_grow_collection, dv_err_coll, err_coll_cannot_grow_collection)
    ROW(dv_err_coll_cannot_mutate_collection, dv_err_coll, err_coll_cannot_mutate_collection)
    ROW(dv_err_coll_dangling_pointer, dv_err_coll, err_coll_dangling_pointer)
    ROW(dv_err_coll_duplicates, dv_err_coll, err_coll_duplicates)
    ROW(dv_err_coll_empty, dv_err_coll, err_coll_empty)
    ROW(dv_err_coll_evolve, dv_err_coll, err_coll_evolve)
    ROW(dv_err_coll_evolve_not_implemented_yet, dv_err_coll_evolve, err_coll_evolve_not_implemented_yet)
    ROW(dv_err_coll_illegal_arg, dv_err_coll, err_coll_illegal_arg)
    ROW(dv_err_coll_illegal_cast, dv_err_coll, err_coll_illegal_cast)
    ROW(dv_err_coll_illegal_cursor, dv_err_coll, err_coll_illegal_cursor)
    ROW(dv_err_coll_illegal_query_expression, dv_err_coll, err_coll_illegal_query_expression)
    ROW(dv_err_coll_illegal_update, dv_err_coll, err_coll_illegal_update)
    ROW(dv_err_coll_inconsistent_hash_values, dv_err_coll, err_coll_inconsistent_hash_values)
    ROW(dv_err_coll_index_only, dv_err_coll, err_coll_index_only)
    ROW(dv_err_coll_internal, dv_err_coll, err_coll_internal)
    ROW(dv_err_coll_internal_list, dv_err_coll_internal, err_coll_internal_list)
    ROW(dv_err_coll_missing_assign, dv_err_coll, err_coll_missing_assign)
    ROW(dv_err_coll_none_qualifying, dv_err_coll_internal, err_coll_none_qualifying)
    ROW(dv_err_coll_not_implemented_yet, dv_err_coll, err_coll_not_implemented_yet)
    ROW(dv_err_coll_not_ordered, dv_err_coll, err_coll_not_ordered)
    ROW(dv_err_coll_not_singleton, dv_err_coll, err_coll_not_singleton)
    ROW(dv_err_coll_not_supported, dv_err_coll, err_coll_not_supported)
    ROW(dv_err_coll_null_cursor, dv_err_coll, err_coll_null_cursor)
    ROW(dv_err_coll_nulls, dv_err_coll, err_coll_nulls)
    ROW(dv_err_coll_out_of_range, dv_err_coll, err_coll_out_of_range)
    ROW(dv_err_coll_path_interp, dv_err_coll_internal, err_coll_path_interp)
    ROW(dv_err_coll_prot_curs, dv_err_coll, err_coll_prot_curs)
    ROW(dv_err_coll_query_bind, dv_err_coll, err_coll_query_bind)
    ROW(dv_err_coll_query_evaluate, dv_err_coll, err_coll_query_evaluate)
    ROW(dv_err_coll_scan, dv_err_coll_internal, err_coll_scan)
    ROW(dv_err_coll_trans_cursor, dv_err_coll, err_coll_trans_cursor)
    ROW(dv_err_coll_verification, dv_err_coll, err_coll_verification)
    ROW(dv_err_cursor, dv_err_coll, err_cursor)
    ROW(dv_err_cursor_ambiguous, dv_err_coll, err_cursor_ambiguous)
    ROW(dv_err_cursor_internal, dv_err_cursor, err_cursor_internal)
    ROW(dv_err_cursor_not_implemented_yet, dv_err_cursor, err_cursor_not_implemented_yet)
    ROW(dv_err_cursor_restricted, dv_err_coll, err_cursor_restricted)
    ROW(dv_err_illegal_index_path, dv_err_coll, err_illegal_index_path)
    ROW(dv_err_index, dv_err, err_index)
    ROW(dv_err_index_duplicate_key, dv_err_coll, err_index_duplicate_key)
    ROW(dv_err_index_evolve, dv_err_index, err_index_evolve)
    ROW(dv_err_index_evolve_not_implemented_yet, dv_err_index_evolve, err_index_evolve_not_implemented_yet)
    ROW(dv_err_index_invalid_ordering, dv_err_coll, err_index_invalid_ordering)
    ROW(dv_err_index_miscellaneous, dv_err_coll, err_index_miscellaneous)
    ROW(dv_err_index_wrong_kind, dv_err_coll_not_implemented_yet, err_index_wrong_kind)
    ROW(dv_err_null_cursor, dv_err_cursor, err_null_cursor)
    ROW(dv_err_null_pointer, dv_err, err_null_pointer)
    ROW(dv_err_open_iteration, dv_err_coll, err_open_iteration)
};
#undef ROW

// Every global object with its expected name.
struct GlobalRow {
  const dv_err* global;
  const char* name;
};
#define GLOBAL(G) {&G, #G},
const GlobalRow kGlobals[] = {
    GLOBAL(err_am)
    GLOBAL(err_am_bad_cursor)
    GLOBAL(err_am_corrupt)
    GLOBAL(err_am_dup_key)
    GLOBAL(err_am_dup_key_item)
    GLOBAL(err_am_empty)
    GLOBAL(err_am_key)
    GLOBAL(err_am_no_key)
    GLOBAL(err_am_no_mark)
    GLOBAL(err_am_no_prev)
    GLOBAL(err_am_not_singleton)
    GLOBAL(err_am_null_cursor)
    GLOBAL(err_am_restriction)
    GLOBAL(err_am_rhash_range_full)
    GLOBAL(err_coll)
    GLOBAL(err_coll_add_index_in_progress)
    GLOBAL(err_coll_behavior_inconsistency)
    GLOBAL(err_coll_cannot_grow_collection)
    GLOBAL(err_coll_cannot_mutate_collection)
    GLOBAL(err_coll_dangling_pointer)
    GLOBAL(err_coll_duplicates)
    GLOBAL(err_coll_empty)
    GLOBAL(err_coll_evolve)
    GLOBAL(err_coll_evolve_not_implemented_yet)
    GLOBAL(err_coll_illegal_arg)
    GLOBAL(err_coll_illegal_cast)
    GLOBAL(err_coll_illegal_cursor)
    GLOBAL(err_coll_illegal_query_expression)
    GLOBAL(err_coll_illegal_update)
    GLOBAL(err_coll_inconsistent_hash_values)
    GLOBAL(err_coll_index_only)
    GLOBAL(err_coll_internal)
    GLOBAL(err_coll_internal_list)
    GLOBAL(err_coll_missing_assign)
    GLOBAL(err_coll_none_qualifying)
    GLOBAL(err_coll_not_implemented_yet)
    GLOBAL(err_coll_not_ordered)
    GLOBAL(err_coll_not_singleton)
    GLOBAL(err_coll_not_supported)
    GLOBAL(err_coll_null_cursor)
    GLOBAL(err_coll_nulls)
    GLOBAL(err_coll_out_of_range)
    GLOBAL(err_coll_path_interp)
    GLOBAL(err_coll_prot_curs)
    GLOBAL(err_coll_query_bind)
    GLOBAL(err_coll_query_evaluate)
    GLOBAL(err_coll_scan)
    GLOBAL(err_coll_trans_cursor)
    GLOBAL(err_coll_verification)
    GLOBAL(err_cursor)
    GLOBAL(err_cursor_ambiguous)
    GLOBAL(err_cursor_internal)
    GLOBAL(err_cursor_not_implemented_yet)
    GLOBAL(err_cursor_restricted)
    GLOBAL(err_illegal_index_path)
    GLOBAL(err_index)
    GLOBAL(err_index_duplicate_key)
    GLOBAL(err_index_evolve)
    GLOBAL(err_index_evolve_not_implemented_yet)
    GLOBAL(err_index_invalid_ordering)
    GLOBAL(err_index_miscellaneous)
    GLOBAL(err_index_wrong_kind)
    GLOBAL(err_null_cursor)
    GLOBAL(err_null_pointer)
    GLOBAL(err_open_iteration)
};
#undef GLOBAL

// The class names from row's class up to dv_err.
std::set<std::string> ancestors(const ClassRow& row) {
  std::map<std::string, const char*> base_of;
  for (const ClassRow& r : kClasses) base_of[r.name] = r.base;
  std::set<std::string> chain;
  for (const char* c = row.name; c != nullptr; c = base_of.at(c)) chain.insert(c);
  return chain;
}

std::string signalled_report(dv_err_coll_not_supported& global, const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  try {
    global.vsignal(fmt, args);
  } catch (const dv_err_coll_not_supported& e) {
    va_end(args);
    return e.get_report();
  }
  va_end(args);
  return "(not thrown)";
}

}  // namespace

TEST(CollErrors, TheTreeHasSixtySixClassesAndSixtyFiveGlobals) {
  EXPECT_EQ(std::size(kClasses), 67u);  // with dv_err
  EXPECT_EQ(std::size(kGlobals), 65u);
}

TEST(CollErrors, EveryClassIsCaughtExactlyAsItselfAndEachOfItsBases) {
  for (const ClassRow& thrown : kClasses) {
    if (thrown.raise == nullptr) continue;
    std::set<std::string> chain = ancestors(thrown);
    for (const ClassRow& handler : kClasses)
      EXPECT_EQ(handler.caught_as_this(thrown.raise), chain.count(handler.name) == 1)
          << thrown.name << " caught by a handler for " << handler.name;
  }
}

TEST(CollErrors, SignalMessageIsTheClassNameAndTheFormattedText) {
  for (const ClassRow& row : kClasses) {
    if (row.raise == nullptr) continue;
    try {
      row.raise();
      ADD_FAILURE() << row.name << " was not thrown";
    } catch (const dv_err& e) {
      EXPECT_EQ(std::string(e.get_report()), std::string(row.name) + " - m 1");
    }
  }
}

TEST(CollErrors, SignalWithACatalogueTextIsCaughtAsItsBases) {
  static constexpr char text[] = "<err-0024-0285>insert_after() not supported by %s";
  EXPECT_TRUE(catches<dv_err_coll>([] { err_coll_not_supported.signal(text, "dv_btree"); }));
  EXPECT_TRUE(catches<dv_err>([] { err_coll_not_supported.signal(text, "dv_btree"); }));
  EXPECT_EQ(signalled_report(err_coll_not_supported, text, "dv_btree"),
            "dv_err_coll_not_supported - <err-0024-0285>insert_after() not supported by dv_btree");
  EXPECT_EQ(signalled_report(err_coll_not_supported, "%d of %s", 3, "x"),
            "dv_err_coll_not_supported - 3 of x");
}

TEST(CollErrors, GlobalsHoldTheirOwnNamesBeforeAndAfterRegistration) {
  for (const GlobalRow& g : kGlobals) EXPECT_STREQ(g.global->get_report(), g.name);
  _VRN_coll_initialize();
  _VRN_register_coll_errors();  // registering again changes nothing either
  for (const GlobalRow& g : kGlobals) EXPECT_STREQ(g.global->get_report(), g.name);
  EXPECT_STREQ(err_coll.get_report(), "err_coll");
}

TEST(CollErrors, SignallingDoesNotTouchTheGlobal) {
  EXPECT_FALSE(catches<dv_err_index>([] { err_index_duplicate_key.signal("dup"); }));
  EXPECT_STREQ(err_index_duplicate_key.get_report(), "err_index_duplicate_key");
}

TEST(CollErrors, OnlyTheAddressSpaceFullClassHasNoGlobalObject) {
  auto exported = [](const std::string& name) {
    std::string mangled = "_ZN6dv_qem" + std::to_string(name.size()) + name + "E";
    return dlsym(RTLD_DEFAULT, mangled.c_str()) != nullptr;
  };
  EXPECT_FALSE(exported("err_address_space_full"));
  for (const GlobalRow& g : kGlobals) EXPECT_TRUE(exported(g.name)) << g.name;
}

TEST(CollErrors, RegistrationTablesCoverTheCatalogue) {
  std::regex tag("<err-0024-[0-9]{4}>.+");
  std::multiset<std::string> coll;
  for (size_t i = 0; i < _Coll_error_default_count; ++i) {
    const _Coll_error_default& d = _Coll_error_defaults[i];
    coll.insert(d.name);
    EXPECT_STREQ(d.global->get_report(), d.name);  // the entry names its own object
    if (std::string(d.name) != "err_coll_add_index_in_progress") {
      EXPECT_TRUE(std::regex_match(d.text, tag)) << d.name << ": " << d.text;
    }
  }
  EXPECT_EQ(_Coll_error_default_count, 50u);
  EXPECT_EQ(std::set<std::string>(coll.begin(), coll.end()).size(), 49u);
  EXPECT_EQ(coll.count("err_index_duplicate_key"), 2u);
  EXPECT_EQ(coll.count("err_null_pointer"), 0u);
  EXPECT_EQ(coll.count("err_index_miscellaneous"), 0u);

  ASSERT_EQ(_Am_error_default_count, 14u);
  for (size_t i = 0; i < _Am_error_default_count; ++i) {
    EXPECT_STREQ(_Am_error_defaults[i].text, "");
    EXPECT_EQ(std::string(_Am_error_defaults[i].name).rfind("err_am", 0), 0u);
    EXPECT_EQ(coll.count(_Am_error_defaults[i].name), 0u);
  }
}

TEST(CollErrors, DefaultTextsAreTheCatalogueTexts) {
  struct Row {
    const char* global;
    const char* text;
  } rows[] = {
      {"err_coll", "<err-0024-0465>a collection related exception"},
      {"err_coll_null_cursor", "<err-0024-0525>the collection cursor was null"},
      {"err_coll_not_supported", "<err-0024-0545>the operation was not supported by the collection subtype"},
      {"err_index", "<err-0024-0665>Error in index operation"},
      {"err_coll_trans_cursor",
       "<err-0024-0225>A transient, ordered cursor on a persistent collection was not deleted before transaction "
       "commit.  This will result in transient pointers in the database."},
      {"err_coll_verification",
       "<err-0024-3641> Collection verification failed within dv_dictionary::_check_rep_invariants()"},
      {"err_coll_missing_assign", "<err-0024-3642>Missing assign function for key type %s"},
      {"err_coll_add_index_in_progress", ""},
  };
  for (const Row& r : rows) {
    std::vector<std::string> texts;
    for (size_t i = 0; i < _Coll_error_default_count; ++i)
      if (std::string(_Coll_error_defaults[i].name) == r.global) texts.push_back(_Coll_error_defaults[i].text);
    ASSERT_FALSE(texts.empty()) << r.global;
    for (const std::string& t : texts) EXPECT_EQ(t, r.text) << r.global;
  }
}

TEST(CollErrors, CopiesAndAssignmentsOwnTheirMessages) {
  dv_err_coll_internal a("first %d", 1);
  dv_err_coll_internal b(a);
  dv_err_coll_internal c("other");
  c = a;
  dv_err_coll_internal& same = a;
  a = same;  // self-assignment keeps the message
  EXPECT_STREQ(a.get_report(), "dv_err_coll_internal - first 1");
  EXPECT_STREQ(b.get_report(), "dv_err_coll_internal - first 1");
  EXPECT_STREQ(c.get_report(), "dv_err_coll_internal - first 1");
  EXPECT_NE(a.get_report(), b.get_report());
  EXPECT_NE(a.get_report(), c.get_report());
  dv_err_coll_internal global_copy(err_coll_internal);
  EXPECT_STREQ(global_copy.get_report(), "err_coll_internal");
  EXPECT_NE(global_copy.get_report(), err_coll_internal.get_report());
}
