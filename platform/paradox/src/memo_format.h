// The memo file (.mb) of a Paradox table and the 10-byte blob reference
// that ends a memo field in a record. All numbers are little-endian.
//
// A memo field of n bytes in a record: the first n - 10 bytes hold the
// start of the text (the leader), then the reference:
//   offset (4 bytes): 0 when the whole text lies in the leader; else the
//                     file offset of its block (a multiple of 4096, in the
//                     upper 24 bits) and, in the low byte, its slot in a
//                     shared block, or 0xff for a block of its own
//   length (4 bytes): the text's length in bytes
//   modification number (2 bytes)
// A field of ten zero bytes or a length of 0 holds no value.
//
// The memo file is made of 4096-byte chunks; block 0 is the file header.
// A block of its own (type 2) holds one blob:
//   type (1 byte) = 2, chunks (2 bytes), length (4 bytes), modification
//   number (2 bytes), then the data.
// A shared block (type 3) holds up to 64 small blobs:
//   type (1 byte) = 3, chunks (2 bytes), 9 unused bytes, then 64 slots of
//   5 bytes: data offset in 16-byte units from the block start (1 byte),
//   data size in 16-byte units, rounded up (1 byte), modification number
//   (2 bytes), data size modulo 16 (1 byte).
#pragma once

#include <cstdint>

namespace dvparadox::memo {

constexpr std::uint32_t kChunkSize = 4096;  // every block is a whole number of these
constexpr int kReferenceSize = 10;          // the reference that ends a memo field
constexpr std::uint8_t kOwnBlockSlot = 0xff;

constexpr std::uint8_t kOwnBlockType = 2;
constexpr std::uint8_t kSharedBlockType = 3;

#pragma pack(push, 1)
struct OwnBlockHeader {
  std::uint8_t type;          // 2
  std::uint16_t chunks;       // 4096-byte chunks of the block
  std::uint32_t length;       // bytes of the blob
  std::uint16_t modNumber;
};

struct SharedSlot {
  std::uint8_t dataOffset16;  // offset of the data from the block start, in 16-byte units
  std::uint8_t size16;        // data size in 16-byte units, rounded up; 0 for a free slot
  std::uint16_t modNumber;
  std::uint8_t sizeMod16;     // data size modulo 16
};

struct SharedBlockHeader {
  std::uint8_t type;          // 3
  std::uint16_t chunks;       // 1
  std::uint8_t unused[9];
  SharedSlot slots[64];
};
#pragma pack(pop)

static_assert(sizeof(OwnBlockHeader) == 9);
static_assert(sizeof(SharedSlot) == 5);
static_assert(sizeof(SharedBlockHeader) == 12 + 64 * 5);
static_assert(__builtin_offsetof(SharedBlockHeader, slots) == 12);

// The reference at the end of a memo field.
struct Reference {
  std::uint32_t offset;
  std::uint32_t length;
  std::uint16_t modNumber;
};

inline Reference ReadReference(const std::uint8_t* fieldEnd) {
  const std::uint8_t* p = fieldEnd - kReferenceSize;
  Reference r;
  r.offset = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
  r.length = p[4] | (p[5] << 8) | (p[6] << 16) | (static_cast<std::uint32_t>(p[7]) << 24);
  r.modNumber = static_cast<std::uint16_t>(p[8] | (p[9] << 8));
  return r;
}

}  // namespace dvparadox::memo
