// Stored layout of a container file: a 32-byte header, a directory of one
// 88-byte entry per stream, then the streams' bytes. All words are
// little-endian, as the machine stores them.
//
//   offset 0                      container_header
//   offset 32                     container_entry[stream_count], sorted by name
//   offset 32 + 88*stream_count   stream data, one contiguous run per entry
//
// A container is sound when: the magic and version match; header_crc covers
// the header's first 28 bytes; file_size is the file's length; directory_crc
// covers the whole directory; each name is 1..31 characters, NUL-padded and
// unique; each data run lies between the directory's end and file_size, the
// runs do not overlap, and data_crc covers each run. A container file is
// never changed in place: a new one is written beside it and renamed over it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dv_qem {

constexpr std::uint8_t CONTAINER_MAGIC[8] = {'D', 'V', 'S', 'T', 'G', 'C', 'F', 0x1a};
constexpr std::uint32_t CONTAINER_VERSION = 1;
constexpr std::size_t CONTAINER_NAME_UNITS = 32;  // UTF-16 units of a stored name, NUL included

struct container_header {
  std::uint8_t magic[8];        // CONTAINER_MAGIC
  std::uint32_t version;        // CONTAINER_VERSION
  std::uint32_t stream_count;   // entries in the directory
  std::uint64_t file_size;      // bytes of the whole file
  std::uint32_t directory_crc;  // CRC-32 of the directory entries
  std::uint32_t header_crc;     // CRC-32 of the header bytes before this field
};

constexpr std::size_t CONTAINER_HEADER_SIZE = 32;
constexpr std::size_t CONTAINER_HEADER_CRC_SPAN = 28;
static_assert(sizeof(container_header) == CONTAINER_HEADER_SIZE);
static_assert(offsetof(container_header, magic) == 0);
static_assert(offsetof(container_header, version) == 8);
static_assert(offsetof(container_header, stream_count) == 12);
static_assert(offsetof(container_header, file_size) == 16);
static_assert(offsetof(container_header, directory_crc) == 24);
static_assert(offsetof(container_header, header_crc) == CONTAINER_HEADER_CRC_SPAN);

struct container_entry {
  char16_t name[CONTAINER_NAME_UNITS];  // stream name, NUL-padded
  std::uint64_t data_offset;            // where the stream's bytes start in the file
  std::uint64_t size;                   // bytes of the stream
  std::uint32_t data_crc;               // CRC-32 of the stream's bytes
  std::uint32_t reserved;               // 0
};

constexpr std::size_t CONTAINER_ENTRY_SIZE = 88;
static_assert(sizeof(container_entry) == CONTAINER_ENTRY_SIZE);
static_assert(offsetof(container_entry, name) == 0);
static_assert(offsetof(container_entry, data_offset) == 64);
static_assert(offsetof(container_entry, size) == 72);
static_assert(offsetof(container_entry, data_crc) == 80);
static_assert(offsetof(container_entry, reserved) == 84);

}  // namespace dv_qem
