// Guards opening a shop after a process was killed in the middle of a
// commit: the file is left needing recovery, the dump tool refuses it and
// leaves it as it is, CShopSession::Open recovers it before it begins any
// transaction, and the shop then holds its last committed state, passes
// the self-check and takes new changes.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "shop_test_child.h"
#include "department.h"
#include "dv_database.h"
#include "dv_err.h"
#include "dv_transaction.h"
#include "file_fault_hook.h"
#include "root.h"
#include "shop_session.h"
#include "shop_test_db.h"
#include "shop_test_kvcdump.h"
#include "shop_test_program.h"
#include "transaction_scope.h"

namespace {

using shop_test::InChild;
using shop_test::KillNow;
using shop_test::kKilled;

// More file events than one commit of the change below makes.
constexpr unsigned kMostEvents = 200;


class ShopRecovery : public ::testing::Test {
 protected:
  void SetUp() override {
    shop_test::clear_shop_state();
    shop_test::install_program_folder(program_.path());
    shop_ = dir_ / "shop.kvc";
    saved_ = dir_ / "saved.kvc";
    CShopSession session;
    session.Create(shop_.c_str());
    session.Close();
    std::filesystem::copy_file(shop_, saved_);
  }
  void TearDown() override { shop_test::clear_shop_state(); }

  // In a child: opens the shop and changes it in one transaction scope; the
  // child is killed at the n-th file write or flush after opening.
  int ChangeKilledAt(unsigned n) {
    return InChild([&] {
      CShopSession session;
      session.Open(shop_.c_str());
      dv_qem::_VRN_reset_file_event_hook();
      dv_qem::_VRN_set_file_event_hook(KillNow, n);
      CTransactionScope scope;
      g_pShopRoot->SetTitle("Changed");
      for (int i = 0; i < 40; ++i) Department::CreateNew(TRUE)->AddToShop();
      scope.Commit();
    });
  }

  shop_test::runtime runtime_;
  dv_test::scratch_dir program_;
  dv_test::scratch_dir dir_;
  std::string shop_;
  std::string saved_;
};

TEST_F(ShopRecovery, OpenRecoversAShopLeftByAKilledProcess) {
  unsigned n = 1;
  for (; n < kMostEvents; ++n) {
    std::filesystem::copy_file(saved_, shop_, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove(shop_ + ".log");
    const int status = ChangeKilledAt(n);
    ASSERT_TRUE(status == kKilled || status == 0) << "event " << n << ": status " << status;
    ASSERT_EQ(status, kKilled) << "the commit finished before any write left the file needing recovery";
    if (dv_qem::dv_database::needs_recovery(shop_.c_str())) break;
  }
  ASSERT_LT(n, kMostEvents) << "no kill left the file needing recovery";
  std::printf("killed at file event %u\n", n);

  auto bytes = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string left = bytes(shop_);
  EXPECT_NE(shop_test::kvcdump(shop_).status, 0) << "the dump refuses a file that needs recovery";
  EXPECT_TRUE(bytes(shop_) == left) << "and leaves it as it is";
  EXPECT_EQ(dv_qem::dv_database::needs_recovery(shop_.c_str()), 1);

  CShopSession session;
  try {
    session.Open(shop_.c_str());
  } catch (const dv_qem::dv_err& e) {
    FAIL() << "the shop did not open: " << e.get_report();
  }
  session.GetDatabase()->self_check();
  {
    CTransactionScope scope;
    Root* root = session.GetRoot();
    EXPECT_STREQ(root->GetTitle(), "My Shop") << "the change that was cut short is gone";
    EXPECT_EQ(root->GetChildren()->cardinality(), 3u);
    root->SetTitle("After recovery");
    scope.Commit();
  }
  session.Save();
  session.Close();
  EXPECT_EQ(dv_qem::dv_database::needs_recovery(shop_.c_str()), 0);

  CShopSession again;
  again.Open(shop_.c_str());
  dv_qem::dv_transaction::begin(dv_qem::dv_transaction::read_only);
  EXPECT_STREQ(again.GetRoot()->GetTitle(), "After recovery");
  dv_qem::dv_transaction::commit();
}

}  // namespace
