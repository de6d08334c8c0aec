// Test hook of the file layer: every write call (_VRN_write_file,
// _VRN_pwrite_file) and every flush call (_VRN_flush_file,
// _VRN_flush_directory_of) is one event, numbered from 1. A test may have a
// function called just before a chosen event is performed, e.g. to end the
// process there or to record the sequence of writes and flushes.
#pragma once

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

}  // namespace dv_qem
