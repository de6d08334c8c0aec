// Guards the migration against shop files left needing recovery by a
// process killed in the middle of a commit: a target in that state is
// recovered before it is copied (a copy without its log would be a broken
// shop), and a work file in that state is recovered when the migration
// opens it -- before its transaction begins -- so the migration goes
// through and the result opens in another process.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "shop_test_child.h"
#include "department.h"
#include "dv_database.h"
#include "file_fault_hook.h"
#include "fw_message_box.h"
#include "root.h"
#include "shop_session.h"
#include "shop_test_db.h"
#include "shop_test_program.h"
#include "shop_work_file.h"
#include "source_shop_fixture.h"
#include "source_shop_writer.h"
#include "transaction_scope.h"

using namespace sourceshop_test;

namespace {

using shop_test::InChild;
using shop_test::KillNow;
using shop_test::kKilled;

constexpr unsigned kMostEvents = 200;  // more file events than one commit below makes


class MigrationRecoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shop_test::clear_shop_state();
    shop_test::install_program_folder(program_.path());
    previousBoxes_ = FwSetMessageBoxes(&boxes_);
    ASSERT_TRUE(CBdeTableCursor::InitEngine());
    folder_ = WriteShopTables(dir_ / "shop", SampleShop());
    target_ = dir_ / "target.kvc";
    work_ = static_cast<LPCTSTR>(GetWorkShopFilePath());
  }
  void TearDown() override {
    CBdeTableCursor::ExitEngine();
    FwSetMessageBoxes(previousBoxes_);
    session_.reset();
    shop_test::clear_shop_state();
  }

  // Leaves path needing recovery: a child changes it and is killed at the
  // first file event after which the file needs recovery.
  void LeaveNeedingRecovery(const std::string& path) {
    const std::string saved = path + ".saved";
    std::filesystem::copy_file(path, saved, std::filesystem::copy_options::overwrite_existing);
    for (unsigned n = 1; n < kMostEvents; ++n) {
      std::filesystem::copy_file(saved, path, std::filesystem::copy_options::overwrite_existing);
      std::filesystem::remove(path + ".log");
      const int status = InChild([&] {
        CShopSession session;
        session.Open(path.c_str());
        dv_qem::_VRN_reset_file_event_hook();
        dv_qem::_VRN_set_file_event_hook(KillNow, n);
        CTransactionScope scope;
        g_pShopRoot->SetTitle("Cut short");
        for (int i = 0; i < 40; ++i) Department::CreateNew(TRUE)->AddToShop();
        scope.Commit();
      });
      ASSERT_EQ(kKilled, status) << "event " << n;
      if (dv_qem::dv_database::needs_recovery(path.c_str())) return;
    }
    FAIL() << "no kill left " << path << " needing recovery";
  }

  std::string DumpTitle(const std::string& path) {
    std::string command = std::string("DV_QEM_AS_START=0x24100000 ") + DV_TEST_EMULATOR + " '" + KVCDUMP + "' '" +
                          path + "' 2>&1 | head -1";
    FILE* pipe = ::popen(command.c_str(), "r");
    char line[256] = "";
    if (pipe) {
      if (!std::fgets(line, sizeof line, pipe)) line[0] = '\0';
      ::pclose(pipe);
    }
    return line;
  }

  void MigrateAndFinish() {
    SourceShopTables tables;
    ReadSourceShopTables(folder_.c_str(), tables, nullptr);
    CheckSourceShopTables(tables, folder_.c_str());
    WriteSourceShop(*session_, work_.c_str(), "English", tables, nullptr);
    ASSERT_EQ(0, FinishWorkShopFile(work_.c_str(), target_.c_str()));
    EXPECT_EQ("shop: Quillon Test Shop\n", DumpTitle(target_));
  }

  shop_test::runtime runtime_;
  dv_test::scratch_dir program_;
  dv_test::scratch_dir dir_;
  FwRecordingMessageBoxes boxes_;
  FwMessageBoxes* previousBoxes_ = nullptr;
  std::unique_ptr<CShopSession> session_ = std::make_unique<CShopSession>();
  std::string folder_;
  std::string target_;
  std::string work_;
};

TEST_F(MigrationRecoveryTest, ATargetNeedingRecoveryIsRecoveredBeforeItIsCopied) {
  session_->Create(target_.c_str());
  session_->Close();
  LeaveNeedingRecovery(target_);
  ASSERT_EQ(0, PrepareWorkShopFile(*session_, target_.c_str(), work_.c_str()));
  EXPECT_EQ(0, dv_qem::dv_database::needs_recovery(target_.c_str()));
  EXPECT_EQ(0, dv_qem::dv_database::needs_recovery(work_.c_str()));
  EXPECT_EQ("shop: My Shop\n", DumpTitle(work_)) << "the copy holds the last committed state";
  MigrateAndFinish();
}

TEST_F(MigrationRecoveryTest, AWorkFileNeedingRecoveryIsRecoveredBeforeTheMigrationBegins) {
  ASSERT_EQ(0, PrepareWorkShopFile(*session_, target_.c_str(), work_.c_str()));
  LeaveNeedingRecovery(work_);
  MigrateAndFinish();
  EXPECT_TRUE(boxes_.shown.empty());
}

}  // namespace
