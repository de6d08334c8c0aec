// The mode bits a storage or stream accepts, and what they grant.
#pragma once

#include <sys/file.h>

#include "dv_olestorage.h"

namespace dv_qem {

constexpr DWORD STGM_ACCESS_BITS = 3;
constexpr DWORD STGM_SHARE_BITS = 0x70;

inline bool mode_reads(DWORD mode) { return (mode & STGM_ACCESS_BITS) != STGM_WRITE; }
inline bool mode_writes(DWORD mode) { return (mode & STGM_ACCESS_BITS) != STGM_READ; }
inline bool mode_transacted(DWORD mode) { return (mode & STGM_TRANSACTED) != 0; }

// A stream mode: an access, STGM_SHARE_EXCLUSIVE, and STGM_CREATE when
// creating; anything else: STG_E_INVALIDFLAG.
inline HRESULT check_stream_mode(DWORD mode, bool creating) {
  DWORD allowed = STGM_ACCESS_BITS | STGM_SHARE_BITS | (creating ? STGM_CREATE : 0);
  if ((mode & ~allowed) != 0 || (mode & STGM_ACCESS_BITS) == STGM_ACCESS_BITS ||
      (mode & STGM_SHARE_BITS) != STGM_SHARE_EXCLUSIVE)
    return STG_E_INVALIDFLAG;
  return S_OK;
}

// A container mode: an access (a writing one when creating), one of the two
// share bits, STGM_TRANSACTED, and STGM_CREATE / STGM_DELETEONRELEASE when
// creating; anything else: STG_E_INVALIDFLAG.
inline HRESULT check_container_mode(DWORD mode, bool creating) {
  DWORD allowed = STGM_ACCESS_BITS | STGM_SHARE_BITS | STGM_TRANSACTED |
                  (creating ? STGM_CREATE | STGM_DELETEONRELEASE : 0);
  DWORD share = mode & STGM_SHARE_BITS;
  if ((mode & ~allowed) != 0 || (mode & STGM_ACCESS_BITS) == STGM_ACCESS_BITS ||
      (share != STGM_SHARE_EXCLUSIVE && share != STGM_SHARE_DENY_WRITE) ||
      (creating && !mode_writes(mode)))
    return STG_E_INVALIDFLAG;
  return S_OK;
}

// The file lock of a container open: a writer or an exclusive opener is
// alone, a deny-write reader shares with other readers.
inline int container_lock(DWORD mode) {
  return mode_writes(mode) || (mode & STGM_SHARE_BITS) == STGM_SHARE_EXCLUSIVE ? LOCK_EX : LOCK_SH;
}

}  // namespace dv_qem
