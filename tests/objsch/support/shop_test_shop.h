// A new shop made through the session in a scratch folder, open for the
// test, with an update transaction scope around the test body; the
// program folder holds the shipped run-time data.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "root.h"
#include "shop_session.h"
#include "shop_test_db.h"
#include "shop_test_program.h"
#include "transaction_scope.h"

namespace shop_test {

class shop_test : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_shop_state();
    install_program_folder(program_.path());
    session_ = std::make_unique<CShopSession>();
    session_->Create((dir_ / "shop.kvc").c_str());
    root_ = session_->GetRoot();
    scope_ = std::make_unique<CTransactionScope>();
  }
  void TearDown() override {
    scope_->Commit();
    scope_.reset();
    session_->GetDatabase()->self_check();
    session_.reset();
    clear_shop_state();
  }

  runtime runtime_;
  dv_test::scratch_dir program_;
  dv_test::scratch_dir dir_;
  std::unique_ptr<CShopSession> session_;
  std::unique_ptr<CTransactionScope> scope_;
  Root* root_ = nullptr;
};

}  // namespace shop_test
