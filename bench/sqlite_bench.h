// The same workloads on SQLite with its default journal and synchronous
// settings. Each runs as a sub-command in a process of its own and prints
// sqlite.* figures.
#pragma once

#include "bench_util.h"

namespace bench {

// One table of o.records products (integer primary key), filled by a
// prepared insert in one transaction; also reports the journal mode and
// synchronous setting in force.
void run_sqlite_load(const options& o);
// A full-scan sum of the prices in this fresh process, then again.
void run_sqlite_scan(const options& o);
// o.txns transactions of o.changes updates by primary key.
void run_sqlite_txns(const options& o);

}  // namespace bench
