// Guards the readers of the program's own text files against damaged and
// hostile copies: mapping files, tallyport.ini (connection strings and the
// rowset size), langlist.ini, payment-method ini files and the language
// text tables. Each mutated file is read in a child process, which must end
// with the file read or refused with a message, never with a signal, a hang
// or runaway memory.
#include "hostile_expect.h"
#include "hostile_harness.h"

#include "app_settings.h"
#include "connection_string.h"
#include "dv_scratch_dir.h"
#include "main_sheet.h"
#include "mapping_file.h"
#include "pay_method_file.h"
#include "supported_languages.h"
#include "text_table.h"

#include <gtest/gtest.h>

namespace {

std::string DataFile(const std::string& name) { return hostile::ReadBytes(std::string(DV_DATA_DIR) + "/" + name); }

constexpr int kShortCases = 20;

// The mapping page reads the file whole and hands its text over.
TEST(SettingsFilesHostile, MappingFiles) {
  dv_test::scratch_dir dir;
  const std::string path = dir / "mapping.cfg";
  const std::string valid = "<Options>=2\n<Choices>=3\n<Tables>=Item Name,Item Number,,Description,,Price,,,,Tax,\n";
  const auto tally = hostile::RunReader(
      "mapping file", valid, hostile::CaseCount(kShortCases),
      [&](const std::string& bytes) { hostile::WriteBytes(path, bytes); },
      [&] {
        const std::string bytes = hostile::ReadBytes(path);
        CString text;
        text.GetBufferSetLength(static_cast<int>(bytes.size()));
        std::copy(bytes.begin(), bytes.end(), text.GetBuffer(0));
        text.ReleaseBuffer(static_cast<int>(bytes.size()));
        ReadMappingSections(text);
      });
  hostile::ExpectNoBadCase(tally);
}

TEST(SettingsFilesHostile, ShippedMappingFiles) {
  dv_test::scratch_dir dir;
  const std::string path = dir / "mapping.cfg";
  const auto tally = hostile::RunReader(
      "shipped mapping file", DataFile("default_myob.cfg"), hostile::CaseCount(kShortCases),
      [&](const std::string& bytes) { hostile::WriteBytes(path, bytes); },
      [&] {
        const std::string bytes = hostile::ReadBytes(path);
        ReadMappingSections(CString(bytes.c_str()));
      });
  hostile::ExpectNoBadCase(tally);
}

TEST(SettingsFilesHostile, ProgramIni) {
  dv_test::scratch_dir dir;
  const CString folder = dir.path().c_str();
  const auto tally = hostile::RunReader(
      "tallyport.ini", DataFile("tallyport.ini"), hostile::CaseCount(kShortCases),
      [&](const std::string& bytes) { hostile::WriteBytes(dir / "tallyport.ini", bytes); },
      [&] {
        ReadRowsetSize(folder);
        for (int type = 0; type <= 10; ++type) BuildConnectionString(type, 0, folder, "DSN=shop");
      });
  hostile::ExpectNoBadCase(tally);
}

TEST(SettingsFilesHostile, LanguageList) {
  dv_test::scratch_dir dir;
  const std::string path = dir / "langlist.ini";
  const auto tally = hostile::RunReader(
      "langlist.ini", DataFile("langlist.ini"), hostile::CaseCount(kShortCases),
      [&](const std::string& bytes) { hostile::WriteBytes(path, bytes); },
      [&] {
        CSupportedLanguageList list;
        LoadSupportedLanguagesFrom(list, path.c_str());
        if (list.size() > size_t(kMaxSupportedLanguages)) throw std::logic_error("more languages than the cap");
      });
  hostile::ExpectNoBadCase(tally);
}

// What the shop model reads of a payment method's file: its names per
// language and the field lines of a language's section.
TEST(SettingsFilesHostile, PaymentMethodFiles) {
  dv_test::scratch_dir dir;
  const std::string path = dir / "method.ini";
  const auto tally = hostile::RunReader(
      "payment-method ini", DataFile("payment methods/sendcheck.ini"), hostile::CaseCount(kShortCases),
      [&](const std::string& bytes) { hostile::WriteBytes(path, bytes); },
      [&] {
        const CIniFile ini(path.c_str());
        for (const char* language : {"EN", "DE", "IT"}) {
          CString name;
          ReadIniStringLocaleFallback(ini, name, "Method Names", language);
          CStringArray lines;
          ReadIniSectionLines(ini, language, lines, true);
          for (int i = 0; i < lines.GetSize(); ++i) {
            PayFieldSpec field;
            ParsePayFieldLine(lines[i], field);
          }
        }
      });
  hostile::ExpectNoBadCase(tally);
}

// The region table has parents by path; the currency tables are flat.
TEST(SettingsFilesHostile, LanguageTextTables) {
  dv_test::scratch_dir dir;
  theDefaultSettings.m_strAppDir = dir.path().c_str();
  for (const char* name : {"Regions", "CurrencySym"}) {
    const std::string file = std::string(name) + "EN.txt";
    const auto tally = hostile::RunReader(
        std::string("text table ") + file, DataFile("tables/" + file), hostile::CaseCount(kShortCases / 2),
        [&](const std::string& bytes) { hostile::WriteBytes(dir / file, bytes); },
        [&] {
          CTextTable table;
          table.SetName(name);
          table.SetLanguage("EN");
          table.Load(0);
          for (int i = 0; i < table.GetRowCount(); ++i)
            if (table.GetRow(i).GetParent() >= i) throw std::logic_error("a parent after its child");
          table.Lookup("US/");
          table.ReverseLookup("Canada");
        });
    hostile::ExpectNoBadCase(tally);
  }
}

}  // namespace
