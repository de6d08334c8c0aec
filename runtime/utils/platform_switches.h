// The Windows-only switches of the platform layer, read when the library is
// loaded: DV_QEM_CHECK_MSVCRT (the run-time library mix check) and
// DV_FAKE_WIN32S, DV_FAKE_WIN95, DV_FAKE_WINNT (which Windows to pretend to
// run on). They are parsed as on Windows and then have no effect: a Linux
// process has one C library and one build of this runtime, so the mix check
// has nothing to find, and there is no Windows version to detect.
#pragma once

namespace dv_qem {

// Mode of the mix check for a DV_QEM_CHECK_MSVCRT value, case ignored:
// "stderr" 1 (report on standard error), "popup" 2 (message box), "default"
// 2 in a windowed program and 1 otherwise; null, empty or any other value 0
// (no check).
int _VRN_mix_check_mode(const char* value, int gui_process);

struct _VRN_platform_switches {
  int mix_check_mode;  // as _VRN_mix_check_mode gives it for the variable
  int win32s_faked;    // DV_FAKE_WIN32S set
  int win95_faked;     // DV_FAKE_WIN95 set, Win32s not faked
  int winnt_faked;     // DV_FAKE_WINNT set, Win32s not faked
};

// The switches as the environment set them when the library was loaded.
const _VRN_platform_switches& _VRN_load_time_platform_switches();

}  // namespace dv_qem
