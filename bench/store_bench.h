// The workloads on the object store. Each runs as a sub-command in a process
// of its own and prints store.* figures.
#pragma once

#include <string>

#include "bench_util.h"

namespace bench {

// Creates the database of o.records products linked into a persistent list
// under a root, in one update transaction.
void run_store_load(const options& o);
// Opens the database read-only and walks every record through the list twice
// (cold: no page mapped yet; warm: every page mapped), figures named
// store.cold<suffix>.* and store.warm<suffix>.*.
void run_store_walk(const options& o, const std::string& suffix);
// o.txns update transactions, each changing o.changes random records.
void run_store_txns(const options& o);

}  // namespace bench
