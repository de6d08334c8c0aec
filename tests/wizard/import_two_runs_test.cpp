// Guards two imports running at once: each run works on a copy of its own
// (two runs sharing a program folder never take each other's), and a
// target is locked from its copy until Finish or Cancel, so a second run
// choosing it is told on the target page that the shop is in use. A run
// that exits 0 has every one of its rows in its target; the other run is
// refused or succeeds whole. Left-over work files and staged source
// copies of a killed run are removed by the next run, never those of a run
// still alive.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>

#include "shop_test_kvcdump.h"
#include "shop_work_file.h"
#include "target_lock.h"
#include "wizard_home.h"

namespace {

using wizard_test::RunScript;
using wizard_test::TextImportScript;
using wizard_test::WizardHome;

const char kMapping[] = "<Options>=0\n<Choices>=0\n<Tables>=Name,Item,Dept,,,Price\n";

// A catalogue of rows products "<prefix>-<k>" in department dept, with its
// mapping file beside it.
void WriteCatalogue(const std::string& path, const std::string& prefix, const std::string& dept, int rows) {
  std::ofstream out(path);
  out << "Name,Item,Dept,Price\n";
  for (int k = 0; k < rows; ++k) out << "Product " << k << "," << prefix << "-" << k << "," << dept << ",1\n";
  std::string cfg = path;
  cfg.replace(cfg.rfind('.'), 1, "_");
  std::ofstream(cfg + ".cfg") << kMapping;
}

// The products of prefix the shop file holds: their distinct item numbers.
size_t ProductsOf(const std::string& shop, const std::string& prefix) {
  auto dump = shop_test::kvcdump(shop);
  EXPECT_EQ(dump.status, 0) << dump.out;
  std::set<std::string> items;
  const std::string mark = "item \"" + prefix + "-";
  for (size_t at = dump.out.find(mark); at != std::string::npos; at = dump.out.find(mark, at + 1))
    items.insert(dump.out.substr(at, dump.out.find('"', at + mark.size()) - at));
  return items.size();
}

// A run of tallyport started in the background in its own process group,
// stopped once it writes rows, and let go again.
class BackgroundRun {
 public:
  BackgroundRun(const WizardHome& home, const std::string& scriptName, const std::string& script) {
    home.Write(scriptName, script);
    const std::string command = "LC_ALL=C DV_FRAME_CONFIG_HOME='" + (home / "config") + "' " + DV_TEST_EMULATOR +
                                " '" + TALLYPORT + "' --home '" + home.path() + "' --script '" + (home / scriptName) +
                                "' </dev/null >/dev/null 2>'" + (home / (scriptName + ".err")) + "'";
    child_ = ::fork();
    if (child_ == 0) {
      ::setpgid(0, 0);
      ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::setpgid(child_, child_);
  }
  ~BackgroundRun() {
    if (child_ > 0) {
      ::kill(-child_, SIGKILL);
      ::waitpid(child_, nullptr, 0);
    }
  }
  // Stops the run once the row log in home shows it importing.
  bool StopWhileImporting(const WizardHome& home) {
    struct stat st {};
    for (int i = 0; i < 6000; ++i) {
      if (::stat((home / "tallyport2.log").c_str(), &st) == 0 && st.st_size > 0) {
        ::kill(-child_, SIGSTOP);
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  // Lets it go on and waits for its exit status.
  int Finish() {
    ::kill(-child_, SIGCONT);
    int status = 0;
    ::waitpid(child_, &status, 0);
    child_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t child_ = -1;
};

constexpr int kRows = 3000;

class ImportTwoRuns : public ::testing::Test {
 protected:
  ImportTwoRuns() { std::filesystem::create_directory(home / "src"); }
  WizardHome home;
};

TEST_F(ImportTwoRuns, OneProgramFolderTwoShops) {
  WriteCatalogue(home / "src/a.csv", "A", "Alpha", kRows);
  WriteCatalogue(home / "src/b.csv", "B", "Beta", 40);
  const std::string shopA = home / "a.kvc", shopB = home / "b.kvc";
  BackgroundRun a(home, "a.txt", TextImportScript(home / "src/a.csv", shopA));
  ASSERT_TRUE(a.StopWhileImporting(home)) << "run A never started importing";
  auto b = RunScript(home, TextImportScript(home / "src/b.csv", shopB));
  EXPECT_EQ(b.status, 0) << b.errors;
  ASSERT_EQ(a.Finish(), 0) << home.Read("a.txt.err");
  EXPECT_EQ(ProductsOf(shopA, "A"), static_cast<size_t>(kRows));
  EXPECT_EQ(ProductsOf(shopA, "B"), 0u) << "shop A holds nothing of run B";
  EXPECT_EQ(ProductsOf(shopB, "B"), 40u);
  EXPECT_EQ(ProductsOf(shopB, "A"), 0u);
  for (const auto& entry : std::filesystem::directory_iterator(home.path()))
    EXPECT_EQ(entry.path().filename().string().find(".work"), std::string::npos)
        << entry.path() << " outlived its run";
}

TEST_F(ImportTwoRuns, OneTargetIsRefusedWhileAnotherImportHoldsIt) {
  WriteCatalogue(home / "src/a.csv", "A", "Alpha", kRows);
  WriteCatalogue(home / "src/b.csv", "B", "Beta", 40);
  const std::string shop = home / "shared.kvc";
  // A second program folder: the two runs share nothing but the target.
  WizardHome other;
  std::filesystem::create_directory(other / "src");
  WriteCatalogue(other / "src/b.csv", "B", "Beta", 40);
  BackgroundRun a(home, "a.txt", TextImportScript(home / "src/a.csv", shop));
  ASSERT_TRUE(a.StopWhileImporting(home)) << "run A never started importing";
  const std::string inUse = "The Tradeloft Pro file " + shop +
                            " is in use by another import. Please wait until that import is finished, or choose "
                            "another file.";
  for (const WizardHome* folder : {&home, &other}) {
    auto b = RunScript(*folder, "expect page 20000\npick 1149 Text (*.csv,*.txt)\nnext\nexpect page 20001\nset 21186 " +
                                    (*folder / "src/b.csv") +
                                    "\nnext\nexpect page 20004\nnext\nexpect page 20009\nnext\nexpect page 20005\n"
                                    "next\nexpect page 20008\nset 21135 " + shop + "\nanswer ok text " + inUse +
                                    "\nnext\nexpect page 20008\ncancel\n");
    EXPECT_EQ(b.status, 0) << b.errors;
  }
  ASSERT_EQ(a.Finish(), 0) << home.Read("a.txt.err");
  EXPECT_EQ(ProductsOf(shop, "A"), static_cast<size_t>(kRows));
  // Once A has ended the target is free again, and B's import is whole.
  auto b = RunScript(other, TextImportScript(other / "src/b.csv", shop));
  ASSERT_EQ(b.status, 0) << b.errors;
  EXPECT_EQ(ProductsOf(shop, "A"), static_cast<size_t>(kRows));
  EXPECT_EQ(ProductsOf(shop, "B"), 40u);
}

TEST_F(ImportTwoRuns, AKilledRunsWorkFilesAreRemovedByTheNextRun) {
  WriteCatalogue(home / "src/a.csv", "A", "Alpha", kRows);
  const std::string shop = home / "killed.kvc";
  {
    BackgroundRun a(home, "a.txt", TextImportScript(home / "src/a.csv", shop));
    ASSERT_TRUE(a.StopWhileImporting(home));
  }  // killed
  bool leftOver = false;
  for (const auto& entry : std::filesystem::directory_iterator(home.path())) {
    const std::string name = entry.path().filename().string();
    if (name.find(".work") == std::string::npos) continue;
    leftOver = true;
    // The killed process is gone once it has been reaped.
    const pid_t owner = static_cast<pid_t>(std::atol(name.c_str() + name.find('.') + 1));
    for (int i = 0; i < 1000 && owner > 0 && ::kill(owner, 0) == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(leftOver) << "the killed run had no work file to leave";
  auto run = RunScript(home, TextImportScript(home / "src/a.csv", shop));
  ASSERT_EQ(run.status, 0) << run.errors;
  for (const auto& entry : std::filesystem::directory_iterator(home.path()))
    EXPECT_EQ(entry.path().filename().string().find(".work"), std::string::npos) << entry.path();
  EXPECT_EQ(ProductsOf(shop, "A"), static_cast<size_t>(kRows));
}

TEST_F(ImportTwoRuns, AKilledRunsStagedCopiesAreRemovedByTheNextRun) {
  dv_test::scratch_dir temp;
  const pid_t dead = ::fork();
  if (dead == 0) ::_exit(0);
  ::waitpid(dead, nullptr, 0);
  const std::string deadCopy = temp / ("tallyport-staged-" + std::to_string(dead) + "-1.sqlite");
  const std::string liveCopy = temp / ("tallyport-staged-" + std::to_string(::getpid()) + "-1.sqlite");
  std::ofstream(deadCopy) << "a whole source";
  std::ofstream(deadCopy + "-journal") << "its journal";
  std::ofstream(liveCopy) << "a live run's source";
  WriteCatalogue(home / "src/a.csv", "A", "Alpha", 5);
  const char* previous = std::getenv("TMPDIR");
  const std::string saved = previous != nullptr ? previous : "";
  ::setenv("TMPDIR", temp.path().c_str(), 1);
  auto run = RunScript(home, TextImportScript(home / "src/a.csv", home / "staged.kvc"));
  if (previous != nullptr) ::setenv("TMPDIR", saved.c_str(), 1); else ::unsetenv("TMPDIR");
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_FALSE(std::filesystem::exists(deadCopy));
  EXPECT_FALSE(std::filesystem::exists(deadCopy + "-journal"));
  EXPECT_TRUE(std::filesystem::exists(liveCopy)) << "a live run's copy is its own";
  EXPECT_EQ(ProductsOf(home / "staged.kvc", "A"), 5u);
}

TEST(TargetLock, HeldByAnotherProcessHoweverThePathIsSpeltAndNeverWrittenOver) {
  dv_test::scratch_dir folder;
  std::filesystem::create_directory(folder / "shops");
  std::filesystem::create_directory_symlink(folder / "shops", folder / "link");
  const std::string target = folder / "shops/shop.kvc";
  int toParent[2], toChild[2];
  ASSERT_EQ(::pipe(toParent), 0);
  ASSERT_EQ(::pipe(toChild), 0);
  const pid_t holder = ::fork();
  if (holder == 0) {
    const char held = TakeTargetLock(target.c_str()) == TargetLock::Held ? 'y' : 'n';
    (void)!::write(toParent[1], &held, 1);
    char done;
    (void)!::read(toChild[0], &done, 1);  // holds the lock until told
    ::_exit(0);
  }
  char held = 0;
  ASSERT_EQ(::read(toParent[0], &held, 1), 1);
  ASSERT_EQ(held, 'y');
  EXPECT_TRUE(TargetLockedByAnotherRun(target.c_str()));
  EXPECT_TRUE(TargetLockedByAnotherRun((folder / "link/shop.kvc").c_str())) << "the same target through a link";
  EXPECT_TRUE(TargetLockedByAnotherRun((folder / "shops/../shops/shop.kvc").c_str()));
  EXPECT_FALSE(TargetLockedByAnotherRun((folder / "shops/other.kvc").c_str()));
  EXPECT_EQ(TakeTargetLock((folder / "link/shop.kvc").c_str()), TargetLock::InUse);
  // Finish never writes over a target another run holds; the copy is kept.
  std::ofstream(target) << "the other run's shop";
  std::ofstream(folder / "copy.work") << "this run's copy";
  EXPECT_EQ(FinishWorkShopFile((folder / "copy.work").c_str(), target.c_str()), kShopFileInUse);
  EXPECT_TRUE(std::filesystem::exists(folder / "copy.work"));
  std::ifstream shop(target);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(shop), {}), "the other run's shop");
  (void)!::write(toChild[1], "x", 1);
  ::waitpid(holder, nullptr, 0);
  // Its holder gone, the lock is free (and ours to take and release).
  EXPECT_FALSE(TargetLockedByAnotherRun(target.c_str()));
  EXPECT_EQ(TakeTargetLock(target.c_str()), TargetLock::Held);
  EXPECT_FALSE(TargetLockedByAnotherRun(target.c_str())) << "this process's own lock does not count";
  ReleaseTargetLock();
  EXPECT_FALSE(std::filesystem::exists(TargetLockPath(target.c_str()).operator LPCTSTR()));
}

}  // namespace
