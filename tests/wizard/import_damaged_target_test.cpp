// Guards the import against a damaged target shop: a shop whose stored
// objects hold a wild pointer (one leading past the end of the shop's
// image) opens, but the runtime's self-check of the working copy fails,
// and the import refuses the shop with a message that names the file and
// the damage; the target stays byte for byte as it was and no working
// copy is left for Finish.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "dv_new.h"
#include "dv_typespec.h"
#include "pages_support.h"
#include "shop_session.h"
#include "shop_work_file.h"
#include "transaction_scope.h"
#include "wizard_home.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class DamagedTarget : public pages_test::SheetTest {
 protected:
  // A new shop at path with one stored pointer that leads into the shop's
  // own address range but past the end of its image (6 MiB into a range of
  // 8 MiB, in a shop of a few hundred KiB): a block no shop object refers
  // to, so that opening and reading the shop never follows it.
  void MakeShopWithAWildPointer(const std::string& path) {
    CShopSession session;
    session.Create(path.c_str());
    {
      CTransactionScope scope;
      void* wild = static_cast<char*>(session.GetDatabase()->as_start()) + (6 << 20);
      new (session.GetDatabase(), dv_qem::dv_typespec::get_pointer()) void*(wild);
      scope.Commit();
    }
    session.Save();
    session.Close();
  }
};

TEST_F(DamagedTarget, TheCopysSelfCheckRefusesItNamingTheDamage) {
  const std::string target = work / "damaged.kvc";
  MakeShopWithAWildPointer(target);
  const std::string before = ReadAll(target);
  const std::string workPath(static_cast<LPCTSTR>(GetWorkShopFilePath()));
  prompts.ExpectMessageBox(IDOK);
  CShopSession session;
  EXPECT_EQ(PrepareWorkShopFile(session, target.c_str(), workPath.c_str()), kShopFileDamaged);
  ASSERT_EQ(prompts.asked.size(), 1u);
  const std::string shown(static_cast<LPCTSTR>(prompts.asked[0].text));
  EXPECT_EQ(shown.rfind("The Tradeloft Pro file " + target + " is damaged and cannot be imported into: ", 0), 0u)
      << shown;
  EXPECT_GT(shown.size(), ("The Tradeloft Pro file " + target + " is damaged and cannot be imported into: ").size())
      << "the damage is named";
  EXPECT_EQ(ReadAll(target), before);
  EXPECT_FALSE(std::filesystem::exists(workPath)) << "no copy is left for Finish";
}

TEST_F(DamagedTarget, TheScriptedImportIsRefusedAndTheTargetUnchanged) {
  wizard_test::WizardHome home;
  std::filesystem::create_directory(home / "src");
  std::ofstream(home / "src/p.csv") << "Name,Item,Dept,Price\nRake,R-1,Tools,2\n";
  std::ofstream(home / "src/p_csv.cfg") << "<Options>=0\n<Choices>=0\n<Tables>=Name,Item,Dept,,,Price\n";
  const std::string target = home / "damaged.kvc";
  MakeShopWithAWildPointer(target);
  const std::string before = ReadAll(target);
  // The refusal comes as the import page opens (or already at the target
  // page's check, when opening the shop finds the damage): its box is
  // answered, and the wizard is cancelled wherever it stands.
  std::string script = wizard_test::TextImportScript(home / "src/p.csv", target, "", "");
  script = script.substr(0, script.find("set 21135 ")) + "set 21135 " + target + "\nanswer ok\nnext\ncancel\n";
  auto run = wizard_test::RunScript(home, script);
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(ReadAll(target), before);
}

}  // namespace
