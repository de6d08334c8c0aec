// Faults of stored pointers that lead outside every database as errors.
#include "stored_pointer_faults.h"

#include "dv_platform.h"

CStoredPointerFaults::CStoredPointerFaults() : m_nBefore(dv_qem::_VRN_catching_transient_faults()) {
  dv_qem::_VRN_catch_transient_faults(1);
}

CStoredPointerFaults::~CStoredPointerFaults() { dv_qem::_VRN_catch_transient_faults(m_nBefore); }
