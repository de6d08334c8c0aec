// The memory layer: reserving, committing, protecting and releasing pages of
// the runtime's address region with mmap, mprotect and madvise.
//
// A reserved range is mapped with no access and no swap reservation; a page is
// "committed" by giving it access (its first touch reads zeros) and
// "decommitted" by dropping its contents and taking the access away again.
// Every failure is raised as dv_err_internal with the system's error text.
#pragma once

#include "dv_types.h"

namespace dv_qem {

// Access a page or range is given.
enum dv_memory_kind : int {
  dv_memory_no_access = 0,
  dv_memory_read_only = 1,
  dv_memory_read_write = 2,
};

// The system page size, read once.
dv4u dv_memory_page_size();

// The layer's copy of the runtime's region, read without a lock by the
// exception filter. The runtime state sets it whenever the region changes.
void dv_set_memory_region(void* start, dv4u size);
char* dv_memory_region_start();
dv4u dv_memory_region_size();

// Traces every call of the layer on standard output while on.
void dv_set_memory_tracing(int on);

// Reserves size bytes with no access, exactly at address (never displacing
// an existing mapping), or anywhere when address is null. Returns the start,
// or null with errno set (EEXIST when the range at address is taken).
char* dv_try_reserve_memory(void* address, dv4u size);

// address null: reserves size bytes anywhere, no access; failure raises
// "dv_reserve_memory: VirtualAlloc(0,%d) returned NULL". address non-null: it
// must be the region's start and size its size (the region is reserved
// already); returns it.
char* dv_reserve_memory(dv4u size, void* address);

// Sets the access of [address, address + size), a range inside the region.
// kind is a dv_memory_kind; pages keep their contents.
void dv_protect_memory(void* address, dv4u size, int kind);

// Commits exactly one page-aligned page of the region with the access kind.
void dv_map_memory(void* address, dv4u size, int kind);

// Commits the n_pages page-aligned pages from address, one after another in
// the region, with the access kind in one call.
void dv_map_memory_pages(void* address, dv4u n_pages, int kind);

// Decommits exactly one page-aligned page of the region: its contents are
// dropped (the next commit reads zeros) and it gets no access.
void dv_unmap_memory(void* address, dv4u size);

// Releases the reservation [address, address + size).
void dv_unreserve_memory(void* address, dv4u size);

}  // namespace dv_qem
