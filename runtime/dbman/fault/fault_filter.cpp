// The SIGSEGV handler behind persistent memory. It is installed with
// SA_NODEFER and an empty mask: exceptions leave it without a sigreturn, so
// the signal must not stay blocked, and a thread waiting in it for the
// runtime lock must still take the world-stop signal.
#include "fault_filter.h"

#include <errno.h>
#include <signal.h>
#include <cstring>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>

#include "dv_err.h"
#include "dv_platform.h"
#include "dvdb.h"
#include "memory_layer.h"
#include "runtime_state.h"
#include "thread_pointer.h"
#include "thread_registry.h"
#include "address_word.h"

namespace dv_qem {

namespace {

std::atomic<_VRN_memory_signal_handler> memory_signal_handler{nullptr};
std::atomic<unsigned> fault_count{0};
struct sigaction previous_action;

bool in_region(const void* address) {
  uintptr_t a = reinterpret_cast<uintptr_t>(address);
  uintptr_t start = reinterpret_cast<uintptr_t>(dv_memory_region_start());
  return a >= start && a - start < dv_memory_region_size();
}

bool in_null_page(const void* address) { return reinterpret_cast<uintptr_t>(address) < dv_memory_page_size(); }

// Hands the fault to the handler that was installed before the filter. The
// default action is restored and the fault left to happen again, so the
// process ends as it would have without the runtime.
void pass_on(int sig, siginfo_t* info, void* context) {
  if (previous_action.sa_flags & SA_SIGINFO) {
    if (previous_action.sa_sigaction != nullptr) previous_action.sa_sigaction(sig, info, context);
    return;
  }
  if (previous_action.sa_handler == SIG_DFL || previous_action.sa_handler == SIG_IGN) {
    signal(sig, SIG_DFL);
    return;
  }
  previous_action.sa_handler(sig);
}

// DV_DEBUG_C0000005: a fault the filter does not serve is reported on
// standard error before it is passed on.
void report_unserved(const void* address, int kind, const ucontext_t* uc) {
  if (_VRN_getenv("DV_DEBUG_C0000005") == nullptr) return;
  char line[128];
  int n = std::snprintf(line, sizeof line, "Attempt to %s location %x from EIP %x\n", kind ? "write" : "read",
                        word_of(address), static_cast<unsigned>(uc->uc_mcontext.gregs[REG_EIP]));
  if (n > 0) (void)!::write(2, line, static_cast<size_t>(n));
}

// A fault at the very address the processor was fetching from is a jump to
// an address outside every database: a call through a damaged pointer to
// code, whose return address lies on top of the stack. The context is set
// back into the call itself (the address before the return address, the
// return address taken off the stack), so that an error thrown here unwinds
// from the caller's frame, which the unwinder knows.
void back_into_the_call(ucontext_t* uc) {
  greg_t* regs = uc->uc_mcontext.gregs;
  const auto* top = reinterpret_cast<const uintptr_t*>(regs[REG_ESP]);
  regs[REG_EIP] = static_cast<greg_t>(*top - 1);
  regs[REG_ESP] += static_cast<greg_t>(sizeof(uintptr_t));
}

// Clears the thread's in-handler flag on every way out of the filter.
class in_handler_scope {
 public:
  explicit in_handler_scope(_Thread_info* self) : self_(self) { self_->in_handler = 1; }
  ~in_handler_scope() { self_->in_handler = 0; }
  in_handler_scope(const in_handler_scope&) = delete;
  in_handler_scope& operator=(const in_handler_scope&) = delete;

 private:
  _Thread_info* self_;
};

// Returns true when the fault was served; throws the error of a fault that
// could not be.
bool filter(void* address, int kind, ucontext_t* uc, _Thread_info* self) {
  const unsigned count = ++fault_count;
  if (self->in_handler) {
    if (in_region(address))
      throw dv_err_recursive_fault_detected("Recursive exception detected at address 0x%x. Please see documentation.",
                                            word_of(address));
    report_unserved(address, kind, uc);
    return false;
  }
  in_handler_scope scope(self);
  if (_DV_int::get_trace_level() > 8)
    _VRN_printf("qem_exception_filter: \t0x%x sigtype %d continuable %d _DV_fault_count %d\n", word_of(address),
                kind, 1, static_cast<int>(count));
  _VRN_memory_signal_handler handler = memory_signal_handler.load();
  const bool jumped = reinterpret_cast<uintptr_t>(address) == static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_EIP]);
  if (handler != nullptr && (in_region(address) || in_null_page(address))) {
    if (jumped && in_null_page(address)) back_into_the_call(uc);  // the handler raises the null-pointer error
    handler(address, kind);
    return true;
  }
  if (_VRN_catching_transient_faults()) {
    if (jumped) back_into_the_call(uc);
    throw dv_err_misc("%s-fault on transient address 0x%x, continuable %d\n", kind ? "write" : "read",
                      word_of(address), 1);
  }
  return false;
}

void on_memory_fault(int sig, siginfo_t* info, void* context) {
  const int saved_errno = errno;
  auto* uc = static_cast<ucontext_t*>(context);
  void* address = info->si_addr;
  // Bit 1 of the page-fault error code: the access was a write.
  const int kind = (uc->uc_mcontext.gregs[REG_ERR] & 2) ? dv_mem_signal_write : dv_mem_signal_read;
  _Thread_info* self = _VRN_thread_info_if_made();
  bool served = false;
  if (self != nullptr && self->guard_depth > 0) served = filter(address, kind, uc, self);
  if (!served) pass_on(sig, info, context);
  errno = saved_errno;
  if (self != nullptr) _VRN_keep_thread_pointer(context, self->tls_selector);
}

void install_filter() {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_sigaction = on_memory_fault;
  action.sa_flags = SA_SIGINFO | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  sigaction(SIGSEGV, &action, &previous_action);
}

}  // namespace

void _VRN_install_fault_filter(_VRN_memory_signal_handler handler) {
  static std::once_flag installed;
  memory_signal_handler.store(handler);
  std::call_once(installed, install_filter);
}

unsigned _VRN_fault_count() { return fault_count.load(); }

}  // namespace dv_qem
