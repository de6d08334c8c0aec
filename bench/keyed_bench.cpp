// Look-ups by key: o.records products with a B-tree and a hash dictionary by
// id and by name in the store, and the same table in SQLite with its id as
// primary key and an index on the name. Each look-up checks the product it
// finds. Cold: the first round of look-ups in a fresh process (the files in
// the OS page cache, nothing mapped or cached yet); warm: the same keys again.
#include "keyed_bench.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <random>
#include <vector>

#include "durnavel.h"
#include "durnset.h"
#include "dv_coll_key_functions.h"
#include "dv_dictionary.h"
#include "dv_function_cache.h"
#include "product.h"

using namespace dv_qem;

namespace bench {

namespace {

const char* const kRootName = "keyed products";

// The dictionaries of the store, under one root.
struct KeyedAnchor {
  dv_dictionary* btree_by_id;
  dv_dictionary* btree_by_name;
  dv_dictionary* hash_by_id;
  dv_dictionary* hash_by_name;
  dv_dictionary* btree_by_uid;       // the id again, keyed "unsigned int": a second key type of the same cost
  dv_dictionary* btree_by_id_again;  // the id again, keyed "int": a second tree of the same key type
  dv_dictionary* btree_by_alias;     // the id again, keyed kAliasKeyType: another key type, the same comparison
};

// A key type of this program: registered with the rank and hash of "int", so
// that its look-ups differ from "int" ones only in the key type's name.
const char* const kAliasKeyType = "keyed_bench_id";
void register_alias_key_type() {
  dv_collection::initialize();
  _Mapping_fcn_cache->insert(kAliasKeyType, _Int_rank, _Int_hash);
}

std::string store_path(const options& o) { return o.dir + "/keyed_store.db"; }
std::string sqlite_path(const options& o) { return o.dir + "/keyed_sqlite.db"; }

double file_size(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? static_cast<double>(st.st_size) : 0.0;
}

// The ids looked up, the same in every workload.
std::vector<unsigned> lookup_ids(const options& o) {
  std::mt19937 rng(777);
  std::uniform_int_distribution<unsigned> pick(0, o.records - 1);
  std::vector<unsigned> ids(o.lookups);
  for (unsigned& id : ids) id = pick(rng);
  return ids;
}

// Runs look(id) for every id and returns the look-ups per second.
template <class Look>
double rate(const std::vector<unsigned>& ids, Look look) {
  const double start = now_seconds();
  for (unsigned id : ids) look(id);
  return ids.size() / (now_seconds() - start);
}

void check_sqlite(sqlite3* db, int rc, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
    fail(std::string("SQLite: ") + what + ": " + sqlite3_errmsg(db));
}

}  // namespace

void run_keyed_store_load(const options& o) {
  _VRN_fault_handler guard;
  durnavel::initialize();
  dv_transaction::initialize();
  register_alias_key_type();
  const std::string path = store_path(o);
  const unsigned as_mb = 32 + o.records / 1200;
  dv_database* db = dv_database::create(path.c_str(), 0644, 1, as_mb);
  const double start = now_seconds();
  dv_transaction::begin(dv_transaction::update);
  auto* anchor = new (db, &dv_ts<KeyedAnchor>::the_instance) KeyedAnchor{};
  auto make = [&](const char* key_type, unsigned ordered) {
    return dv_dictionary::create(anchor, _Coll_cluster_default, key_type, 4, 1, o.records, ordered, 0, nullptr);
  };
  anchor->btree_by_id = make("int", 1);
  anchor->btree_by_name = make("char*", 1);
  anchor->hash_by_id = make("int", 0);
  anchor->hash_by_name = make("char*", 0);
  anchor->btree_by_uid = make("unsigned int", 1);
  anchor->btree_by_id_again = make("int", 1);
  anchor->btree_by_alias = make(kAliasKeyType, 1);
  db->create_root(kRootName)->set_value(anchor, &dv_ts<KeyedAnchor>::the_instance);
  char name[kMaxNameLength + 1];
  for (unsigned i = 0; i < o.records; ++i) {
    auto* p = new (db, &dv_ts<Product>::the_instance) Product{};
    fill_product(*p, i);
    const unsigned length = product_name(name, i);
    p->name = static_cast<char*>(::operator new(length + 1, static_cast<const void*>(p), dv_typespec::get_char(), length + 1));
    std::memcpy(p->name, name, length + 1);
    const char* key = p->name;
    anchor->btree_by_id->__insert(p, &p->id, nullptr, nullptr, 0u);
    anchor->btree_by_name->__insert(p, &key, nullptr, nullptr, 0u);
    anchor->hash_by_id->__insert(p, &p->id, nullptr, nullptr, 0u);
    anchor->hash_by_name->__insert(p, &key, nullptr, nullptr, 0u);
    anchor->btree_by_uid->__insert(p, &p->id, nullptr, nullptr, 0u);
    anchor->btree_by_id_again->__insert(p, &p->id, nullptr, nullptr, 0u);
    anchor->btree_by_alias->__insert(p, &p->id, nullptr, nullptr, 0u);
  }
  dv_transaction::commit();
  figure("keyed.store.load_s", now_seconds() - start, "s");
  figure("keyed.store.file_bytes", file_size(path), "bytes");
  db->close();
}

void run_keyed_store_lookups(const options& o, const keyed_target& target) {
  _VRN_fault_handler guard;
  durnavel::initialize();
  dv_transaction::initialize();
  dv_database* db = dv_database::open(store_path(o).c_str(), 1, 0, 0);
  dv_transaction::begin(dv_transaction::read_only);
  dv_database_root* root = db->find_root(kRootName);
  if (root == nullptr) fail("the keyed database has no root");
  auto* anchor = static_cast<KeyedAnchor*>(root->get_value(&dv_ts<KeyedAnchor>::the_instance));
  const bool by_id = target.key == "id";
  dv_dictionary* dict = target.representation == "btree" ? (by_id ? anchor->btree_by_id : anchor->btree_by_name)
                                                         : (by_id ? anchor->hash_by_id : anchor->hash_by_name);
  const std::vector<unsigned> ids = lookup_ids(o);
  char name[kMaxNameLength + 1];
  auto look = [&](unsigned id) {
    unsigned found = 0;
    const Product* p = nullptr;
    if (by_id) {
      const int key = static_cast<int>(id);
      p = static_cast<const Product*>(dict->__pick(0, &key, found));
    } else {
      product_name(name, id);
      const char* key = name;
      p = static_cast<const Product*>(dict->__pick(0, &key, found));
    }
    if (p == nullptr || p->id != static_cast<int>(id) || (!by_id && std::strcmp(p->name, name) != 0))
      fail("a look-up found another product than the one asked for");
  };
  const std::string prefix = "keyed." + target.representation + "_" + target.key;
  figure(prefix + ".cold_per_s", rate(ids, look), "lookups/s");
  figure(prefix + ".warm_per_s", rate(ids, look), "lookups/s");
  dv_transaction::commit();
  db->close();
}

void run_keyed_store_key_types(const options& o) {
  _VRN_fault_handler guard;
  durnavel::initialize();
  dv_transaction::initialize();
  register_alias_key_type();
  dv_database* db = dv_database::open(store_path(o).c_str(), 1, 0, 0);
  dv_transaction::begin(dv_transaction::read_only);
  dv_database_root* root = db->find_root(kRootName);
  if (root == nullptr) fail("the keyed database has no root");
  auto* anchor = static_cast<KeyedAnchor*>(root->get_value(&dv_ts<KeyedAnchor>::the_instance));
  const std::vector<unsigned> ids = lookup_ids(o);
  auto look = [](const dv_dictionary* dict, unsigned id) {
    unsigned found = 0;
    const int key = static_cast<int>(id);
    const auto* p = static_cast<const Product*>(dict->__pick(0, &key, found));
    if (p == nullptr || p->id != key) fail("a look-up found another product than the one asked for");
  };
  // Every id looked up in two trees of the same shape, one after the other:
  // both keyed "int" (one key type); "int" then kAliasKeyType (two key types
  // alternating, one comparison); "int" then "unsigned int" (two key types
  // and two comparison functions, which the processor's prediction of the
  // rank call meets as well). The same look-ups over the same amount of
  // memory; only the key types differ. Rounds interleaved, the best kept.
  auto pairs = [&](const dv_dictionary* first, const dv_dictionary* second) {
    const double start = now_seconds();
    for (unsigned id : ids) {
      look(first, id);
      look(second, id);
    }
    return (now_seconds() - start) * 1e9 / (2.0 * ids.size());
  };
  auto one = [&] { return pairs(anchor->btree_by_id, anchor->btree_by_id_again); };
  auto alternating = [&] { return pairs(anchor->btree_by_id, anchor->btree_by_alias); };
  auto other_rank = [&] { return pairs(anchor->btree_by_id, anchor->btree_by_uid); };
  one();
  alternating();
  other_rank();  // every tree warm
  double best_one = 1e30, best_alternating = 1e30, best_other_rank = 1e30;
  for (int round = 0; round < 7; ++round) {
    best_one = std::min(best_one, one());
    best_alternating = std::min(best_alternating, alternating());
    best_other_rank = std::min(best_other_rank, other_rank());
  }
  figure("keyed.btree_key_types.one_ns", best_one, "ns/lookup");
  figure("keyed.btree_key_types.alternating_ns", best_alternating, "ns/lookup");
  figure("keyed.btree_key_types.alternating_other_rank_ns", best_other_rank, "ns/lookup");
  figure("ratio.keyed.btree_key_types.alternating_vs_one", best_alternating / best_one, "x");
  figure("ratio.keyed.btree_key_types.alternating_other_rank_vs_one", best_other_rank / best_one, "x");
  dv_transaction::commit();
  db->close();
}

void run_keyed_sqlite_load(const options& o) {
  const std::string path = sqlite_path(o);
  unlink(path.c_str());
  sqlite3* db = nullptr;
  check_sqlite(db, sqlite3_open(path.c_str(), &db), "open");
  const double start = now_seconds();
  check_sqlite(db, sqlite3_exec(db,
                                "CREATE TABLE products (id INTEGER PRIMARY KEY, price REAL, weight REAL, flags INTEGER,"
                                " name TEXT); BEGIN",
                                nullptr, nullptr, nullptr),
               "create");
  sqlite3_stmt* insert = nullptr;
  check_sqlite(db, sqlite3_prepare_v2(db, "INSERT INTO products VALUES (?, ?, ?, ?, ?)", -1, &insert, nullptr),
               "prepare");
  char name[kMaxNameLength + 1];
  for (unsigned i = 0; i < o.records; ++i) {
    Product p{};
    fill_product(p, i);
    const unsigned length = product_name(name, i);
    sqlite3_bind_int(insert, 1, p.id);
    sqlite3_bind_double(insert, 2, p.price);
    sqlite3_bind_double(insert, 3, p.weight);
    sqlite3_bind_int(insert, 4, p.flags);
    sqlite3_bind_text(insert, 5, name, static_cast<int>(length), SQLITE_STATIC);
    check_sqlite(db, sqlite3_step(insert), "insert");
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  check_sqlite(db, sqlite3_exec(db, "CREATE INDEX products_name ON products(name); COMMIT", nullptr, nullptr, nullptr),
               "index");
  figure("keyed.sqlite.load_s", now_seconds() - start, "s");
  figure("keyed.sqlite.file_bytes", file_size(path), "bytes");
  sqlite3_close(db);
}

void run_keyed_sqlite_lookups(const options& o, const std::string& key) {
  sqlite3* db = nullptr;
  check_sqlite(db, sqlite3_open_v2(sqlite_path(o).c_str(), &db, SQLITE_OPEN_READONLY, nullptr), "open");
  const bool by_id = key == "id";
  sqlite3_stmt* select = nullptr;
  check_sqlite(db,
               sqlite3_prepare_v2(db,
                                  by_id ? "SELECT id, price, name FROM products WHERE id = ?"
                                        : "SELECT id, price, name FROM products WHERE name = ?",
                                  -1, &select, nullptr),
               "prepare");
  const std::vector<unsigned> ids = lookup_ids(o);
  char name[kMaxNameLength + 1];
  auto look = [&](unsigned id) {
    if (by_id) {
      sqlite3_bind_int(select, 1, static_cast<int>(id));
    } else {
      const unsigned length = product_name(name, id);
      sqlite3_bind_text(select, 1, name, static_cast<int>(length), SQLITE_STATIC);
    }
    if (sqlite3_step(select) != SQLITE_ROW || sqlite3_column_int(select, 0) != static_cast<int>(id))
      fail("a SELECT found another product than the one asked for");
    sqlite3_reset(select);
  };
  figure("keyed.sqlite_" + key + ".cold_per_s", rate(ids, look), "lookups/s");
  figure("keyed.sqlite_" + key + ".warm_per_s", rate(ids, look), "lookups/s");
  sqlite3_finalize(select);
  sqlite3_close(db);
}

}  // namespace bench

// Every member is a pointer the store relocates.
static_assert(sizeof(bench::KeyedAnchor) == 7 * sizeof(void*), "KeyedAnchor holds seven pointers");
DV_DEFINE_TYPESPEC(bench::KeyedAnchor, "BenchKeyedAnchor", DV_POINTERS(0, 4, 8, 12, 16, 20, 24), DV_NO_VTABLES);
