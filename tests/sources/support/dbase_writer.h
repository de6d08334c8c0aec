// Test support: dBase tables and memo files written byte for byte, so that
// the reader's tests control every header field.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sources_test {

struct DbfField {
  std::string name;
  char type;
  uint8_t length;
  uint8_t decimals = 0;
};

struct DbfRecord {
  std::vector<std::string> values;   // N and F right-aligned, the others left-aligned, blank-padded
  bool deleted = false;
};

struct DbfTable {
  uint8_t version = 0x03;
  uint8_t codePageMark = 0x03;
  std::vector<DbfField> fields;
  std::vector<DbfRecord> records;
  long recordCountOverride = -1;     // the header's count when not the records'
};

std::string DbfBytes(const DbfTable& table);

// A memo file holding `memos` (each in its own block(s)), the first at block
// 1: dBase III style (512-byte blocks, text ended by 0x1A 0x1A) when
// blockBytes is 0, else dBase IV style with that block size. The block number
// of each memo is put into `blocks`.
std::string DbtBytes(const std::vector<std::string>& memos, uint16_t blockBytes, std::vector<uint32_t>& blocks);

}  // namespace sources_test
