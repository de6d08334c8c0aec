// Holding every other guarded thread still while this thread changes pages
// under them (a page read, an undo, a redo). Page reads skip it when thread
// locking is switched off (_DV_int::is_thread_locking_disabled).
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

// The signal that suspends a thread (a real-time signal).
int _VRN_suspend_signal();

}  // namespace dv_qem
