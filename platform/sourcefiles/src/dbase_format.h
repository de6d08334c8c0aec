// The stored layout of a dBase III / IV table (.dbf) and its memo file (.dbt).
// All integers are little-endian. A table is: the header, one descriptor per
// field, the byte 0x0D, then (at headerBytes) the records, each recordBytes
// long: a deletion flag (' ' live, '*' deleted) followed by the fields' text
// in descriptor order; an optional 0x1A ends the file.
#pragma once

#include <cstddef>
#include <cstdint>

struct DBaseHeader {
  uint8_t version;             // 0x03 dBase III/IV without memo, 0x83 dBase III with .dbt, 0x8B dBase IV with .dbt
  uint8_t updated[3];          // last update: year - 1900, month, day
  uint8_t recordCount[4];      // records in the file, deleted ones included
  uint8_t headerBytes[2];      // header + descriptors + terminator: where record 1 starts
  uint8_t recordBytes[2];      // one record, its deletion flag included
  uint8_t reserved1[2];
  uint8_t incompleteTransaction;
  uint8_t encrypted;
  uint8_t reserved2[12];       // multi-user use
  uint8_t hasProductionIndex;  // an .mdx file belongs to the table
  uint8_t languageDriver;      // code page mark (see DBaseCodePage)
  uint8_t reserved3[2];
};
static_assert(sizeof(DBaseHeader) == 32);
static_assert(offsetof(DBaseHeader, recordCount) == 4);
static_assert(offsetof(DBaseHeader, headerBytes) == 8);
static_assert(offsetof(DBaseHeader, recordBytes) == 10);
static_assert(offsetof(DBaseHeader, languageDriver) == 29);

struct DBaseFieldDescriptor {
  char name[11];               // ASCII, NUL-padded (no NUL when all 11 are used)
  char type;                   // 'C' character, 'N' numeric, 'F' float, 'D' date, 'L' logical, 'M' memo
  uint8_t reserved1[4];
  uint8_t length;              // bytes in the record
  uint8_t decimals;            // digits after the point (N and F)
  uint8_t reserved2[14];
};
static_assert(sizeof(DBaseFieldDescriptor) == 32);
static_assert(offsetof(DBaseFieldDescriptor, type) == 11);
static_assert(offsetof(DBaseFieldDescriptor, length) == 16);
static_assert(offsetof(DBaseFieldDescriptor, decimals) == 17);

constexpr uint8_t kDBaseFieldsEnd = 0x0D;    // follows the last field descriptor
constexpr char kDBaseLive = ' ';
constexpr char kDBaseDeleted = '*';

// Memo files are read in blocks. dBase III: 512-byte blocks; block 0 is the
// header; a memo's text starts at the start of its block and ends at the
// first 0x1A. dBase IV: the header's blockBytes gives the block size; a memo
// block opens with the marker and the length below.
struct DBaseMemoHeader {
  uint8_t nextFreeBlock[4];
  uint8_t reserved1[16];
  uint8_t blockBytes[2];       // dBase IV only; 0 in dBase III files
  uint8_t reserved2[490];
};
static_assert(sizeof(DBaseMemoHeader) == 512);
static_assert(offsetof(DBaseMemoHeader, blockBytes) == 20);

constexpr uint32_t kDBaseIIIMemoBlockBytes = 512;
constexpr uint8_t kDBaseMemoEnd = 0x1A;
// A dBase IV memo block: FF FF 08 00, then the length of the memo including
// these 8 bytes, then the text.
constexpr uint8_t kDBaseIVMemoMarker[4] = {0xFF, 0xFF, 0x08, 0x00};
constexpr size_t kDBaseIVMemoPrefixBytes = 8;

inline uint32_t DBaseLittleEndian(const uint8_t* bytes, int count) {
  uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}
