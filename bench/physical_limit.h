// The cost of the primitives a mapped, paged-on-fault store cannot avoid,
// measured on this machine without the store.
#pragma once

#include "bench_util.h"

namespace bench {

// Prints physical.* figures: first-touch faults served by a SIGSEGV handler
// that unprotects the page and preads 4096 bytes into it (pages/s); page
// protection changes (changes/s); 4096-byte pwrites (pages/s); a 4096-byte
// pwrite followed by fsync (flushes/s). Must run in a process that never
// started the store: it installs its own SIGSEGV handler.
void run_physical_limit(const options& o);

}  // namespace bench
