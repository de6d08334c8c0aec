// Writing dBase tables and memo files for the reader's tests.
#include "dbase_writer.h"

namespace sources_test {

namespace {

void PutLittleEndian(std::string& out, size_t at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string Padded(const std::string& value, const DbfField& field) {
  std::string text = value.substr(0, field.length);
  const std::string blanks(field.length - text.size(), ' ');
  return field.type == 'N' || field.type == 'F' ? blanks + text : text + blanks;
}

}  // namespace

std::string DbfBytes(const DbfTable& table) {
  size_t recordBytes = 1;
  for (const auto& field : table.fields) recordBytes += field.length;
  const size_t headerBytes = 32 + 32 * table.fields.size() + 1;
  const long count = table.recordCountOverride >= 0 ? table.recordCountOverride : static_cast<long>(table.records.size());

  std::string out(32, '\0');
  out[0] = static_cast<char>(table.version);
  out[1] = 126;   // 2026
  out[2] = 12;
  out[3] = 11;
  PutLittleEndian(out, 4, static_cast<uint32_t>(count), 4);
  PutLittleEndian(out, 8, static_cast<uint32_t>(headerBytes), 2);
  PutLittleEndian(out, 10, static_cast<uint32_t>(recordBytes), 2);
  out[29] = static_cast<char>(table.codePageMark);
  for (const auto& field : table.fields) {
    std::string descriptor(32, '\0');
    descriptor.replace(0, field.name.size(), field.name);
    descriptor[11] = field.type;
    descriptor[16] = static_cast<char>(field.length);
    descriptor[17] = static_cast<char>(field.decimals);
    out += descriptor;
  }
  out += '\x0D';
  for (const auto& record : table.records) {
    out += record.deleted ? '*' : ' ';
    for (size_t i = 0; i < table.fields.size(); ++i)
      out += Padded(i < record.values.size() ? record.values[i] : "", table.fields[i]);
  }
  out += '\x1A';
  return out;
}

std::string DbtBytes(const std::vector<std::string>& memos, uint16_t blockBytes, std::vector<uint32_t>& blocks) {
  const size_t block = blockBytes == 0 ? 512 : blockBytes;
  std::string out(512, '\0');
  PutLittleEndian(out, 20, blockBytes, 2);
  out.resize(((out.size() + block - 1) / block) * block, '\0');
  blocks.clear();
  for (const auto& memo : memos) {
    blocks.push_back(static_cast<uint32_t>(out.size() / block));
    std::string stored;
    if (blockBytes == 0) {
      stored = memo + "\x1A\x1A";
    } else {
      stored = std::string("\xFF\xFF\x08\x00", 4) + std::string(4, '\0') + memo;
      PutLittleEndian(stored, 4, static_cast<uint32_t>(memo.size() + 8), 4);
    }
    stored.resize(((stored.size() + block - 1) / block) * block, ' ');
    out += stored;
  }
  PutLittleEndian(out, 0, static_cast<uint32_t>(out.size() / block), 4);
  return out;
}

}  // namespace sources_test
