// Guards the wizard's settings writes where a person meets them, through the
// scripted program: a tallyport.ini that cannot be written is left as it
// was and each setting that could not be saved is reported with the file
// and the reason; a tallyport.ini that is a symbolic link is
// written through to its file and stays a link.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "file_size_limit.h"
#include "wizard_home.h"

namespace {

using wizard_test::RunScript;
using wizard_test::WizardHome;

// Leaving the file name saves DefaultDir and the text format.
std::string LeaveFileNameScript(const WizardHome& home, const std::string& answers) {
  return "pick 1149 Text (*.csv,*.txt)\n"
         "next\n" +
         answers + "set 21186 " + (home / "garden_catalogue.csv") + "\n";
}

// tallyport.ini may not grow (the file-size limit): the remembered format
// is not saved, the person is told which file and why, the file is as it
// was, and the source's own schema.ini is still written.
TEST(SettingsWrites, AnUnsavedSettingIsReportedAndTheIniIsLeftAsItWas) {
  WizardHome home;
  const std::string ini = home / "tallyport.ini";
  // Without a remembered format, saving one makes the file grow.
  std::string before = home.Read("tallyport.ini");
  const size_t format = before.find("\nFormat=");
  ASSERT_NE(format, std::string::npos);
  before.erase(format + 1, before.find('\n', format + 1) - format);
  home.Write("tallyport.ini", before);
  const std::string message = "The setting Format could not be saved: " + ini + ": the file is too large.";
  wizard_test::ProgramRun run{};
  {
    wizard_test::FileSizeLimit limit(before.size());
    run = RunScript(home, LeaveFileNameScript(home, "answer ok text " + message + "\n") + "expect message " +
                              message + "\ncancel\n");
  }
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(home.Read("tallyport.ini"), before);
  EXPECT_NE(home.Read("schema.ini").find("[garden_catalogue.csv]"), std::string::npos);
}

TEST(SettingsWrites, ALinkedIniIsWrittenThroughAndStaysALink) {
  WizardHome home;
  const std::string ini = home / "tallyport.ini";
  ASSERT_EQ(::mkdir((home / "shared").c_str(), 0755), 0);
  ASSERT_EQ(::rename(ini.c_str(), (home / "shared/tallyport.ini").c_str()), 0);
  ASSERT_EQ(::symlink("shared/tallyport.ini", ini.c_str()), 0);
  auto run = RunScript(home, LeaveFileNameScript(home, "") + "cancel\n");
  EXPECT_EQ(run.status, 0) << run.errors;
  struct stat st;
  ASSERT_EQ(::lstat(ini.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link was replaced by a file";
  EXPECT_NE(home.Read("shared/tallyport.ini").find("Format=CSVDelimited"), std::string::npos)
      << home.Read("shared/tallyport.ini");
}

// The mapping page saves the mapping when it is left; the remembered file
// beside the source is a link to a mapping kept elsewhere.
TEST(SettingsWrites, ALinkedMappingFileIsWrittenThroughAndStaysALink) {
  WizardHome home;
  ASSERT_EQ(::mkdir((home / "src").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((home / "maps").c_str(), 0755), 0);
  home.Write("src/products.csv", "Name,Item,Price\nGarden Rake,R-100,12.50\n");
  home.Write("maps/products.cfg", "<Options>=0\n<Choices>=0\n<Tables>=Name,Item,,,,Price,\n");
  const std::string link = home / "src/products_csv.cfg";
  ASSERT_EQ(::symlink("../maps/products.cfg", link.c_str()), 0);
  auto run = RunScript(home, "pick 1149 Text (*.csv,*.txt)\nnext\nset 21186 " + (home / "src/products.csv") +
                                 "\nnext\nexpect page 20004\nnext\nexpect page 20009\nnext\nexpect page 20005\n"
                                 "cancel\n");
  EXPECT_EQ(run.status, 0) << run.errors;
  struct stat st;
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link was replaced by a file";
  const std::string saved = home.Read("maps/products.cfg");
  EXPECT_NE(saved.find("<Tables>=Name,Item,"), std::string::npos) << saved;
  EXPECT_NE(saved.find("Price"), std::string::npos) << saved;
}

}  // namespace
