// Guards the program's start-up: the command line (--home, --script, the
// environment's folder, wrong lines), the version text, the registry
// profile's defaults and values, the flags of tallyport.ini (an absent key
// clears the bit the constructor set), the help language falling back to
// English without a help folder, and object-store errors shown in a
// message box while windowed and on standard error otherwise.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app_settings.h"
#include "command_line.h"
#include "dv_err.h"
#include "error_box.h"
#include "fw_locale.h"
#include "fw_paths.h"
#include "program_version.h"
#include "script_driver.h"
#include "wizard_app.h"
#include "wizard_home.h"

namespace {

TEST(CommandLine, Options) {
  CommandLine line = ParseCommandLine({"--home", "/srv/Tally Port", "--script", "walk.txt"});
  EXPECT_EQ(line.home, "/srv/Tally Port");
  EXPECT_EQ(line.script, "walk.txt");
  EXPECT_TRUE(line.error.empty());
  EXPECT_TRUE(ParseCommandLine({}).error.empty());
  for (std::vector<std::string> wrong : std::vector<std::vector<std::string>>{
           {"--home"}, {"--script", ""}, {"-x"}, {"walk.txt"}, {"--home", "/a", "--verbose"}})
    EXPECT_FALSE(ParseCommandLine(wrong).error.empty()) << wrong[0];
}

TEST(CommandLine, ProgramFolderFromTheOptionThenTheEnvironment) {
  ::setenv("TALLYPORT_HOME", "/from/env", 1);
  EXPECT_EQ(ChosenProgramFolder(ParseCommandLine({"--home", "/given"})), "/given");
  EXPECT_EQ(ChosenProgramFolder(ParseCommandLine({})), "/from/env");
  ::unsetenv("TALLYPORT_HOME");
  EXPECT_EQ(ChosenProgramFolder(ParseCommandLine({})), "");
}

TEST(Version, TextOfTheFileVersion) {
  EXPECT_STREQ(FormatVersionText({1, 2, 3, 4}), "1.23");
  EXPECT_STREQ(ProgramVersionText(), "1.00");
}

class StartUp : public ::testing::Test {
 protected:
  StartUp() {
    ::setenv("DV_FRAME_CONFIG_HOME", (home / "config").c_str(), 1);
    FwSetProgramFolder(home.path().c_str());
    theDefaultSettings.m_strAppDir = home.path().c_str();
  }
  ~StartUp() override {
    FwSetProgramFolder(nullptr);
    FwSetLocaleOverride(nullptr);
    ::unsetenv("DV_FRAME_CONFIG_HOME");
  }
  // Starts the application with a script that cancels the wizard.
  void StartAndCancel(CWizardApp& app) {
    FwScriptDriver driver("cancel", {"expect page 20000", "cancel"});
    driver.Install();
    EXPECT_FALSE(app.InitInstance());
    driver.Finish();
    driver.Uninstall();
  }
  void WriteProfile(const std::string& text) {
    std::filesystem::create_directories(home / "config/Tradeloft/Import Wizard");
    home.Write("config/Tradeloft/Import Wizard/1.00.ini", text);
  }
  wizard_test::WizardHome home;
};

TEST_F(StartUp, ProfileValuesAndDefaults) {
  WriteProfile("[Paths]\nTemplates=My Templates\nHelp=Manuals\n[Defaults]\nCurrency=EUR\n");
  FwSetLocaleOverride("en_US");
  CWizardApp app;
  StartAndCancel(app);
  EXPECT_STREQ(app.m_strVersion, "1.00");
  EXPECT_STREQ(app.m_strRegistryPath, "Software\\Tradeloft\\Import Wizard\\1.00");
  EXPECT_STREQ(theDefaultSettings.m_strCurrency, "EUR");
  EXPECT_STREQ(theDefaultSettings.m_strHelp, "Manuals");
  EXPECT_STREQ(theDefaultSettings.m_strLanguage, "English") << "the locale's language name";
  EXPECT_STREQ(theDefaultSettings.m_strButtons, "English");
  for (int i = 0; i < kProgramPathCount; ++i) {
    if (std::string(kProgramPathKeys[i]) == "Templates")
      EXPECT_STREQ(g_programPaths[i], "My Templates");
    else
      EXPECT_STREQ(g_programPaths[i], kProgramPathKeys[i]) << "a missing key gives its own name";
  }
}

TEST_F(StartUp, IniFlags) {
  struct Case {
    const char* ini;
    DWORD flags;
  } cases[] = {
      {"", 0},
      {"[Wizard Settings]\nWizardButtons=1\n", CWizardApp::kWizardButtons},
      {"[Wizard Settings]\nWizardButtons=0\nAdvancedImportMode=2\n", CWizardApp::kAdvancedImportMode},
      {"[Wizard Settings]\nWizardButtons=7\nAdvancedImportMode=1\n",
       CWizardApp::kWizardButtons | CWizardApp::kAdvancedImportMode},
  };
  for (const Case& c : cases) {
    home.Write("tallyport.ini", c.ini);
    CWizardApp app;
    EXPECT_EQ(app.m_dwFlags, static_cast<DWORD>(CWizardApp::kWizardButtons));
    StartAndCancel(app);
    EXPECT_EQ(app.m_dwFlags, c.flags) << c.ini;
  }
}

TEST_F(StartUp, HelpLanguageFallsBackToEnglish) {
  FwSetLocaleOverride("de_DE");
  CWizardApp without;
  StartAndCancel(without);
  EXPECT_STREQ(without.m_strLanguage, "English");
  std::filesystem::create_directories(home / "Help/German");
  CWizardApp with;
  StartAndCancel(with);
  EXPECT_STREQ(with.m_strLanguage, "German");
}

TEST(StoreErrors, InAMessageBoxWhileWindowed) {
  FwScriptedPrompts prompts;
  FwPrompts* previous = FwSetPrompts(&prompts);
  {
    StoreErrorsInBoxes boxes;
    prompts.ExpectMessageBox(IDOK, 0, "dv_err_database_not_found - no file /x.kvc");
    dv_qem::dv_err_database_not_found("no file %s", "/x.kvc").print();
    EXPECT_EQ(prompts.PendingAnswers(), 0u);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONSTOP));
  }
  testing::internal::CaptureStderr();
  dv_qem::dv_err_database_not_found("no file %s", "/y.kvc").print();
  std::string written = testing::internal::GetCapturedStderr();
  EXPECT_NE(written.find("dv_err_database_not_found - no file /y.kvc"), std::string::npos) << written;
  EXPECT_EQ(prompts.asked.size(), 1u) << "no box once the program is no longer windowed";
  FwSetPrompts(previous);
}

}  // namespace
