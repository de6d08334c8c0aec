// The whole-transfer check.
#include "whole_transfer.h"

#include "dv_err.h"

namespace dv_qem {

void _VRN_require_whole(_Transfer kind, size_t done, size_t length) {
  if (done == length) return;
  if (kind == _Transfer::read)
    throw dv_err_cant_read_from_file("Failed to read %d bytes from file.", static_cast<int>(length));
  throw dv_err_cant_write_to_file("Failed to write %d bytes to file.", static_cast<int>(length));
}

}  // namespace dv_qem
