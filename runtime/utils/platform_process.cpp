// Process-wide facts and switches of the platform layer: exiting, the clock,
// the page size, the transient-fault switch and whether the program is
// windowed, and the mktime wrapper. The Windows-only switches are read in
// platform_switches.cpp.
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

long _VRN_mktime(_VRN_date& date) {
  struct tm fields {};
  fields.tm_sec = date.second;
  fields.tm_min = date.minute;
  fields.tm_hour = date.hour;
  fields.tm_mday = date.day_of_month;
  fields.tm_mon = date.month;
  fields.tm_year = date.year;
  fields.tm_wday = date.day_of_week;
  fields.tm_yday = date.day_of_year;
  fields.tm_isdst = date.daylight_saving;
  time_t seconds = ::mktime(&fields);
  if (seconds == static_cast<time_t>(-1)) return -1;
  date = {fields.tm_sec, fields.tm_min, fields.tm_hour, fields.tm_mday, fields.tm_mon,
          fields.tm_year, fields.tm_wday, fields.tm_yday, fields.tm_isdst};
  return static_cast<long>(seconds);
}

unsigned _VRN_get_page_size() {
  static const unsigned page_size = static_cast<unsigned>(::sysconf(_SC_PAGESIZE));
  return page_size;
}

int _VRN_is_gui_process() { return _VRN_get_message_box() != nullptr ? 1 : 0; }

}  // namespace dv_qem
