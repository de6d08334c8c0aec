// Holding every other guarded thread still while this thread changes pages
// under them (a page read, an undo, a redo), and the switch that lets page
// reads skip it.
//
// A thread is held still only while it has a fault guard established. It is
// stopped by a real-time signal (_VRN_suspend_signal) whose handler waits
// until the world is resumed; a signal handler installed by the runtime that
// may wait for the thread lock must leave that signal unblocked.
#pragma once

namespace dv_qem {

// Enters the registry lock and suspends every other thread that holds a
// handle; returns once each of them is stopped. The caller must not allocate
// or print until it resumes the world (a stopped thread may hold the heap
// lock). On the thread that already stops the world it only nests.
void _VRN_stop_the_world();

// Undoes one _VRN_stop_the_world of the calling thread; the outermost one
// lets the stopped threads run again, waits until each has left its wait,
// and leaves the registry lock. Raises dv_err_internal on a thread that
// does not stop the world.
void _VRN_resume_the_world();

// Whether page reads stop the world: on unless DV_QEM_DISABLE_THREAD_LOCKING
// was set when the library was loaded, or it was switched off here. Undo and
// redo stop the world regardless.
void _VRN_set_thread_locking(int on);
int _VRN_thread_locking_enabled();

// The signal that suspends a thread (a real-time signal).
int _VRN_suspend_signal();

}  // namespace dv_qem
