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
constexpr long kFieldCountAt = 0x21;   // uint16
constexpr long kFieldTypesAt = 0x78;   // two bytes per field, type and size
constexpr long kMaxFields = 255;
constexpr long kEncryptionAt = 0x25;  // uint32: non-zero for an encrypted table (kNoKeyMark from version 4)
constexpr uint32_t kNoKeyMark = 0xFF00FF00;
constexpr long kFileVersionAt = 0x39;  // uint8: 3 to 12; 4 and later carry the key in a second word
constexpr long kEncryption2At = 0x5C;  // uint32
constexpr long kFixedHeaderBytes = 0x60;
constexpr long kBlockHeaderBytes = 6;  // next block, previous block, last record offset

uint32_t Uint32At(const std::vector<unsigned char>& bytes, long at) {
  return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (uint32_t(bytes[at + 3]) << 24);
}

unsigned Uint16At(const std::vector<unsigned char>& bytes, long at) { return bytes[at] | (bytes[at + 1] << 8); }

bool ReadAt(std::FILE* file, long offset, unsigned char* into, long count) {
  return std::fseek(file, offset, SEEK_SET) == 0 && std::fread(into, 1, count, file) == static_cast<size_t>(count);
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
  const bool laterVersion = version >= 4;
  if ((encryption != 0 && !(laterVersion && encryption == kNoKeyMark)) ||
      (laterVersion && Uint32At(header, kEncryption2At) != 0))
    return "encrypted table";
  const unsigned blockKb = header[kBlockKbAt];
  if (blockKb != 1 && blockKb != 2 && blockKb != 3 && blockKb != 4 && blockKb != 8 && blockKb != 16 && blockKb != 32)
    return "block size " + std::to_string(blockKb) + " KB";
  const long blockBytes = long(blockKb) * 1024;
  const long headerBytes = Uint16At(header, kHeaderSizeAt);
  if (headerBytes < kFixedHeaderBytes || headerBytes > fileBytes)
    return "header size " + std::to_string(headerBytes) + " in a file of " + std::to_string(fileBytes) + " bytes";
  const long fieldCount = Uint16At(header, kFieldCountAt);
  if (fieldCount == 0 || fieldCount > kMaxFields || kFieldTypesAt + 2 * fieldCount > headerBytes)
    return "field count " + std::to_string(fieldCount) + " in a header of " + std::to_string(headerBytes) + " bytes";
  const long recordBytes = Uint16At(header, kRecordSizeAt);
  if (recordBytes == 0 || recordBytes > blockBytes - kBlockHeaderBytes)
    return "record size " + std::to_string(recordBytes) + " with blocks of " + std::to_string(blockBytes) + " bytes";

  const long blocksInFile = (fileBytes - headerBytes) / blockBytes;
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
