// Test support for the source readers: writing source files byte for byte
// and reading a staged SQLite table back as text.
#pragma once

#include <string>
#include <vector>

namespace sources_test {

// Writes `bytes` to `path` exactly (no line-end translation).
void WriteFile(const std::string& path, const std::string& bytes);

// A staged table read back: its columns' names and declared types, and its
// rows with every value as SQLite's text of it, NULL as "<null>".
struct StagedTable {
  std::vector<std::string> names;
  std::vector<std::string> types;
  std::vector<std::vector<std::string>> rows;
};

StagedTable ReadStagedTable(const std::string& sqlitePath, const std::string& tableName);

long StagedRowCount(const std::string& sqlitePath, const std::string& tableName);

// The names of the tables in an SQLite file, sorted.
std::vector<std::string> StagedTableNames(const std::string& sqlitePath);

// The bytes of the heap in use now (small blocks and mapped ones).
size_t HeapBytesInUse();

}  // namespace sources_test
