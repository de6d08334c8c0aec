// Guards the transaction scope: who commits and who aborts (owner, nested
// scopes, a request from inside, a scope begun inside a foreign
// transaction), that a request never carries into the next transaction,
// that an owner unwinding from an exception aborts and lets the exception
// through, and the reports of scope misuse.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "dv_database.h"
#include "dv_new.h"
#include "dv_scratch_dir.h"
#include "fw_message_box.h"
#include "shop_state.h"
#include "shop_test_runtime.h"
#include "transaction_scope.h"

using namespace dv_qem;

namespace {

class TransactionScope : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_boxes_ = FwSetMessageBoxes(&boxes_);
    db_ = dv_database::create((dir_ / "scope.db").c_str(), 0666, 1, 8);
    dv_transaction::begin(dv_transaction::update);
    cell_ = static_cast<unsigned long*>(::operator new(sizeof(unsigned long), db_, dv_typespec::get_unsigned_long()));
    *cell_ = 0;
    dv_transaction::commit();
  }
  void TearDown() override {
    if (dv_transaction::get_current() != nullptr) dv_transaction::abort();
    db_->close();
    FwSetMessageBoxes(previous_boxes_);
  }
  // The cell's value as the database holds it after the transactions so far.
  unsigned long stored() const {
    dv_transaction::begin(dv_transaction::read_only);
    unsigned long value = *cell_;
    dv_transaction::commit();
    return value;
  }

  shop_test::runtime runtime_;
  dv_test::scratch_dir dir_;
  FwRecordingMessageBoxes boxes_;
  FwMessageBoxes* previous_boxes_ = nullptr;
  dv_database* db_ = nullptr;
  unsigned long* cell_ = nullptr;
};

TEST_F(TransactionScope, WhoCommitsAndWhoAborts) {
  struct row {
    const char* what;
    bool outer_commits, inner_commits, nested;
    unsigned long kept;
  };
  const row rows[] = {
      {"owner commits", true, false, false, 1},
      {"owner ends without commit", false, false, false, 0},
      {"inner scope asks, owner commits at its end", false, true, true, 1},
      {"both commit", true, true, true, 1},
      {"nested, nobody commits", false, false, true, 0},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    {
      CTransactionScope reset;
      *cell_ = 0;
      reset.Commit();
    }
    {
      CTransactionScope outer;
      ASSERT_NE(outer.GetTransaction(), nullptr);
      *cell_ = 1;
      if (r.nested) {
        CTransactionScope inner;
        EXPECT_EQ(inner.GetTransaction(), nullptr);
        if (r.inner_commits) inner.Commit();
        EXPECT_NE(dv_transaction::get_current(), nullptr) << "an inner scope only asks";
      }
      if (r.outer_commits) {
        outer.Commit();
        EXPECT_EQ(dv_transaction::get_current(), nullptr);
      }
    }
    EXPECT_EQ(dv_transaction::get_current(), nullptr);
    EXPECT_EQ(stored(), r.kept);
    EXPECT_EQ(g_bCommitRequested, 0);
  }
  EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(TransactionScope, ARequestNeverCarriesIntoTheNextTransaction) {
  // Each way leaves a value committed (or not); the next owner, which asks
  // for nothing, must then abort its own change.
  struct way {
    const char* what;
    void (*run)(unsigned long* cell);
    unsigned long kept;
  };
  const way ways[] = {
      {"an inner request, then the owner's own commit",
       [](unsigned long* cell) {
         CTransactionScope owner;
         *cell = 1;
         {
           CTransactionScope inner;
           inner.Commit();
         }
         owner.Commit();
       },
       1},
      {"a second Commit of an owner that has committed",
       [](unsigned long* cell) {
         CTransactionScope owner;
         *cell = 2;
         owner.Commit();
         owner.Commit();
       },
       2},
      {"a Commit inside a transaction that no scope owns",
       [](unsigned long* cell) {
         dv_transaction::begin(dv_transaction::update);
         {
           CTransactionScope scope;
           *cell = 3;
           scope.Commit();
         }
         dv_transaction::commit();
       },
       3},
  };
  for (const way& w : ways) {
    SCOPED_TRACE(w.what);
    w.run(cell_);
    EXPECT_EQ(stored(), w.kept);
    EXPECT_EQ(g_bCommitRequested, 0) << "no request is left behind";
    {
      CTransactionScope next;
      *cell_ = 9;
    }
    EXPECT_EQ(dv_transaction::get_current(), nullptr);
    EXPECT_EQ(stored(), w.kept) << "the next owner, which asked for nothing, aborted";
  }
  EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(TransactionScope, AnOwnerUnwindingFromAnExceptionAbortsAndLetsItThrough) {
  EXPECT_THROW(
      {
        CTransactionScope owner;
        *cell_ = 7;
        CTransactionScope inner;
        inner.Commit();
        throw std::runtime_error("import failed");
      },
      std::runtime_error);
  EXPECT_EQ(dv_transaction::get_current(), nullptr);
  EXPECT_EQ(stored(), 0u);
  EXPECT_EQ(g_bCommitRequested, 0);
}

TEST_F(TransactionScope, AScopeInsideAForeignTransactionNeverEndsIt) {
  dv_transaction* foreign = dv_transaction::begin(dv_transaction::update);
  {
    CTransactionScope scope;
    EXPECT_EQ(scope.GetTransaction(), nullptr);
    *cell_ = 3;
    scope.Commit();
    EXPECT_EQ(dv_transaction::get_current(), foreign) << "the scope only asks";
  }
  EXPECT_EQ(dv_transaction::get_current(), foreign);
  dv_transaction::commit();
  EXPECT_EQ(stored(), 3u);
  EXPECT_EQ(g_bCommitRequested, 0) << "no scope owns the transaction, so nobody holds the request";
}

TEST_F(TransactionScope, MisuseIsReportedAndChangesNothing) {
  {
    CTransactionScope scope;
    dv_transaction::commit();  // ended behind the scope's back
    scope.Commit();
  }
  {
    CTransactionScope scope;
    dv_transaction::abort();
  }
  ASSERT_EQ(boxes_.shown.size(), 2u);
  EXPECT_STREQ(boxes_.shown[0].text, "Internal error in file objsch\\MyStr (44)");
  EXPECT_STREQ(boxes_.shown[1].text, "Internal error in file objsch\\MyStr (62)");
  EXPECT_EQ(boxes_.shown[0].type, static_cast<UINT>(MB_OK));
  EXPECT_EQ(dv_transaction::get_current(), nullptr);
}

}  // namespace
