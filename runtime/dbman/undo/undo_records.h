// The records of undo: one marker per undo step, and in it one record per
// page first written after the marker, keeping the page as it stood at the
// marker. Applying a record exchanges the page with what the record keeps,
// so applying it again (redo) exchanges them back. Records live in memory
// only and end with the database's undo object.
//
// Applying goes in three phases so that nothing allocates or frees while
// the other threads are held still: prepare and settle run with the world
// going, exchange with the world stopped, each over every record applied.
#pragma once

#include "chash.h"
#include "dv_reference.h"
#include "dv_types.h"

namespace dv_qem {

class DVDB;
class _Page;

class _Undo_page {
 public:
  enum flag_bits : dv4u {
    page_was_new = 1,  // the page grew after the marker: no image; undo removes it
    page_is_out = 2,   // the page is out of the database, owned here; image holds it
  };

  // Records page as it stands now, before its first write since the marker;
  // lock_before is its lock before that write. A page that grew (grew) keeps
  // no image; any other page's contents are copied.
  _Undo_page(_Page* page, int lock_before, bool grew);
  // Frees the image and a page object owned here (which must be unmapped).
  ~_Undo_page();
  _Undo_page(const _Undo_page&) = delete;
  _Undo_page& operator=(const _Undo_page&) = delete;

  // Before exchange: a page coming back is entered in db's page list, and a
  // new page about to leave gets an image to go to.
  void prepare(DVDB& db);
  // Takes back what prepare did (the exchange is not going to happen).
  void cancel(DVDB& db);
  // Exchanges the page with the record: page memory, lock and flags only.
  void exchange();
  // After exchange: a page that left is taken out of db's page list and
  // owned here; the image of a page that came back is freed.
  void settle(DVDB& db);

  _Page* page() const { return page_; }
  bool is_out() const { return (flags_ & page_is_out) != 0; }

  _Undo_page* next = nullptr;  // the marker's next record

 private:
  int lock_;          // the page's lock as the record keeps it
  dv4u page_flags_;   // the page's flags as the record keeps them (mapped bit clear)
  char* image_;       // one page, or null
  _Page* page_;
  dv4u flags_;        // flag_bits
};

// One undo step: the pages first written after the marker was set.
class _Undo_marker : public basic_undo {
 public:
  _Undo_marker();
  // Frees every record.
  ~_Undo_marker() override;
  _Undo_marker(const _Undo_marker&) = delete;
  _Undo_marker& operator=(const _Undo_marker&) = delete;

  // Records page, unless this marker has a record of it already.
  void record(_Page* page, int lock_before, bool grew);
  // Whether a record of this marker refers to page.
  bool holds(const _Page* page) const;
  _Undo_page* records() const { return records_; }

  _Undo_marker* older = nullptr;  // links within the undo list or the redo list
  _Undo_marker* newer = nullptr;

 private:
  _Undo_page* records_ = nullptr;
  _Chash<unsigned int, _Undo_page*> pages_;  // by page address
};

}  // namespace dv_qem
