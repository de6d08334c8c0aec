// Process-wide facts and switches of the platform layer: exiting, the clock,
// the page size, the transient-fault switch and whether the program is
// windowed. The Windows-only switches DV_QEM_CHECK_MSVCRT, DV_FAKE_WIN32S,
// DV_FAKE_WIN95 and DV_FAKE_WINNT have no effect here: a Linux process has
// one C library and no Windows version to detect.
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

#include "dv_err.h"
#include "dv_platform.h"

namespace dv_qem {

namespace {

std::atomic<bool> exiting{false};
std::atomic<int> catch_transient_faults{0};

}  // namespace

void _VRN_exit(int status) {
  // A second call comes from inside exit (an atexit handler or a static
  // destructor); running exit again there would be undefined.
  if (exiting.exchange(true)) ::_exit(status);
  std::exit(status);
}

void _VRN_catch_transient_faults(int flag) { catch_transient_faults.store(flag); }

int _VRN_catching_transient_faults() { return catch_transient_faults.load(); }

void _VRN_ftime(dv4u& seconds, unsigned& milliseconds) {
  struct timespec now;
  ::clock_gettime(CLOCK_REALTIME, &now);
  seconds = static_cast<dv4u>(now.tv_sec);
  milliseconds = static_cast<unsigned>(now.tv_nsec / 1000000);
}

unsigned _VRN_get_page_size() {
  static const unsigned page_size = static_cast<unsigned>(::sysconf(_SC_PAGESIZE));
  return page_size;
}

int _VRN_is_gui_process() { return _VRN_get_message_box() != nullptr ? 1 : 0; }

}  // namespace dv_qem
