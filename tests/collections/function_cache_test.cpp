// Guards the function cache: the built-in registrations, lookups of "const"
// names and of dv_char_array<N> names, unknown names with and without the
// error, registering, replacing and missing functions, assign functions, and
// lookups running beside registrations in another thread.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "coll_key_functions.h"
#include "coll_startup.h"
#include "dv_coll_err.h"
#include "dv_function_cache.h"
#include "dv_thrown_by.h"

using namespace dv_qem;
using dv_test::thrown_by;

namespace {

int custom_rank(const void*, const void*) { return 0; }
unsigned custom_hash(const void*) { return 1; }
void custom_assign(void*, const void*) {}
void other_assign(void*, const void*) {}

}  // namespace

TEST(FunctionCache, BuiltInKeyTypesFindTheirPairs) {
  _Function_cache cache;
  struct Row {
    const char* name;
    _Rank_fcn rank;
    _Hash_fcn hash;
  } rows[] = {
      {"int", _Int_rank, _Int_hash},
      {"char", _Char_rank, _Char_hash},
      {"short", _Short_rank, _Short_hash},
      {"long", _Long_rank, _Long_hash},
      {"unsigned int", _Uint_rank, _Int_hash},
      {"unsigned char", _Unsigned_char_rank, _Char_hash},
      {"unsigned short", _Ushort_rank, _Short_hash},
      {"unsigned long", _Ulong_rank, _Long_hash},
      {"float", _Float_rank, _Float_hash},
      {"double", _Double_rank, _Double_hash},
      {"long double", _Long_double_rank, _Long_double_hash},
      {"const int", _Int_rank, _Int_hash},
      {"const unsigned short", _Ushort_rank, _Short_hash},
      {"const long double", _Long_double_rank, _Long_double_hash},
      {"      unsigned short", _Ushort_rank, _Short_hash},  // the stored form
      {"char*", _Str_rank, _Str_hash_khs},
      {"const char*", _Str_rank, _Str_hash_khs},
      {"char const*", _Str_rank, _Str_hash_khs},  // "const" on either side
      {"int const", _Int_rank, _Int_hash},
      {"char[]", _Char_arr_rank, _Char_arr_hash},
      {"const char[]", _Char_arr_rank, _Char_arr_hash},
      {"void*", _Ptr_rank, _Ptr_hash},
      {"const void*", _Ptr_rank, _Ptr_hash},
      {"signed char", _Signed_char_rank, _Char_hash},
      {"const signed char", _Signed_char_rank, _Char_hash},
      {"dv_pvoid", _Pvoid_rank, _Pvoid_hash},
      {"dv_char_array", _Char_arr_rank, _Dv_char_array_hash},
      {"dv_qem::dv_char_array<10>", _Char_arr_rank, _Dv_char_array_hash},
      {"dv_char_star_nocopy", _Str_nocopy_rank, _Str_nocopy_hash_khs},
  };
  for (const Row& r : rows) {
    _Rank_fcn rank = nullptr;
    _Hash_fcn hash = nullptr;
    cache.find_functions(r.name, rank, hash, 1);
    EXPECT_EQ(rank, r.rank) << r.name;
    EXPECT_EQ(hash, r.hash) << r.name;
  }
}

TEST(FunctionCache, UnknownNamesGiveNullsOrTheError) {
  _Function_cache cache;
  const char* names[] = {"unsigned", "Int", "", "dv_char_arra", "dv_qem::dv_char_arr<3>"};
  for (const char* name : names) {
    _Rank_fcn rank = _Int_rank;
    _Hash_fcn hash = _Int_hash;
    cache.find_functions(name, rank, hash, 0);
    EXPECT_EQ(rank, nullptr) << name;
    EXPECT_EQ(hash, nullptr) << name;
    EXPECT_EQ(thrown_by<dv_err_coll>([&] { cache.find_functions(name, rank, hash, 1); }),
              std::string("dv_err_coll - <err-0024-0975>Missing rank and hash functions for key type ") + name);
  }
  _Rank_fcn rank = nullptr;
  _Hash_fcn hash = nullptr;
  cache.find_functions(nullptr, rank, hash, 0);
  EXPECT_EQ(rank, nullptr);
  EXPECT_EQ(thrown_by<dv_err_coll>([&] { cache.find_functions(nullptr, rank, hash, 1); }),
            "dv_err_coll - <err-0024-0975>Missing rank and hash functions for key type (null)");
}

TEST(FunctionCache, InsertRegistersAndReplaces) {
  _Function_cache cache;
  _Rank_fcn rank = nullptr;
  _Hash_fcn hash = nullptr;

  cache.insert("const my_key", custom_rank, custom_hash);
  cache.find_functions("const my_key", rank, hash, 1);
  EXPECT_EQ(rank, custom_rank);
  EXPECT_EQ(hash, custom_hash);
  cache.find_functions("my_key", rank, hash, 0);  // another normal form
  EXPECT_EQ(rank, nullptr);

  cache.insert("int", custom_rank, custom_hash);
  cache.find_functions("int", rank, hash, 1);
  EXPECT_EQ(rank, custom_rank);
  cache.find_functions("const int", rank, hash, 1);  // registered apart
  EXPECT_EQ(rank, _Int_rank);

  cache.replace_rank("int", _Uint_rank);
  cache.replace_hash("int", _Long_hash);
  cache.find_functions("int", rank, hash, 1);
  EXPECT_EQ(rank, _Uint_rank);
  EXPECT_EQ(hash, _Long_hash);

  cache.replace_rank("no_such_key", custom_rank);
  cache.replace_hash("no_such_key", custom_hash);
  cache.find_functions("no_such_key", rank, hash, 0);
  EXPECT_EQ(rank, nullptr);
  EXPECT_EQ(hash, nullptr);
}

