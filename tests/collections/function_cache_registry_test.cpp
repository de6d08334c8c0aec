// Guards the function cache's registry: copies of a cache own their records
// (changes to one are not seen by the other, and a copy outlives its
// source), the answers remembered per key type (alternating types each
// keep theirs) never outlive a registration that changes them, and the process's cache is there on first use, made once when
// several threads reach for it at the same time.
#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "dv_coll_key_functions.h"
#include "dv_function_cache.h"
#include "dv_test_process.h"

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

TEST(FunctionCacheRegistry, AnswersAreRememberedPerKeyTypeAndReplacedByRegistrations) {
  _Function_cache cache;
  // More names than the cache remembers, looked up alternately, twice.
  std::vector<std::string> names;
  for (int i = 0; i < 20; ++i) {
    names.push_back("key_type_" + std::to_string(i));
    cache.insert(names.back().c_str(), i % 2 == 0 ? rank_a : rank_b, hash_a);
  }
  for (int round = 0; round < 2; ++round)
    for (int i = 0; i < 20; ++i)
      for (const char* name : {names[i].c_str(), "int", "char*"}) {
        _Rank_fcn rank = nullptr;
        _Hash_fcn hash = nullptr;
        cache.find_functions(name, rank, hash, 1);
        const std::string n = name;
        EXPECT_EQ(rank, n == "int" ? &_Int_rank : n == "char*" ? &_Str_rank : i % 2 == 0 ? &rank_a : &rank_b) << n;
      }
  // A registration is seen by every name remembered before it, not only the last.
  cache.replace_rank("key_type_19", rank_a);
  cache.insert("int", rank_b, hash_a);
  _Rank_fcn rank = nullptr;
  _Hash_fcn hash = nullptr;
  cache.find_functions("key_type_19", rank, hash, 1);
  EXPECT_EQ(rank, &rank_a);
  cache.find_functions("int", rank, hash, 1);
  EXPECT_EQ(rank, &rank_b);
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

TEST(FunctionCacheRegistry, FirstUseFromManyThreadsMakesOneCache) {
  EXPECT_EQ(dv_test::run_child("FunctionCacheRegistryChild.ManyThreads"), 0);
}

class FunctionCacheRegistryChild : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!dv_test::is_child()) GTEST_SKIP() << "runs in a child process";
  }
};

TEST_F(FunctionCacheRegistryChild, ManyThreads) {
  ASSERT_EQ(_Mapping_fcn_cache, nullptr) << "nothing has used the cache yet";
  constexpr int kThreads = 8;
  std::latch start(kThreads);
  std::vector<_Function_cache*> seen(kThreads, nullptr);
  std::atomic<int> right_pairs{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i)
    threads.emplace_back([&, i] {
      start.arrive_and_wait();
      _Function_cache& cache = _Coll_function_cache();
      seen[i] = &cache;
      for (int n = 0; n < 200; ++n) {
        _Rank_fcn rank = nullptr;
        _Hash_fcn hash = nullptr;
        cache.find_functions(n % 2 == 0 ? "unsigned int" : "const double", rank, hash, 1);
        if (rank == (n % 2 == 0 ? &_Uint_rank : &_Double_rank)) right_pairs.fetch_add(1);
      }
    });
  for (std::thread& t : threads) t.join();
  for (_Function_cache* c : seen) EXPECT_EQ(c, _Mapping_fcn_cache);
  EXPECT_EQ(right_pairs.load(), kThreads * 200);
}

}  // namespace
