// Guards how often an import reads its staged source: from the first page
// to Finish, a text file is read whole at most twice (the table page
// measuring its column sizes, and the run), the previews reading no more
// than the rowsets they show. The reads are counted between the SQLite3
// driver and SQLite by a preloaded library (read_counter/).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "wizard_home.h"

namespace {

using wizard_test::RunScript;
using wizard_test::TextImportScript;
using wizard_test::WizardHome;

constexpr int kRows = 450;  // four and a half rowsets of the default 100

struct Pass {
  std::string kind;  // "whole" or "part"
  long rows;
  std::string sql;
};

std::vector<Pass> ReadPasses(const std::string& text) {
  std::vector<Pass> passes;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    Pass pass;
    fields >> pass.kind >> pass.rows;
    std::getline(fields, pass.sql);
    passes.push_back(pass);
  }
  return passes;
}

TEST(ScriptSourceReads, AnImportReadsItsTextFileWholeAtMostTwice) {
  WizardHome home;
  std::filesystem::create_directory(home / "src");
  std::ofstream csv(home / "src/products.csv");
  csv << "Name,Item,Dept,Notes,Price,Opt,Ch1,Ch1Price,Ch2,Ch2Price\n";
  for (int i = 0; i < kRows; ++i)
    csv << "Product " << i << ",IT-" << i << ",Range " << i % 4 << "/Group " << i % 10 << ",Notes " << i << ","
        << 1 + i % 50 << ".25,Size,Small,0.50,Large,1.25\n";
  csv.close();
  home.Write("src/products_csv.cfg",
             "<Options>=1\n<Choices>=2\n<Tables>=Name,Item,Dept,Notes,,Price,,,,Opt,,Ch1,Ch1Price,,Ch2,Ch2Price,\n");
  const auto run = RunScript(home, TextImportScript(home / "src/products.csv", home / "shop.kvc"),
                             "LD_PRELOAD='" SOURCE_READ_COUNTER "' TALLYPORT_SOURCE_READS='" + (home / "reads.txt") +
                                 "'");
  ASSERT_EQ(run.status, 0) << run.errors;
  const std::string log = home.Read("reads.txt");
  ASSERT_FALSE(log.empty()) << "the counting library saw no read";

  int whole = 0, counts = 0;
  bool runRead = false;
  for (const Pass& pass : ReadPasses(log)) {
    if (pass.sql.find("products.csv") == std::string::npos) continue;
    if (pass.sql.find("COUNT(*)") != std::string::npos) {
      ++counts;
      continue;
    }
    if (pass.kind != "whole") {
      EXPECT_LE(pass.rows, 100) << "a preview read more than its rowset: " << pass.sql;
      continue;
    }
    ++whole;
    EXPECT_EQ(pass.rows, kRows) << pass.sql;
    if (pass.sql.find("Price") != std::string::npos) runRead = true;
  }
  EXPECT_TRUE(runRead) << log;
  EXPECT_LE(whole, 2) << log;
  EXPECT_LE(counts, 1) << log;
}

}  // namespace
