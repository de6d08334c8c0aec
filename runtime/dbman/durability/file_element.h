// _File_element: one positioned transfer between memory and a database file
// (or log file), and the list such elements are kept in. Pages are file
// elements kept in offset order; a log appends its records.
#pragma once

#include "dv_types.h"
#include "storage.h"

namespace dv_qem {

class _File_element {
 public:
  enum flag_bits : dv4u {
    allow_reads = 1,
    allow_writes = 2,
    insert_in_offset_order = 4,  // the list is kept ascending by offset
    insert_append = 8,           // the element is appended at the list's end
    transferred = 16,            // set after a successful transfer
  };

  // One of the two insert modes is required; an append-mode element has
  // offset 0. Both refusals are dv_err_internal.
  _File_element(_Storage* storage, dv4u offset, dv4u size, char* buffer, dv4u flags);
  // Only an unlinked element may be destroyed ("!next && !prev").
  ~_File_element();
  _File_element(const _File_element&) = delete;
  _File_element& operator=(const _File_element&) = delete;

  // Reads size bytes at offset into the buffer; fewer raises
  // dv_err_cant_read_from_file "Failed to read %d bytes from file.".
  void read_from_file();
  // Writes size bytes of the buffer at offset; fewer raises
  // dv_err_cant_write_to_file "Failed to write %d bytes to file.".
  void write_to_file();
  // Writes first and every element after it, in list order.
  static void write_all(_File_element* first);

  // Links this element between prev and next (either may be null) of an
  // offset-ordered list; the offsets must ascend across the three.
  void link_in_offset_order(_File_element* prev, _File_element* next);
  // Links this append-mode element after last (null for an empty list).
  void link_appended(_File_element* last);
  // Unlinks an offset-ordered element; an append-mode element raises
  // dv_err_internal.
  void remove();

  dv4u get_flags() const { return flags; }
  dv4u get_offset() const { return offset; }
  dv4u get_size() const { return size; }
  char* get_buffer() const { return buffer; }
  int is_buffer_valid() const { return buffer_valid; }
  void set_buffer_valid(int valid) { buffer_valid = valid; }
  _File_element* get_next() const { return next; }
  _File_element* get_prev() const { return prev; }

 protected:
  dv4u flags;
  _Storage* storage;
  dv4u offset;
  dv4u size;
  char* buffer;
  int buffer_valid = 0;
  _File_element* next = nullptr;
  _File_element* prev = nullptr;
};

}  // namespace dv_qem
