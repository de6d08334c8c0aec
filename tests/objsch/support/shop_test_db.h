// A scratch database made the current shop database, with an update
// transaction open, for tests of shop classes without a shop root. The
// program-wide shop state is cleared before and after.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "dv_database.h"
#include "dv_scratch_dir.h"
#include "dv_transaction.h"
#include "lang_items.h"
#include "shop_state.h"
#include "shop_test_runtime.h"

namespace shop_test {

inline void clear_shop_state() {
  g_pShopDatabase = nullptr;
  g_pShopRoot = nullptr;
  g_bOldShopFormat = 0;
  g_bCommitRequested = 0;
  g_pShopPool = nullptr;
  g_pCurrentLangRecord = nullptr;
}

class shop_db_test : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_shop_state();
    path_ = dir_ / "shop.kvc";
    db_ = dv_qem::dv_database::create(path_.c_str(), 0666, 1, 8);
    g_pShopDatabase = db_;
    dv_qem::dv_transaction::begin(dv_qem::dv_transaction::update);
  }
  void TearDown() override {
    if (dv_qem::dv_transaction::get_current() != nullptr) dv_qem::dv_transaction::commit();
    if (dv_qem::dv_database::is_open(db_)) {
      db_->self_check();
      db_->close();
    }
    clear_shop_state();
  }
  // Whether the object lies in the test's database.
  bool in_db(const void* p) const { return dv_qem::dv_database::of(p) == db_; }
  bool transient(const void* p) const {
    return dv_qem::dv_database::of(p) == dv_qem::dv_database::get_transient_database();
  }

  runtime runtime_;
  dv_test::scratch_dir dir_;
  std::string path_;
  dv_qem::dv_database* db_ = nullptr;
};

}  // namespace shop_test
