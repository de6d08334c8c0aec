// Reads the blobs of a memo field from its record bytes and the table's
// memo file (format in memo_format.h). Refuses references that point
// outside the file, at a block of another type or at a slot whose size
// disagrees with the record's length.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "paradox_engine.h"

namespace dvparadox {

struct MemoReadResult {
  Result result = kOk;
  std::string detail;  // what was wrong, when result is not kOk
};

// The blob of a memo field whose bytes are field[0 .. fieldLength). The
// memo file is opened (at memoPath) only when the blob lies there; an empty
// memoPath means the table has none.
MemoReadResult ReadMemoBlob(const std::uint8_t* field, int fieldLength, const std::string& memoPath,
                            std::vector<std::uint8_t>& blob);

// True when the field holds no blob (all reference bytes zero or length 0).
bool MemoFieldIsBlank(const std::uint8_t* field, int fieldLength);

}  // namespace dvparadox
