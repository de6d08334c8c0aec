// Undo markers and their page records.
#include "undo_records.h"

#include <cstdint>
#include <cstring>

#include "dv_assertions.h"
#include "dv_err.h"
#include "dv_platform.h"
#include "dvdb.h"
#include "page.h"
#include "runtime_state.h"

namespace dv_qem {

namespace {

unsigned key_of(const _Page* page) {
  return static_cast<unsigned>(reinterpret_cast<uintptr_t>(page->get_buffer()));
}

char* new_image() { return static_cast<char*>(_VRN_allocate(_DV_int::get_page_size())); }

}  // namespace

_Undo_page::_Undo_page(_Page* page, int lock_before, bool grew)
    : lock_(lock_before == _Page::LNONE ? _Page::LR : lock_before),
      page_flags_(page->get_page_flags() & ~dv4u{_Page::page_mapped}),
      image_(nullptr),
      page_(page),
      flags_(grew ? dv4u{page_was_new} : 0) {
  // A page read for this very write holds what the file holds: read-locked.
  if (lock_ != _Page::LW) page_flags_ &= ~dv4u{_Page::page_rearmed};
  if (!grew) {
    image_ = new_image();
    std::memcpy(image_, page->get_buffer(), _DV_int::get_page_size());
  }
}

_Undo_page::~_Undo_page() {
  if (is_out()) {
    if (page_->is_mapped()) DV_ASSERTION_FAILED(the_page_is_mapped_eq_0);
    delete page_;
  }
  _VRN_free(image_);
}

void _Undo_page::prepare(DVDB& db) {
  if (is_out()) {
    db.enter_page(page_);
  } else if ((flags_ & page_was_new) && image_ == nullptr) {
    image_ = new_image();
  }
}

void _Undo_page::cancel(DVDB& db) {
  if (is_out()) db.remove_page(page_);
}

void _Undo_page::exchange() {
  if (is_out())
    page_->restore_from_image(image_, lock_, page_flags_);
  else if (flags_ & page_was_new)
    page_->move_out_to_image(image_, lock_, page_flags_);
  else
    page_->swap_with_image(image_, lock_, page_flags_);
}

void _Undo_page::settle(DVDB& db) {
  if (is_out()) {
    flags_ &= ~dv4u{page_is_out};
    _VRN_free(image_);
    image_ = nullptr;
  } else if (flags_ & page_was_new) {
    db.remove_page(page_);
    flags_ |= page_is_out;
  }
}

_Undo_marker::_Undo_marker() : pages_(10) {}

_Undo_marker::~_Undo_marker() {
  while (records_ != nullptr) {
    _Undo_page* record = records_;
    records_ = record->next;
    delete record;
  }
}

void _Undo_marker::record(_Page* page, int lock_before, bool grew) {
  const unsigned key = key_of(page);
  if (pages_.contains(key)) return;
  auto* made = new _Undo_page(page, lock_before, grew);
  try {
    pages_.insert(key, made);
  } catch (...) {
    delete made;
    throw;
  }
  made->next = records_;
  records_ = made;
}

bool _Undo_marker::holds(const _Page* page) const { return pages_.contains(key_of(page)); }

}  // namespace dv_qem
