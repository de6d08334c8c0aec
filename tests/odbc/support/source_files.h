// Source files written by the tests: text bytes as given, dBase III tables
// and Excel workbooks (written by python3 with xlwt), and the connection
// strings the wizard builds for them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace odbc_test {

void WriteBytes(const std::string& path, const std::string& bytes);

// A dBase III table: character fields (C) and numeric fields (N) of the
// given widths, one record per row (values already fitting their width).
struct DBaseField {
  std::string name;
  char type;
  int width;
  int decimals;
};
void WriteDBase(const std::string& path, const std::vector<DBaseField>& fields,
                const std::vector<std::vector<std::string>>& rows);

// A workbook whose sheets each hold a header row and text or number cells
// (a cell that reads as a number is written as one). Returns false when
// python3 with xlwt cannot be run.
struct Sheet {
  std::string name;
  std::vector<std::vector<std::string>> rows;
};
bool WriteWorkbook(const std::string& path, const std::vector<Sheet>& sheets);

// The connection strings the wizard's sheet builds from the shipped
// tallyport.ini.
std::string TextConnection(const std::string& folder, const std::string& format = "CSVDelimited");
std::string DBaseConnection(const std::string& folder);
std::string ExcelConnection(const std::string& file);

}  // namespace odbc_test