TEST(FunctionCache, NullFunctionsAreStoredAsMissingFunctions) {
  _Function_cache cache;
  _Rank_fcn rank = nullptr;
  _Hash_fcn hash = nullptr;
  cache.insert("half", nullptr, nullptr);
  cache.find_functions("half", rank, hash, 1);
  ASSERT_NE(rank, nullptr);
  ASSERT_NE(hash, nullptr);
  int key = 0;
  EXPECT_EQ(thrown_by<dv_err_coll>([&] { rank(&key, &key); }),
            "dv_err_coll - <err-0024-0965>A rank function is missing");
  EXPECT_EQ(thrown_by<dv_err_coll>([&] { hash(&key); }), "dv_err_coll - <err-0024-0970>A hash function is missing");

  cache.replace_rank("int", nullptr);
  cache.find_functions("int", rank, hash, 1);
  EXPECT_EQ(thrown_by<dv_err_coll>([&] { rank(&key, &key); }),
            "dv_err_coll - <err-0024-0965>A rank function is missing");
  EXPECT_EQ(hash, _Int_hash);
}

TEST(FunctionCache, AssignFunctions) {
  _Function_cache cache;
  // A registered name without an assign function gives null, asked for the
  // error or not; only an unregistered name raises it.
  for (int signal : {0, 1}) {
    _Assign_fcn assign = custom_assign;
    cache.find_assign_function("int", assign, signal);
    EXPECT_EQ(assign, nullptr) << signal;
  }
  _Assign_fcn assign = custom_assign;
  cache.find_assign_function("nothing", assign, 0);
  EXPECT_EQ(assign, nullptr);
  EXPECT_EQ(thrown_by<dv_err_coll>([&] { cache.find_assign_function("nothing", assign, 1); }),
            "dv_err_coll - <err-0024-3642>Missing assign function for key type nothing");

  cache.insert_assign_fcn("int", custom_assign);
  cache.find_assign_function("int", assign, 1);
  EXPECT_EQ(assign, custom_assign);
  _Rank_fcn rank = nullptr;
  _Hash_fcn hash = nullptr;
  cache.find_functions("int", rank, hash, 1);  // the pair stays
  EXPECT_EQ(rank, _Int_rank);

  // A name registered for its assign function alone has a null pair, and
  // asking for it is no error: the name is registered.
  cache.insert_assign_fcn("dv_char_star_key", custom_assign);
  cache.insert_assign_fcn("dv_char_star_key", other_assign);
  cache.find_assign_function("dv_char_star_key", assign, 1);
  EXPECT_EQ(assign, other_assign);
  for (int signal : {0, 1}) {
    rank = _Int_rank;
    hash = _Int_hash;
    EXPECT_EQ(thrown_by<dv_err_coll>([&] { cache.find_functions("dv_char_star_key", rank, hash, signal); }), "")
        << signal;
    EXPECT_EQ(rank, nullptr) << signal;
    EXPECT_EQ(hash, nullptr) << signal;
  }
}

TEST(FunctionCache, ComparisonKinds) {
  EXPECT_TRUE(_Function_cache::is_strcoll(dv_strcoll_for_char_pointer));
  EXPECT_TRUE(_Function_cache::is_strcoll(dv_strcoll_for_char_array));
  EXPECT_FALSE(_Function_cache::is_strcoll(_Str_rank));
  EXPECT_TRUE(_Function_cache::is_strcmp(_Str_rank));
  EXPECT_TRUE(_Function_cache::is_strcmp(_Char_arr_rank));
  EXPECT_FALSE(_Function_cache::is_strcmp(_Int_rank));
  EXPECT_FALSE(_Function_cache::is_strcmp(dv_strcoll_for_char_array));
}

TEST(FunctionCache, LookupsRunBesideRegistrations) {
  _Function_cache cache;
  constexpr int kNames = 300;
  std::thread writer([&] {
    for (int i = 0; i < kNames; ++i) cache.insert(("key" + std::to_string(i)).c_str(), custom_rank, custom_hash);
  });
  int mismatches = 0;
  for (int round = 0; round < 3 * kNames; ++round) {
    _Rank_fcn rank = nullptr;
    _Hash_fcn hash = nullptr;
    cache.find_functions("unsigned short", rank, hash, 1);
    if (rank != _Ushort_rank || hash != _Short_hash) ++mismatches;
    cache.find_functions(("key" + std::to_string(round % kNames)).c_str(), rank, hash, 0);
    if (rank != nullptr && (rank != custom_rank || hash != custom_hash)) ++mismatches;
  }
  writer.join();
  EXPECT_EQ(mismatches, 0);
  for (int i = 0; i < kNames; ++i) {
    _Rank_fcn rank = nullptr;
    _Hash_fcn hash = nullptr;
    cache.find_functions(("key" + std::to_string(i)).c_str(), rank, hash, 1);
    EXPECT_EQ(rank, custom_rank);
  }
}

TEST(FunctionCache, InitialisationMakesTheProcessCache) {
  _VRN_coll_initialize();
  ASSERT_NE(_Mapping_fcn_cache, nullptr);
  _Function_cache* first = _Mapping_fcn_cache;
  _VRN_coll_initialize();
  EXPECT_EQ(_Mapping_fcn_cache, first);
  _Rank_fcn rank = nullptr;
  _Hash_fcn hash = nullptr;
  _Mapping_fcn_cache->find_functions("const unsigned short", rank, hash, 1);
  EXPECT_EQ(rank, _Ushort_rank);
  EXPECT_EQ(hash, _Short_hash);
}
