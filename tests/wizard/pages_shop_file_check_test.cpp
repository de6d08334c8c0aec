// Guards the target page's shop file check: the signature compared without
// regard to case (exact and lower case pass, any other text is an old
// version, none passes), a file that is no database and a database without
// a shop refused, and on every path the read-only transaction ended and the
// database closed, so that a later transaction scope owns its transaction.
#include <gtest/gtest.h>

#include <fstream>

#include "dv_database.h"
#include "root.h"
#include "shop_file_check.h"
#include "shop_session.h"
#include "shop_test_db.h"
#include "shop_test_program.h"
#include "transaction_scope.h"

namespace {

class ShopFileCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shop_test::clear_shop_state();
    shop_test::install_program_folder(program_.path());
  }
  void TearDown() override { shop_test::clear_shop_state(); }

  // A shop file whose signature is signature (null: as made).
  std::string MakeShop(const char* signature) {
    std::string path = dir_ / "shop.kvc";
    CShopSession session;
    session.Create(path.c_str());
    if (signature != nullptr) {
      CTransactionScope scope;
      session.GetRoot()->m_strSignature = signature;
      scope.Commit();
      session.Save();
    }
    return path;
  }
  // Nothing of the check is left open: no transaction, and a new scope owns
  // the one it begins.
  void ExpectReleased() {
    EXPECT_EQ(dv_qem::dv_transaction::get_current(), nullptr);
    CTransactionScope scope;
    EXPECT_NE(scope.GetTransaction(), nullptr);
  }

  shop_test::runtime runtime_;
  dv_test::scratch_dir program_;
  dv_test::scratch_dir dir_;
};

TEST_F(ShopFileCheckTest, SignatureComparedWithoutCase) {
  struct Case {
    const char* signature;
    ShopFileCheck result;
  } cases[] = {
      {nullptr, ShopFileCheck::Good},
      {"kestrelmark_dbase_ver5", ShopFileCheck::Good},
      {"KESTRELMARK_DBASE_VER4", ShopFileCheck::OldVersion},
      {"anything", ShopFileCheck::OldVersion},
      {"", ShopFileCheck::Good},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.signature == nullptr ? "as made" : c.signature);
    std::string path = MakeShop(c.signature);
    EXPECT_EQ(CheckShopFile(path.c_str()), c.result);
    ExpectReleased();
  }
  EXPECT_STREQ(ShopFileCheckMessageText(ShopFileCheck::OldVersion), " Can't import to an old version KVC file");
}

TEST_F(ShopFileCheckTest, WhatCannotBeConfirmedIsRefused) {
  std::string junk = dir_ / "junk.kvc";
  std::ofstream(junk) << std::string(9000, 'x');
  EXPECT_EQ(CheckShopFile(junk.c_str()), ShopFileCheck::NotAShop);
  ExpectReleased();

  std::string bare = dir_ / "bare.kvc";
  dv_qem::dv_database::create(bare.c_str(), 0666, 1, 8)->close();
  EXPECT_EQ(CheckShopFile(bare.c_str()), ShopFileCheck::NotAShop) << "a database without \"My Shop\"";
  ExpectReleased();

  EXPECT_EQ(ShopFileCheckMessageId(ShopFileCheck::NotAShop), 51488u);
  EXPECT_EQ(ShopFileCheckMessageId(ShopFileCheck::Locked), 51524u);
  EXPECT_EQ(ShopFileCheckMessageId(ShopFileCheck::Good), 0u);
}

}  // namespace
