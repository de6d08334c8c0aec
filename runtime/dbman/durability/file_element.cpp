// Positioned transfers of file elements and the lists they are kept in.
#include "file_element.h"

#include "dv_assertions.h"
#include "dv_err.h"

namespace dv_qem {

_File_element::_File_element(_Storage* storage_, dv4u offset_, dv4u size_, char* buffer_, dv4u flags_)
    : flags(flags_), storage(storage_), offset(offset_), size(size_), buffer(buffer_) {
  if (!(flags & (insert_in_offset_order | insert_append)))
    throw dv_err_internal("_File_element ctor requires insert_mode.");
  if ((flags & insert_append) && offset != 0)
    throw dv_err_internal("_File_element can not have offset with insert_append.");
}

_File_element::~_File_element() {
  if (next != nullptr || prev != nullptr) DV_ASSERTION_FAILED(not_next_and_not_prev);
}

void _File_element::read_from_file() {
  if (!buffer_valid) throw dv_err_internal("read_from_file() into invalid buffer");
  if (!(flags & allow_reads)) throw dv_err_internal("Attempt to read from file, but read is not allowed.");
  if (storage == nullptr || !storage->is_open()) throw dv_err_internal("read_from_file() from invalid fd.");
  storage->read_whole(buffer, size, offset);
  flags |= transferred;
}

void _File_element::write_to_file() {
  if (!buffer_valid) throw dv_err_internal("write_to_file() from invalid buffer");
  if (!(flags & allow_writes)) throw dv_err_internal("Attempt to write to file, but write is not allowed.");
  if (storage == nullptr || !storage->is_open()) throw dv_err_internal("write_to_file() into invalid fd.");
  storage->write_whole(buffer, size, offset);
  flags |= transferred;
}

void _File_element::write_all(_File_element* first) {
  for (_File_element* e = first; e != nullptr; e = e->next) e->write_to_file();
}

void _File_element::link_in_offset_order(_File_element* before, _File_element* after) {
  DV_ASSERT(next == nullptr && prev == nullptr);
  if (before != nullptr && before == after) DV_ASSERTION_FAILED(prev_ne_next);
  if (before != nullptr && !(before->offset < offset))
    DV_ASSERTION_FAILED(prev_offset_lt_offset);
  if (after != nullptr && !(after->offset > offset))
    DV_ASSERTION_FAILED(next_offset_gt_offset);
  DV_ASSERT(before == nullptr || before->next == after);
  DV_ASSERT(after == nullptr || after->prev == before);
  prev = before;
  next = after;
  if (before != nullptr) before->next = this;
  if (after != nullptr) after->prev = this;
}

void _File_element::link_appended(_File_element* last) {
  DV_ASSERT(next == nullptr && prev == nullptr);
  DV_ASSERT(last == nullptr || last->next == nullptr);
  prev = last;
  if (last != nullptr) last->next = this;
}

void _File_element::remove() {
  if (flags & insert_append) throw dv_err_internal("felem::remove() w/ insert_append not implemended.");
  if (prev != nullptr) prev->next = next;
  if (next != nullptr) next->prev = prev;
  prev = nullptr;
  next = nullptr;
}

}  // namespace dv_qem
