// The keyed workload: products looked up by an integer key and by their name
// in persistent dictionaries (a B-tree and a hash table for each key) and in
// SQLite through an index and a prepared SELECT. Each part runs as a
// sub-command in a process of its own and prints keyed.* figures.
#pragma once

#include <string>

#include "bench_util.h"

namespace bench {

// The dictionary a look-up workload uses: "btree" or "hash", by "id" or "name".
struct keyed_target {
  std::string representation;
  std::string key;
};

// o.records products and four dictionaries over them, in one update
// transaction.
void run_keyed_store_load(const options& o);
// o.lookups random look-ups in one dictionary in this fresh process (cold),
// then the same number again (warm).
void run_keyed_store_lookups(const options& o, const keyed_target& target);
// Warm look-ups by id in B-trees of one key type and of two alternating
// ("int" and "unsigned int" over the same ids): nanoseconds per look-up.
void run_keyed_store_key_types(const options& o);
// A table of o.records products with an index on the name.
void run_keyed_sqlite_load(const options& o);
// o.lookups random SELECTs by id or name, cold then warm.
void run_keyed_sqlite_lookups(const options& o, const std::string& key);

}  // namespace bench
