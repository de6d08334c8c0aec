// Guards the messages of a full disk: a valid shop in a folder with no room
// left is not called damaged but refused at the target page as a full disk
// naming the shop; Finish that cannot write the target on a full disk says
// so, naming the target, and leaves no target behind; a working copy that
// cannot be written for the file-size limit names the file and is removed,
// and a target folder that takes no file is named. The small file
// system is a tmpfs of a few hundred KiB mounted in a mount namespace of
// the test's own (the tests are skipped where no namespace can be made).
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "file_size_limit.h"
#include "pages_support.h"
#include "shop_session.h"
#include "shop_work_file.h"
#include "wizard_home.h"

namespace {

using wizard_test::RunScript;
using wizard_test::TextImportScript;
using wizard_test::WizardHome;

// A tmpfs of size bytes at a scratch folder, in a mount namespace of this
// process (and the programs it starts), unmounted at the end.
class SmallFileSystem {
 public:
  explicit SmallFileSystem(unsigned long size) {
    static const bool privateNamespace =
        ::unshare(CLONE_NEWNS) == 0 && ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    if (!privateNamespace) {
      why_ = std::string("no mount namespace: ") + std::strerror(errno);
      return;
    }
    const std::string options = "size=" + std::to_string(size);
    if (::mount("tmpfs", folder_.path().c_str(), "tmpfs", 0, options.c_str()) != 0) {
      why_ = std::string("no tmpfs: ") + std::strerror(errno);
      return;
    }
    mounted_ = true;
  }
  ~SmallFileSystem() {
    if (mounted_) ::umount2(folder_.path().c_str(), MNT_DETACH);
  }
  bool Mounted() const { return mounted_; }
  const std::string& WhyNot() const { return why_; }
  std::string operator/(const std::string& name) const { return folder_ / name; }
  // Writes a file until the file system has no room left.
  void Fill() const {
    std::ofstream filler(folder_ / "filler", std::ios::binary);
    const std::vector<char> block(4096, 'f');
    while (filler.write(block.data(), static_cast<std::streamsize>(block.size()))) filler.flush();
  }

 private:
  dv_test::scratch_dir folder_;
  bool mounted_ = false;
  std::string why_;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

const char kMapping[] = "<Options>=0\n<Choices>=0\n<Tables>=Name,Item,Dept,,,Price\n";

class FullDisk : public ::testing::Test {
 protected:
  FullDisk() {
    std::filesystem::create_directory(home / "src");
    std::ofstream(home / "src/p.csv") << "Name,Item,Dept,Price\nRake,R-1,Tools,2\nHose,H-1,Water,4\n";
    std::ofstream(home / "src/p_csv.cfg") << kMapping;
  }
  WizardHome home;
};

TEST_F(FullDisk, AValidShopOnAFullDiskIsRefusedAsAFullDiskNamingIt) {
  SmallFileSystem disk(1 << 20);
  if (!disk.Mounted()) GTEST_SKIP() << disk.WhyNot();
  const std::string target = disk / "shop.kvc";
  auto run = RunScript(home, TextImportScript(home / "src/p.csv", target));
  ASSERT_EQ(run.status, 0) << run.errors;
  disk.Fill();
  std::string script = TextImportScript(home / "src/p.csv", target, "", "");
  script = script.substr(0, script.find("set 21135 ")) + "set 21135 " + target +
           "\nanswer ok text The disk is full: " + target + " could not be written.\nnext\nexpect page 20008\ncancel\n";
  run = RunScript(home, script);
  EXPECT_EQ(run.status, 0) << run.errors;
}

TEST_F(FullDisk, FinishOnAFullDiskNamesTheTargetAndLeavesNone) {
  SmallFileSystem disk(128 << 10);  // less than a new shop takes
  if (!disk.Mounted()) GTEST_SKIP() << disk.WhyNot();
  const std::string target = disk / "shop.kvc";
  auto run = RunScript(home, TextImportScript(home / "src/p.csv", target, "",
                                              "click 21118\nanswer ok text The disk is full: " + target +
                                                  " could not be written.\nfinish\nexpect page 20007\n"
                                                  "answer ok id 61579\ncancel\n"));
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_FALSE(std::filesystem::exists(target));
  for (const auto& entry : std::filesystem::directory_iterator(disk / ""))
    EXPECT_EQ(entry.path().filename().string().find("shop.kvc"), std::string::npos) << entry.path();
}

class FileSizeLimitInProcess : public pages_test::SheetTest {};

TEST_F(FileSizeLimitInProcess, AWorkingCopyPastTheLimitNamesTheFile) {
  const std::string target = work / "big.kvc";
  {
    CShopSession made;
    made.Create(target.c_str());
    made.Close();
  }
  const std::string before = ReadAll(target);
  const std::string workPath(static_cast<LPCTSTR>(GetWorkShopFilePath()));
  const rlim_t half = before.size() / 2;
  prompts.ExpectMessageBox(IDOK, 0,
                           ("The file " + workPath + " is too large: it could not be written (the limit is " +
                            std::to_string(half) + " bytes).")
                               .c_str());
  CShopSession session;
  int result;
  {
    wizard_test::FileSizeLimit limit(half);
    result = PrepareWorkShopFile(session, target.c_str(), workPath.c_str());
  }
  EXPECT_EQ(result, kShopFileWriteFailed);
  EXPECT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(ReadAll(target), before);
  EXPECT_FALSE(std::filesystem::exists(workPath));
  EXPECT_FALSE(std::filesystem::exists(workPath + ".part"));
}

TEST_F(FileSizeLimitInProcess, ATargetFolderThatTakesNoFileIsNamed) {
  const std::string target = work / "missing/shop.kvc";
  const std::string workPath(static_cast<LPCTSTR>(GetWorkShopFilePath()));
  prompts.ExpectMessageBox(IDOK, 21004,
                           ("Failure in opening output file: " + target + ": No such file or directory").c_str());
  CShopSession session;
  EXPECT_EQ(PrepareWorkShopFile(session, target.c_str(), workPath.c_str()), kShopFileCannotWrite);
  EXPECT_FALSE(std::filesystem::exists(workPath)) << "no copy is left for Finish";
}

}  // namespace
