// Guards, through the scripted driver, the target page's choice of the
// shop: an existing shop typed by its bare name is found in the program
// folder whatever folder the program runs in; a shop in a folder that
// cannot be written is refused as read-only (51524), not as a bad file; a
// new shop in a folder that does not exist is refused on the page.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "wizard_home.h"

namespace {

using wizard_test::RunScript;
using wizard_test::TextImportScript;
using wizard_test::WizardHome;

// From the first page to the target page for the remembered sample.
std::string ToTargetPage() {
  return "expect page 20000\npick 1149 Text (*.csv,*.txt)\nnext\nexpect page 20001\nnext\nexpect page 20004\nnext\n"
         "expect page 20009\nnext\nexpect page 20005\nnext\nexpect page 20008\n";
}

class ScriptTarget : public ::testing::Test {
 protected:
  ScriptTarget() {
    home.Write("garden_catalogue_csv.cfg", "<Options>=0\n<Choices>=0\n<Tables>=Name,Item Number,Department,"
                                           "Description,Image,Price,Special,Tax,Link\n");
  }
  // A shop made by an import of the sample catalogue.
  void MakeShop(const std::string& path) {
    const auto run = RunScript(home, TextImportScript(home / "garden_catalogue.csv", path));
    ASSERT_EQ(run.status, 0) << run.errors;
  }

  WizardHome home;
};

TEST_F(ScriptTarget, AnExistingShopNamedWithoutAFolder) {
  MakeShop(home / "myshop.kvc");
  ASSERT_NE(std::filesystem::current_path(), std::filesystem::path(home.path()));
  const auto run = RunScript(home, ToTargetPage() + "set 21135 myshop.kvc\nnext\nexpect page 20007\ncancel\n");
  EXPECT_EQ(run.status, 0) << run.errors;
}

TEST_F(ScriptTarget, AShopInAReadOnlyFolderIsRefusedAsReadOnly) {
  const std::string folder = home / "locked";
  std::filesystem::create_directory(folder);
  MakeShop(folder + "/shop.kvc");
  ::chmod(folder.c_str(), 0555);
  // Root writes anywhere but into an immutable folder.
  if (::geteuid() == 0) std::system(("chattr +i '" + folder + "' 2>/dev/null").c_str());
  const bool writable = ::access(folder.c_str(), W_OK) == 0;
  const auto run =
      writable ? wizard_test::ProgramRun{0, ""}
               : RunScript(home, ToTargetPage() + "set 21135 " + folder +
                                     "/shop.kvc\nanswer ok id 51524\nnext\nexpect message 51524\nexpect page 20008\n"
                                     "cancel\n");
  if (::geteuid() == 0) std::system(("chattr -i '" + folder + "' 2>/dev/null").c_str());
  ::chmod(folder.c_str(), 0755);
  if (writable) GTEST_SKIP() << "no folder here is read-only to this user";
  EXPECT_EQ(run.status, 0) << run.errors;
}

TEST_F(ScriptTarget, ANewShopInAFolderThatDoesNotExistIsRefused) {
  const std::string missing = home / "no such folder";
  const auto run = RunScript(home, ToTargetPage() + "set 21135 " + missing + "/new.kvc\nanswer ok\nnext\n"
                                   "expect message The folder \"" + missing +
                                   "\" for the new shop file does not exist.\nexpect page 20008\ncancel\n");
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace
