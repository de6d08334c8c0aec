// The one check behind every transfer that must move all its bytes (database
// pages and header fields, log records, recovered pages): a short count is
// an error with the fixed texts.
#pragma once

#include <cstddef>

namespace dv_qem {

enum class _Transfer { read, write };

// done is what a positioned transfer of length bytes moved. Short: a read
// throws dv_err_cant_read_from_file "Failed to read %d bytes from file.", a
// write dv_err_cant_write_to_file "Failed to write %d bytes to file."
void _VRN_require_whole(_Transfer kind, size_t done, size_t length);

}  // namespace dv_qem
