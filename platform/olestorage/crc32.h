// CRC-32 (the reflected 0xEDB88320 polynomial) of byte runs, continued across
// calls so that a stream can be checked piece by piece.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dv_qem {

// The CRC-32 of length bytes at data, continuing from crc (0 to start).
std::uint32_t crc32_update(std::uint32_t crc, const void* data, std::size_t length);

}  // namespace dv_qem
