// Guards finding an installed Quillon product: the installation folder read
// from uninstall commands (case kept), and which folders count as shops --
// the installation folder itself, or its sub-folders whose "db" folder
// holds all five tables, names matched without regard to case.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "dv_scratch_dir.h"
#include "fw_registry_profile.h"
#include "quillon_installation.h"

namespace {

TEST(QuillonInstallation, ReadsTheFolderFromUninstallCommands) {
  struct Case {
    const char* command;
    const char* folder;
  };
  const Case cases[] = {
      {"/opt/Quillon/uninst -f\"/opt/Quillon/Shops/uninst.isu\"", "/opt/Quillon/Shops"},
      {"C:\\WINDOWS\\IsUninst.exe -F\"C:\\Programme\\Quillon\\Uninst.isu\"", "C:\\Programme\\Quillon"},
      {"uninst -f/srv/Quillon", "/srv/Quillon"},
      {"uninst -f\"/srv/My Quillon\"", "/srv/My Quillon"},
      {"uninst /quiet", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_STREQ(c.folder, InstallFolderFromUninstallString(c.command)) << c.command;
}

TEST(QuillonInstallation, FindsTheFolderInTheMachineProfile) {
  dv_test::scratch_dir config;
  ::setenv("DV_FRAME_CONFIG_HOME", config.path().c_str(), 1);
  EXPECT_STREQ("", FindQuillonInstallFolder(MachineUninstallProfile()));
  ASSERT_TRUE(MachineUninstallProfile().WriteProfileString("Uninstall\\Quillon", "UninstallString",
                                                           "uninst -f\"/opt/Quillon/uninst.isu\""));
  EXPECT_STREQ("/opt/Quillon", FindQuillonInstallFolder(MachineUninstallProfile()));
  ::unsetenv("DV_FRAME_CONFIG_HOME");
}

void MakeShop(const std::string& folder, const std::vector<std::string>& tables, const char* db = "db") {
  std::filesystem::create_directories(folder + "/" + db);
  for (const std::string& table : tables) std::ofstream(folder + "/" + db + "/" + table) << "";
}

const std::vector<std::string> kTables = {"PRODUCT.db", "CATEGORY.db", "CAT_PROD.db", "SHOP.db", "VAT.db"};

TEST(QuillonInstallation, ListsTheShopsOfAnInstallation) {
  dv_test::scratch_dir install;
  MakeShop(install / "Beta", kTables);
  MakeShop(install / "alpha", {"product.DB", "Category.db", "cat_prod.db", "SHOP.DB", "vat.db"}, "DB");
  MakeShop(install / "NoVat", {"PRODUCT.db", "CATEGORY.db", "CAT_PROD.db", "SHOP.db"});
  std::filesystem::create_directories(install / "empty");
  std::ofstream(install / "file.txt") << "";
  CStringArray names, folders;
  ASSERT_TRUE(ListQuillonShops(install.path().c_str(), names, folders));
  ASSERT_EQ(2, names.GetSize());
  EXPECT_STREQ("Beta", names[0]);
  EXPECT_STREQ("alpha", names[1]);
  EXPECT_STREQ((install / "Beta/").c_str(), folders[0]);
  EXPECT_STREQ((install / "alpha/DB/").c_str(), QuillonTablesFolder(folders[1]));
  EXPECT_FALSE(IsQuillonShopFolder((install / "NoVat").c_str()));
}

TEST(QuillonInstallation, AnInstallationThatIsAShopListsItself) {
  dv_test::scratch_dir install;
  MakeShop(install / "Shop1", kTables);
  MakeShop(install / "Shop1/inner", kTables);
  CStringArray names, folders;
  ASSERT_TRUE(ListQuillonShops((install / "Shop1").c_str(), names, folders));
  ASSERT_EQ(1, names.GetSize());
  EXPECT_STREQ("Shop1", names[0]);
  EXPECT_STREQ((install / "Shop1/").c_str(), folders[0]);
  EXPECT_FALSE(ListQuillonShops((install / "missing").c_str(), names, folders));
  EXPECT_FALSE(ListQuillonShops("", names, folders));
  EXPECT_EQ(0, names.GetSize());
}

}  // namespace
