// The cost of the primitives a mapped, paged-on-fault store cannot avoid,
// measured on this machine without the store.
#pragma once

#include "bench_util.h"

namespace bench {

// Prints physical.* figures: first-touch faults served by a SIGSEGV handler
// that unprotects the page and preads 4096 bytes into it (pages/s), and the
// same faults leaving the page read-only; page protection changes
// (changes/s); 4096-byte pwrites (pages/s); a 4096-byte pwrite followed by
// fsync (flushes/s); the writes and flushes of a small commit without the
// store (commits/s). Must run in a process that never started the store: it
// installs its own SIGSEGV handler.
void run_physical_limit(const options& o);

// Flushes/s of a 4096-byte pwrite followed by fsync (o.flushes of them, over
// the pages of a scratch file in o.dir).
double flushes_per_s(const options& o);
// Commits/s of the writes and flushes a small commit of o.changes pages
// makes, alone (no faults, no store), over commits commits: the log's page
// images and end entry behind its header and the header, flushed; the
// database header's dirty mark, flushed; the pages, flushed; page 0, flushed;
// the log's header again, flushed. The log keeps its length from one commit
// to the next, as the store's does. Scratch files in o.dir.
double commit_io_per_s(const options& o, unsigned commits);

}  // namespace bench
