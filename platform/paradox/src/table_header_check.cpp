#include "table_header_check.h"

#include <cstdint>
#include <vector>

namespace dvparadox {

namespace {

// Offsets of the header fields used here (little-endian).
constexpr long kRecordSizeAt = 0x00;   // uint16
constexpr long kHeaderSizeAt = 0x02;   // uint16
constexpr long kBlockKbAt = 0x05;      // uint8: the data block size in KB
constexpr long kFirstBlockAt = 0x0E;   // uint16: 1-based, 0 for none
constexpr long kRecordCountAt = 0x06;  // uint32
constexpr long kFieldCountAt = 0x21;   // uint16
// Two bytes per field, type and size: behind the data header that tables
// of version 5 and later carry from 0x58, else at 0x58 itself.
constexpr long kFieldTypesAt = 0x78;
constexpr long kOldFieldTypesAt = 0x58;
constexpr unsigned kFirstDataHeaderVersion = 5;
constexpr long kMaxFields = 255;
constexpr long kEncryptionAt = 0x25;  // uint32: non-zero for an encrypted table (kNoKeyMark with a data header)
constexpr uint32_t kNoKeyMark = 0xFF00FF00;
constexpr long kFileVersionAt = 0x39;  // uint8: 3 to 12; a data header carries the key in a second word
constexpr long kEncryption2At = 0x5C;  // uint32
constexpr unsigned kBcdType = 0x17;     // a BCD field's size byte holds its digits; it takes 17 bytes
constexpr long kBcdBytes = 17;
constexpr long kFixedHeaderBytes = 0x60;
constexpr long kBlockHeaderBytes = 6;  // next block, previous block, last record offset

uint32_t Uint32At(const std::vector<unsigned char>& bytes, long at) {
  return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (uint32_t(bytes[at + 3]) << 24);
}

unsigned Uint16At(const std::vector<unsigned char>& bytes, long at) { return bytes[at] | (bytes[at + 1] << 8); }

bool ReadAt(std::FILE* file, long offset, unsigned char* into, long count) {
  return std::fseek(file, offset, SEEK_SET) == 0 && std::fread(into, 1, count, file) == static_cast<size_t>(count);
}

// The bytes a field of type with the size byte size takes in a record; -1
// for an unknown type or a size the type cannot have (the library reads a
// number of the record's size into a value of the type's).
long FieldBytes(unsigned type, unsigned size) {
  constexpr unsigned kMemoReferenceBytes = 10;  // a memo or blob field ends with its 10-byte reference
  constexpr unsigned kMostBcdDigits = 32;
  switch (type) {
    case 0x01:  // alpha
    case 0x18:  // bytes
      return size != 0 ? long(size) : -1;
    case 0x03: return size == 2 ? 2 : -1;  // short
    case 0x02:  // date
    case 0x04:  // long
    case 0x14:  // time
    case 0x16:  // autoincrement
      return size == 4 ? 4 : -1;
    case 0x05:  // currency
    case 0x06:  // number
    case 0x15:  // timestamp
      return size == 8 ? 8 : -1;
    case 0x09: return size == 1 ? 1 : -1;  // logical
    case 0x0C: case 0x0D: case 0x0E: case 0x0F: case 0x10:  // memo, blob, formatted memo, OLE, graphic
      return size >= kMemoReferenceBytes ? long(size) : -1;
    case kBcdType: return size <= kMostBcdDigits ? kBcdBytes : -1;
  }
  return -1;
}

// What is wrong with the field descriptions (type and size per field) for
// records of recordBytes: an unknown type, a size the type cannot have, or
// sizes that do not add up to the record, which the library reads records by.
std::string FieldProblem(const std::vector<unsigned char>& fields, long recordBytes) {
  long sum = 0;
  for (size_t i = 0; i + 1 < fields.size(); i += 2) {
    const unsigned type = fields[i], size = fields[i + 1];
    const long bytes = FieldBytes(type, size);
    if (bytes < 0)
      return "field " + std::to_string(i / 2 + 1) + " has type " + std::to_string(type) + " and size " +
             std::to_string(size);
    sum += bytes;
  }
  if (sum != recordBytes)
    return "fields of " + std::to_string(sum) + " bytes in records of " + std::to_string(recordBytes) + " bytes";
  return {};
}

}  // namespace

std::string TableHeaderProblem(std::FILE* file) {
  if (std::fseek(file, 0, SEEK_END) != 0) return "the file cannot be read";
  const long fileBytes = std::ftell(file);
  std::vector<unsigned char> header(kFixedHeaderBytes);
  const bool read = ReadAt(file, 0, header.data(), kFixedHeaderBytes);
  std::rewind(file);
  if (!read) return "the header is cut short (" + std::to_string(fileBytes) + " bytes)";

  const unsigned version = header[kFileVersionAt];
  if (version < 3 || version > 12) return "file version " + std::to_string(version);
  const uint32_t encryption = Uint32At(header, kEncryptionAt);
  const bool dataHeader = version >= kFirstDataHeaderVersion;
  if ((encryption != 0 && !(dataHeader && encryption == kNoKeyMark)) ||
      (dataHeader && Uint32At(header, kEncryption2At) != 0))
    return "encrypted table";
  const long fieldTypesAt = dataHeader ? kFieldTypesAt : kOldFieldTypesAt;
  const unsigned blockKb = header[kBlockKbAt];
  if (blockKb != 1 && blockKb != 2 && blockKb != 3 && blockKb != 4 && blockKb != 8 && blockKb != 16 && blockKb != 32)
    return "block size " + std::to_string(blockKb) + " KB";
  const long blockBytes = long(blockKb) * 1024;
  const long headerBytes = Uint16At(header, kHeaderSizeAt);
  if (headerBytes < kFixedHeaderBytes || headerBytes > fileBytes)
    return "header size " + std::to_string(headerBytes) + " in a file of " + std::to_string(fileBytes) + " bytes";
  const long fieldCount = Uint16At(header, kFieldCountAt);
  if (fieldCount == 0 || fieldCount > kMaxFields || fieldTypesAt + 2 * fieldCount > headerBytes)
    return "field count " + std::to_string(fieldCount) + " in a header of " + std::to_string(headerBytes) + " bytes";
  const long recordBytes = Uint16At(header, kRecordSizeAt);
  if (recordBytes == 0 || recordBytes > blockBytes - kBlockHeaderBytes)
    return "record size " + std::to_string(recordBytes) + " with blocks of " + std::to_string(blockBytes) + " bytes";
  std::vector<unsigned char> fields(2 * fieldCount);
  const bool fieldsRead = ReadAt(file, fieldTypesAt, fields.data(), long(fields.size()));
  std::rewind(file);
  if (!fieldsRead) return "the field descriptions cannot be read";
  if (std::string problem = FieldProblem(fields, recordBytes); !problem.empty()) return problem;

  const long blocksInFile = (fileBytes - headerBytes) / blockBytes;
  // The reader walks as many records as the header counts.
  const uint64_t mostRecords = uint64_t(blocksInFile) * uint64_t((blockBytes - kBlockHeaderBytes) / recordBytes);
  if (Uint32At(header, kRecordCountAt) > mostRecords)
    return std::to_string(Uint32At(header, kRecordCountAt)) + " records in " + std::to_string(blocksInFile) +
           " blocks that hold at most " + std::to_string(mostRecords);
  std::vector<bool> seen(blocksInFile + 1, false);
  unsigned char blockHeader[kBlockHeaderBytes];
  for (long block = Uint16At(header, kFirstBlockAt); block != 0;) {
    if (block > blocksInFile)
      return "data block " + std::to_string(block) + " lies beyond the end of the file (" +
             std::to_string(blocksInFile) + " blocks)";
    if (seen[block]) return "data block " + std::to_string(block) + " is reached twice";
    seen[block] = true;
    const bool blockRead = ReadAt(file, headerBytes + long(block - 1) * blockBytes, blockHeader, kBlockHeaderBytes);
    std::rewind(file);
    if (!blockRead) return "data block " + std::to_string(block) + " cannot be read";
    block = blockHeader[0] | (blockHeader[1] << 8);
  }
  return {};
}

}  // namespace dvparadox
