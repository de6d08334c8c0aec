// CStoredPointerFaults: while one lives, a fault on an address outside
// every database (a stored pointer of a damaged shop that leads nowhere)
// raises dv_err_misc, as the runtime's fault handler offers, instead of
// ending the process; the setting before it returns when it goes.
#pragma once

class CStoredPointerFaults {
 public:
  CStoredPointerFaults();
  ~CStoredPointerFaults();
  CStoredPointerFaults(const CStoredPointerFaults&) = delete;
  CStoredPointerFaults& operator=(const CStoredPointerFaults&) = delete;

 private:
  int m_nBefore;
};
