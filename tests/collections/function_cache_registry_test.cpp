// Guards the function cache's registry: copies of a cache own their records
// (changes to one are not seen by the other, and a copy outlives its
// source), the remembered last answer never outlives a registration that
// changes it, and the process's cache is there on first use.
#include <gtest/gtest.h>

#include "dv_coll_key_functions.h"
#include "dv_function_cache.h"

using namespace dv_qem;

namespace {

int rank_a(const void*, const void*) { return 0; }
int rank_b(const void*, const void*) { return 1; }
unsigned hash_a(const void*) { return 1; }

TEST(FunctionCacheRegistry, CopiesOwnTheirRecords) {
  auto* original = new _Function_cache;
  original->insert("my_key", rank_a, hash_a);
  _Function_cache copy(*original);
  _Function_cache assigned;
  assigned = *original;
  original->replace_rank("my_key", rank_b);
  original->insert("only_in_original", rank_a, hash_a);
  delete original;
  for (_Function_cache* c : {&copy, &assigned}) {
    _Rank_fcn rank = nullptr;
    _Hash_fcn hash = nullptr;
    c->find_functions("my_key", rank, hash, 1);
    EXPECT_EQ(rank, &rank_a);
    EXPECT_EQ(hash, &hash_a);
    c->find_functions("only_in_original", rank, hash, 0);
    EXPECT_EQ(rank, nullptr);
    c->find_functions("int", rank, hash, 1);
    EXPECT_EQ(rank, &_Int_rank);
  }
}

TEST(FunctionCacheRegistry, ARegistrationReplacesTheRememberedAnswer) {
  _Function_cache cache;
  _Rank_fcn rank = nullptr;
  _Hash_fcn hash = nullptr;
  cache.insert("remembered", rank_a, hash_a);
  cache.find_functions("remembered", rank, hash, 1);
  cache.find_functions("remembered", rank, hash, 1);
  EXPECT_EQ(rank, &rank_a);
  cache.replace_rank("remembered", rank_b);
  cache.find_functions("remembered", rank, hash, 1);
  EXPECT_EQ(rank, &rank_b);
  cache.insert("remembered", rank_a, hash_a);
  cache.find_functions("remembered", rank, hash, 1);
  EXPECT_EQ(rank, &rank_a);
  cache.clear_cache();
  cache.find_functions("remembered", rank, hash, 1);
  EXPECT_EQ(rank, &rank_a);
}

TEST(FunctionCacheRegistry, TheProcessCacheIsThereOnFirstUse) {
  _Function_cache& cache = _Coll_function_cache();
  EXPECT_EQ(&cache, _Mapping_fcn_cache);
  EXPECT_EQ(&_Coll_function_cache(), &cache);
  _Rank_fcn rank = nullptr;
  _Hash_fcn hash = nullptr;
  cache.find_functions("dv_pvoid", rank, hash, 1);
  EXPECT_EQ(rank, &_Pvoid_rank);
}

}  // namespace
