// Test hook of the file layer: every write call (_VRN_write_file,
// _VRN_pwrite_file) and every flush call (_VRN_flush_file,
// _VRN_flush_directory_of) is one event, numbered from 1. A test may have a
// function called just before a chosen event is performed, e.g. to end the
// process there or to record the sequence of writes and flushes.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace dv_qem {

constexpr int _VRN_FILE_EVENT_WRITE = 0;
constexpr int _VRN_FILE_EVENT_FLUSH = 1;

using _VRN_file_event_fn = void (*)(unsigned event, int kind);

// Calls fn before event number at_event, or before every event when at_event
// is 0. Replaces any earlier hook; the event count goes on.
void _VRN_set_file_event_hook(_VRN_file_event_fn fn, unsigned at_event);
// Removes the hook and sets the event count back to 0.
void _VRN_reset_file_event_hook();
// Events counted since the last reset.
unsigned _VRN_file_event_count();

// Counts one event of the given kind and calls the hook when it is due.
void _VRN_file_event(int kind);

// What one call is about to change in a file, for a test that rebuilds the
// files as a power cut could leave them: a write (data, length at offset), a
// truncation (length is the new size), a flush of the file's data, or a
// flush of a directory (fd -1). fd identifies the file while it is open.
constexpr int _VRN_FILE_CHANGE_WRITE = 0;
constexpr int _VRN_FILE_CHANGE_TRUNCATE = 1;
constexpr int _VRN_FILE_CHANGE_FLUSH = 2;
constexpr int _VRN_FILE_CHANGE_FLUSH_DIRECTORY = 3;

struct _VRN_file_change {
  int kind;          // _VRN_FILE_CHANGE_*
  int fd;            // the file's descriptor; -1 for a directory flush
  const void* data;  // a write's bytes; null otherwise
  size_t length;     // a write's byte count, or a truncation's new size
  off_t offset;      // a write's file offset; 0 otherwise
};

using _VRN_file_change_fn = void (*)(const _VRN_file_change& change);

// Calls fn with every change before it is made (null: no more calls). Not
// an event of its own: event numbers stay as they are.
void _VRN_set_file_change_recorder(_VRN_file_change_fn fn);
// Hands change to the recorder, when one is set.
void _VRN_file_change_made(const _VRN_file_change& change);

}  // namespace dv_qem
