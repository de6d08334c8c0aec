// The seam between the database side and the allocator and type system:
// everything those two know of a database. _DB_space is what the persistent
// allocator needs of the database it serves (where the image starts, new
// pages at its end, its allocator and name); the free functions below answer
// the questions they ask about addresses. The database object implements
// _DB_space and the database list answers the functions; tests can
// implement _DB_space over plain memory.
#pragma once

#include "dv_types.h"

namespace dv_qem {

class _DB_allocator;
class dv_database;

class _DB_space {
 public:
  virtual ~_DB_space() = default;
  // Address of page 0 (the database header) while the database is mapped.
  virtual char* space_start() const = 0;
  // Makes sure the address range can take n_pages more pages after the
  // image's end (growing the range); throws when it cannot (no update
  // transaction, read-only database, address space exhausted). The
  // allocator asks before it takes the first page of a growth, so a refusal
  // leaves the image as it was.
  virtual void make_room(dv4u n_pages) = 0;
  // A new zeroed writable page at the image's end (at space_start() + the
  // header's database size); the allocator then raises the database size.
  // When it throws part way through a growth, the pages given before stay
  // in the image and the allocator keeps them as pages of the group.
  virtual char* grow_page() = 0;
  // Room for n_pages is made (make_room). Gives n_pages pages as n_pages
  // calls of grow_page would, at once: the first at space_start() + the
  // database size, then one after another; returns the first. The allocator
  // then raises the database size by n_pages. given counts the pages given,
  // also when it throws part way: those stay in the image, the others are
  // not in it. Null (the default): this space grows a page at a time only.
  virtual char* grow_pages(dv4u n_pages, dv4u& given) {
    (void)n_pages;
    given = 0;
    return nullptr;
  }
  // The allocator is about to rewrite the n_pages pages from first as one
  // step (a multi-page region's headers and fill): they are made writable now,
  // while what they hold is still consistent, so that no write fault lands in
  // the middle of the change and reads it half done.
  virtual void will_write(char* first, dv4u n_pages) = 0;
  // The allocator serving this space; null while the database is not open.
  virtual _DB_allocator* space_allocator() const { return nullptr; }
  // The database's path, for messages.
  virtual const char* space_name() const { return ""; }
};

// The space of the open database whose address range holds address; null
// for none (and for null).
_DB_space* _DB_space_holding(const void* address);
// The space of a database handle (the database object is both).
_DB_space* _DB_space_of(dv_database* db);
// Whether address lies in the region reserved for databases.
bool _DB_in_region(const void* address);
// The hash of a pointer: (address - start of the database holding it), or
// the address itself outside every database, times 9987001, modulo 2^32; the
// same wherever the database is mapped.
dv4u _DB_pointer_hash(const void* address);
// Whether relocation reports illegal pointers as it relocates
// (DV_QEM_CHK_ILLEGAL_PTR, or durnavel::set_check_illegal_pointers).
bool _DB_checking_illegal_pointers();

}  // namespace dv_qem
