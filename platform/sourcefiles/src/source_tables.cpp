// The tables each kind of source offers, and the reader that opens one.
#include "source_reader.h"
#include "dbase_reader.h"
#include "excel_reader.h"
#include "paradox_reader.h"
#include "text_table_reader.h"

std::string DeclaredSqlType(const SourceColumn& column) {
  switch (column.type) {
    case SourceColumnType::Integer: return "INTEGER";
    case SourceColumnType::Real: return "REAL";
    case SourceColumnType::Date: return "DATE";
    case SourceColumnType::Boolean: return "BIT";
    case SourceColumnType::Text: break;
  }
  return column.width > 0 ? "VARCHAR(" + std::to_string(column.width) + ")" : "TEXT";
}

std::vector<std::string> ListSourceTables(SourceFileKind kind, const std::string& fileOrFolder) {
  switch (kind) {
    case SourceFileKind::Text: return ListTextTables(fileOrFolder);
    case SourceFileKind::Excel: return ListExcelTables(fileOrFolder);
    case SourceFileKind::DBase: return ListDBaseTables(fileOrFolder);
    case SourceFileKind::Paradox: return ListParadoxTables(fileOrFolder);
  }
  throw SourceFileError(fileOrFolder + ": unknown source kind " + std::to_string(static_cast<int>(kind)));
}

std::unique_ptr<SourceTableReader> OpenSourceTable(SourceFileKind kind, const std::string& fileOrFolder,
                                                   const std::string& tableName, const TextFormatOptions& options) {
  switch (kind) {
    case SourceFileKind::Text: return OpenTextTable(fileOrFolder, tableName, options);
    case SourceFileKind::Excel: return OpenExcelTable(fileOrFolder, tableName);
    case SourceFileKind::DBase: return OpenDBaseTable(fileOrFolder, tableName);
    case SourceFileKind::Paradox: return OpenParadoxTable(fileOrFolder, tableName);
  }
  throw SourceFileError(fileOrFolder + ": unknown source kind " + std::to_string(static_cast<int>(kind)));
}
