// The write/flush event counter, the test hook called at a chosen event,
// and the recorder of file changes.
#include "file_fault_hook.h"

#include <atomic>

namespace dv_qem {

namespace {

std::atomic<unsigned> event_count{0};
std::atomic<_VRN_file_event_fn> hook{nullptr};
std::atomic<unsigned> hook_event{0};
std::atomic<_VRN_file_change_fn> recorder{nullptr};

}  // namespace

void _VRN_set_file_event_hook(_VRN_file_event_fn fn, unsigned at_event) {
  hook.store(nullptr);
  hook_event.store(at_event);
  hook.store(fn);
}

void _VRN_reset_file_event_hook() {
  hook.store(nullptr);
  hook_event.store(0);
  event_count.store(0);
}

unsigned _VRN_file_event_count() { return event_count.load(); }

void _VRN_file_event(int kind) {
  unsigned event = event_count.fetch_add(1, std::memory_order_relaxed) + 1;
  _VRN_file_event_fn fn = hook.load(std::memory_order_relaxed);
  if (fn == nullptr) return;
  unsigned at = hook_event.load();
  if (at == 0 || at == event) fn(event, kind);
}

void _VRN_set_file_change_recorder(_VRN_file_change_fn fn) { recorder.store(fn); }

void _VRN_file_change_made(const _VRN_file_change& change) {
  _VRN_file_change_fn fn = recorder.load(std::memory_order_relaxed);
  if (fn != nullptr) fn(change);
}

}  // namespace dv_qem
