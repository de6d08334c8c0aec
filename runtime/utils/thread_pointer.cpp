// Private thread-pointer descriptors in the local descriptor table, made only
// where the thread descriptor table turned out to be shared by all threads.
#include "thread_pointer.h"

#include <asm/ldt.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>

namespace dv_qem {

namespace {

constexpr unsigned ldt_entries = 8192;
constexpr dv2u ldt_selector_bits = 0x7;  // table indicator LDT, privilege 3

dv2u current_gs() {
  dv2u gs;
  __asm__ volatile("movw %%gs, %0" : "=r"(gs));
  return gs;
}

// The first word of the thread control block points to the block itself,
// which is what %gs must address.
unsigned current_thread_pointer() {
  unsigned tp;
  __asm__ volatile("movl %%gs:0, %0" : "=r"(tp));
  return tp;
}

user_desc flat_descriptor(unsigned entry, unsigned base) {
  user_desc d = {};
  d.entry_number = entry;
  d.base_addr = base;
  d.limit = 0xfffff;
  d.seg_32bit = 1;
  d.limit_in_pages = 1;
  d.useable = 1;
  return d;
}

unsigned thread_descriptor_base(dv2u selector) {
  user_desc d = {};
  d.entry_number = selector >> 3;
  if (syscall(SYS_get_thread_area, &d) != 0) return 0;
  return d.base_addr;
}

void* do_nothing(void*) { return nullptr; }

// A thread made and ended here sets its own thread descriptor; with a
// private table per thread ours is unchanged afterwards.
bool thread_descriptor_table_is_shared() {
  dv2u gs = current_gs();
  if ((gs & 4) != 0) return false;  // not a thread descriptor at all
  unsigned ours = thread_descriptor_base(gs);
  pthread_t probe;
  if (pthread_create(&probe, nullptr, do_nothing, nullptr) != 0) return false;
  pthread_join(probe, nullptr);
  if (thread_descriptor_base(gs) == ours) return false;

  // Put our own descriptor back for signal handlers outside the runtime.
  user_desc d = flat_descriptor(gs >> 3, current_thread_pointer());
  syscall(SYS_set_thread_area, &d);
  // The local table is made now, on the loading thread, so that every thread
  // made later inherits it. Entry 0 stays unused.
  user_desc empty = {};
  empty.read_exec_only = 1;
  empty.seg_not_present = 1;
  return syscall(SYS_modify_ldt, 1, &empty, sizeof empty) == 0;
}

bool private_descriptors_needed() {
  static const bool needed = thread_descriptor_table_is_shared();
  return needed;
}

// Before any thread but the loading one exists.
[[maybe_unused]] const bool probed_at_load = private_descriptors_needed();

std::atomic<unsigned> next_ldt_entry{1};

}  // namespace

dv2u _VRN_make_thread_pointer_selector() {
  if (!private_descriptors_needed()) return 0;
  unsigned entry = next_ldt_entry.fetch_add(1);
  if (entry >= ldt_entries) return 0;
  user_desc d = flat_descriptor(entry, current_thread_pointer());
  if (syscall(SYS_modify_ldt, 1, &d, sizeof d) != 0) return 0;
  return static_cast<dv2u>((entry << 3) | ldt_selector_bits);
}

void _VRN_keep_thread_pointer(void* ucontext, dv2u selector) {
  if (selector != 0) static_cast<ucontext_t*>(ucontext)->uc_mcontext.gregs[REG_GS] = selector;
}

}  // namespace dv_qem
