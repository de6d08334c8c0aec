// Source files written by the tests.
#include "source_files.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace odbc_test {

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

namespace {

void PutLittle(std::string& bytes, uint32_t value, int count) {
  for (int i = 0; i < count; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "'";
}

}  // namespace

void WriteDBase(const std::string& path, const std::vector<DBaseField>& fields,
                const std::vector<std::vector<std::string>>& rows) {
  uint32_t recordLength = 1;
  for (const DBaseField& field : fields) recordLength += static_cast<uint32_t>(field.width);
  const uint32_t headerLength = 32 + 32 * static_cast<uint32_t>(fields.size()) + 1;
  std::string bytes;
  bytes += '\x03';
  bytes += static_cast<char>(126);  // last update 2026-12-11 (years since 1900)
  bytes += '\x0C';
  bytes += '\x0B';
  PutLittle(bytes, static_cast<uint32_t>(rows.size()), 4);
  PutLittle(bytes, headerLength, 2);
  PutLittle(bytes, recordLength, 2);
  bytes.append(20, '\0');
  for (const DBaseField& field : fields) {
    std::string name = field.name.substr(0, 10);
    name.resize(11, '\0');
    bytes += name;
    bytes += field.type;
    bytes.append(4, '\0');
    bytes += static_cast<char>(field.width);
    bytes += static_cast<char>(field.decimals);
    bytes.append(14, '\0');
  }
  bytes += '\x0D';
  for (const auto& row : rows) {
    bytes += ' ';
    for (size_t f = 0; f < fields.size(); ++f) {
      std::string value = row[f].substr(0, fields[f].width);
      const size_t pad = fields[f].width - value.size();
      if (fields[f].type == 'N')
        bytes += std::string(pad, ' ') + value;
      else
        bytes += value + std::string(pad, ' ');
    }
  }
  bytes += '\x1A';
  WriteBytes(path, bytes);
}

bool WriteWorkbook(const std::string& path, const std::vector<Sheet>& sheets) {
  std::string script = "import xlwt\nbook = xlwt.Workbook()\n";
  for (const Sheet& sheet : sheets) {
    script += "s = book.add_sheet(" + Quoted(sheet.name) + ")\n";
    for (size_t r = 0; r < sheet.rows.size(); ++r)
      for (size_t c = 0; c < sheet.rows[r].size(); ++c) {
        const std::string& value = sheet.rows[r][c];
        char* end = nullptr;
        std::strtod(value.c_str(), &end);
        const bool number = r > 0 && !value.empty() && end != nullptr && *end == '\0';
        script += "s.write(" + std::to_string(r) + ", " + std::to_string(c) + ", " +
                  (number ? value : Quoted(value)) + ")\n";
      }
  }
  script += "book.save(" + Quoted(path) + ")\n";
  const std::string scriptPath = path + ".py";
  WriteBytes(scriptPath, script);
  // Debian's python3, which the python3-xlwt package serves.
  const std::string command = "/usr/bin/python3 " + scriptPath + " >/dev/null 2>&1";
  const bool ok = std::system(command.c_str()) == 0;
  std::remove(scriptPath.c_str());
  return ok;
}

namespace {

const char* kGeneralKeys = "MaxBufferSize=2048;MaxScanRows=8;PageTimeout=5;SafeTransactions=0;Threads=3;UID=admin;"
                           "UserCommitSync=Yes;";

}  // namespace

std::string TextConnection(const std::string& folder, const std::string& format) {
  return "DefaultDir=" + folder +
         ";Driver={Microsoft Text Driver (*.txt; *.csv)};DriverId=27;FIL=text;Extensions=asc,csv,tab,txt;"
         "ColNameHeader=;Format=" +
         format + ";" + kGeneralKeys + "DBQ=;";
}

std::string DBaseConnection(const std::string& folder) {
  return "DRIVER={Microsoft dBase Driver (*.dbf)};UID=admin;UserCommitSync=Yes;Threads=3;Statistics=0;"
         "SafeTransactions=0;PageTimeout=5;MaxScanRows=8;MaxBufferSize=2048;FIL=dBase IV;DriverId=533;Deleted=1;"
         "DefaultDir=" +
         folder + ";";
}

std::string ExcelConnection(const std::string& file) {
  return "DefaultDir=" + file.substr(0, file.rfind('/')) +
         ";Driver={Microsoft Excel Driver (*.xls)};DriverId=790;FIL=excel 8.0;Extensions=;ColNameHeader=;Format=;" +
         kGeneralKeys + "DBQ=" + file + ";";
}

}  // namespace odbc_test
