// The memo file reader: one blob at a time, read with plain file calls.
#include "memo_reader.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "memo_format.h"

namespace dvparadox {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool ReadAt(std::FILE* f, std::uint64_t offset, void* buffer, std::size_t size) {
  return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0 && std::fread(buffer, 1, size, f) == size;
}

MemoReadResult Failure(Result code, const std::string& detail) { return MemoReadResult{code, detail}; }

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", value);
  return text;
}

}  // namespace

bool MemoFieldIsBlank(const std::uint8_t* field, int fieldLength) {
  memo::Reference ref = memo::ReadReference(field + fieldLength);
  return ref.length == 0;
}

MemoReadResult ReadMemoBlob(const std::uint8_t* field, int fieldLength, const std::string& memoPath,
                            std::vector<std::uint8_t>& blob) {
  blob.clear();
  const int leader = fieldLength - memo::kReferenceSize;
  if (leader < 0) return Failure(kErrCorruptTable, "memo field of " + std::to_string(fieldLength) + " bytes");
  memo::Reference ref = memo::ReadReference(field + fieldLength);
  if (ref.length == 0) return {};
  if (ref.offset == 0) {
    // The whole text lies in the leader.
    if (ref.length > static_cast<std::uint32_t>(leader))
      return Failure(kErrCorruptMemo, "blob of " + std::to_string(ref.length) + " bytes in a leader of " +
                                          std::to_string(leader));
    blob.assign(field, field + ref.length);
    return {};
  }
  if (memoPath.empty()) return Failure(kErrMemoFileMissing, "the table has no memo file (.mb)");
  File file(std::fopen(memoPath.c_str(), "rb"));
  if (!file) return Failure(kErrMemoFileMissing, memoPath);
  if (fseeko(file.get(), 0, SEEK_END) != 0) return Failure(kErrReadFailure, memoPath);
  const std::uint64_t fileSize = static_cast<std::uint64_t>(ftello(file.get()));

  const std::uint32_t blockOffset = ref.offset & ~0xffu;
  const std::uint8_t slot = static_cast<std::uint8_t>(ref.offset & 0xff);
  if (blockOffset == 0 || blockOffset % memo::kChunkSize != 0 || blockOffset >= fileSize)
    return Failure(kErrCorruptMemo, "blob reference " + Hex(ref.offset) + " outside " + memoPath);

  std::uint64_t dataOffset = 0;
  if (slot == memo::kOwnBlockSlot) {
    memo::OwnBlockHeader header;
    if (!ReadAt(file.get(), blockOffset, &header, sizeof header)) return Failure(kErrReadFailure, memoPath);
    if (header.type != memo::kOwnBlockType || header.length != ref.length)
      return Failure(kErrCorruptMemo, "block at " + Hex(blockOffset) + " of " + memoPath + " is of type " +
                                          std::to_string(header.type) + " with " + std::to_string(header.length) +
                                          " bytes, the record expects type 2 with " + std::to_string(ref.length));
    dataOffset = blockOffset + sizeof header;
  } else {
    if (slot >= 64) return Failure(kErrCorruptMemo, "slot " + std::to_string(slot) + " in " + memoPath);
    memo::SharedBlockHeader header;
    if (!ReadAt(file.get(), blockOffset, &header, sizeof header)) return Failure(kErrReadFailure, memoPath);
    const memo::SharedSlot& entry = header.slots[slot];
    const std::uint32_t rounded = entry.size16 * 16u;
    const std::uint64_t start = entry.dataOffset16 * 16u;
    if (header.type != memo::kSharedBlockType || rounded < ref.length || ref.length + 16 <= rounded ||
        start < sizeof header || start + ref.length > memo::kChunkSize)
      return Failure(kErrCorruptMemo, "slot " + std::to_string(slot) + " of the block at " + Hex(blockOffset) +
                                          " of " + memoPath + " does not hold " + std::to_string(ref.length) +
                                          " bytes");
    dataOffset = blockOffset + start;
  }
  if (dataOffset + ref.length > fileSize)
    return Failure(kErrCorruptMemo, "blob of " + std::to_string(ref.length) + " bytes past the end of " + memoPath);
  try {
    blob.resize(ref.length);
  } catch (const std::bad_alloc&) {
    return Failure(kErrNoMemory, std::to_string(ref.length) + " bytes");
  }
  if (!ReadAt(file.get(), dataOffset, blob.data(), ref.length)) {
    blob.clear();
    return Failure(kErrReadFailure, memoPath);
  }
  return {};
}

}  // namespace dvparadox
