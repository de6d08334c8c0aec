// Reading the Windows-only switches of the platform layer at library load.
#include "platform_switches.h"

#include "dv_platform.h"

namespace dv_qem {

namespace {

int is_set(const char* name) { return _VRN_getenv(name) != nullptr ? 1 : 0; }

_VRN_platform_switches read_switches() {
  _VRN_platform_switches s{};
  s.mix_check_mode = _VRN_mix_check_mode(_VRN_getenv("DV_QEM_CHECK_MSVCRT"), _VRN_is_gui_process());
  s.win32s_faked = is_set("DV_FAKE_WIN32S");
  s.win95_faked = !s.win32s_faked && is_set("DV_FAKE_WIN95");
  s.winnt_faked = !s.win32s_faked && is_set("DV_FAKE_WINNT");
  return s;
}

// Read during the library's static initialisation, as the attach work does.
const _VRN_platform_switches switches_at_load = read_switches();

}  // namespace

int _VRN_mix_check_mode(const char* value, int gui_process) {
  if (value == nullptr) return 0;
  if (_VRN_strcasecmp(value, "stderr") == 0) return 1;
  if (_VRN_strcasecmp(value, "popup") == 0) return 2;
  if (_VRN_strcasecmp(value, "default") == 0) return gui_process ? 2 : 1;
  return 0;
}

const _VRN_platform_switches& _VRN_load_time_platform_switches() { return switches_at_load; }

}  // namespace dv_qem
