// Guards the opening of shop files chosen in a dialog against damaged and
// hostile copies: a small valid shop is mutated, and each copy is given to
// CShopSession::Open (then self-checked and its departments walked) and to
// the target page's shop file check, each in a child process. Every case
// must end opened or refused with a message naming the file, never with a
// signal, a hang or runaway memory; a refused copy is left as it was, and
// the valid shop it was made from is never changed.
#include "hostile_harness.h"

#include "department.h"
#include "dv_err.h"
#include "dv_scratch_dir.h"
#include "root.h"
#include "shop_file_check.h"
#include "shop_session.h"
#include "shop_test_db.h"
#include "shop_test_program.h"
#include "transaction_scope.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void ExpectNoBadCase(const hostile::Tally& tally) {
  EXPECT_EQ(tally.bad, 0) << tally.Summary();
  for (const std::string& line : tally.badCases) ADD_FAILURE() << line;
}

constexpr int kShortCases = 30;

// Walks what the import touches first: the root's departments and their
// products, by their counts.
void WalkShop(Root* root) {
  Department* top = root->GetMyShopDept();
  if (top == nullptr) throw std::runtime_error("the shop has no top department");
  unsigned seen = 0;
  for (unsigned i = 0, n = top->GetChildren()->cardinality(); i < n; ++i)
    seen += top->GetChildren()->retrieve(i)->GetProducts()->cardinality();
  (void)seen;
}

class ShopFilesHostile : public ::testing::Test {
 protected:
  void SetUp() override {
    shop_test::clear_shop_state();
    shop_test::install_program_folder(program_.path());
    original_ = dir_ / "original.kvc";
    copy_ = dir_ / "chosen.kvc";
    CShopSession session;
    session.Create(original_.c_str());
    session.Close();
    valid_ = ReadBytes(original_);
  }
  void TearDown() override { shop_test::clear_shop_state(); }

  // Writes a case's bytes as the chosen file, with no log beside it.
  void Place(const std::string& bytes) {
    std::remove((copy_ + ".log").c_str());
    WriteBytes(copy_, bytes);
    placed_ = bytes;
  }
  // A refusal: its message must name the file, and the file must be as it
  // was placed.
  [[noreturn]] void Refuse(const std::string& message) {
    if (message.find(copy_) == std::string::npos)
      hostile::Violation("a refusal that does not name the file: " + message);
    if (ReadBytes(copy_) != placed_) hostile::Violation("a refused open changed the file: " + message);
    throw std::runtime_error(message);
  }
  void ExpectOriginalKept() const { EXPECT_TRUE(ReadBytes(original_) == valid_) << "the valid shop was changed"; }

  shop_test::runtime runtime_;
  dv_test::scratch_dir program_;
  dv_test::scratch_dir dir_;
  std::string original_;
  std::string copy_;
  std::string valid_;
  std::string placed_;
};

TEST_F(ShopFilesHostile, OpenedByTheShopSession) {
  const auto tally = hostile::RunReader(
      "shop file (open)", valid_, hostile::CaseCount(kShortCases), [&](const std::string& bytes) { Place(bytes); },
      [&] {
        try {
          CShopSession session;
          session.Open(copy_.c_str());
          CTransactionScope scope;
          session.GetDatabase()->self_check();
          WalkShop(session.GetRoot());
          scope.Commit();
        } catch (const dv_qem::dv_err& e) {
          Refuse(e.get_report());
        }
      });
  ExpectNoBadCase(tally);
  ExpectOriginalKept();
}

// A page whose header names no page group fails the check of pages read
// in: the open is refused as no valid database, naming the file, and the
// file is left as it was.
TEST_F(ShopFilesHostile, ADamagedPageIsRefusedNamingTheFile) {
  constexpr size_t kPageSize = 4096;
  ASSERT_GT(valid_.size(), 2 * kPageSize);
  for (const size_t page : {size_t(1), valid_.size() / kPageSize - 1}) {
    SCOPED_TRACE("page " + std::to_string(page));
    std::string bytes = valid_;
    bytes.replace(page * kPageSize, 4, std::string("\x07\x00\x00\x00", 4));
    Place(bytes);
    try {
      CShopSession session;
      session.Open(copy_.c_str());
      session.GetDatabase()->self_check();
      ADD_FAILURE() << "a damaged page was opened";
    } catch (const dv_qem::dv_err_not_a_database& e) {
      EXPECT_NE(std::string(e.get_report()).find(copy_ + " is not a valid database"), std::string::npos)
          << e.get_report();
    }
    EXPECT_TRUE(ReadBytes(copy_) == bytes) << "the refused file was changed";
  }
}

TEST_F(ShopFilesHostile, CheckedByTheTargetPage) {
  const auto tally = hostile::RunReader(
      "shop file (target check)", valid_, hostile::CaseCount(kShortCases),
      [&](const std::string& bytes) { Place(bytes); },
      [&] {
        const ShopFileCheck result = CheckShopFile(copy_.c_str());
        if (result == ShopFileCheck::Good || result == ShopFileCheck::OldVersion) return;
        if (ReadBytes(copy_) != placed_) hostile::Violation("a refused check changed the file");
        throw std::runtime_error(static_cast<const char*>(ShopFileCheckMessageText(result)) + std::string("refused"));
      });
  ExpectNoBadCase(tally);
  ExpectOriginalKept();
}

}  // namespace
