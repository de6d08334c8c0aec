// Guards the opening of shop files chosen in a dialog against damaged and
// hostile copies: a small valid shop is mutated, and each copy is given to
// CShopSession::Open (then self-checked and its departments walked) and to
// the target page's shop file check, each in a child process. Every case
// must end opened or refused with a message naming the file, never with a
// signal, a hang or runaway memory; a refused copy is left as it was, and
// the valid shop it was made from is never changed. The dump tool refuses
// at its check exactly the copies the target page's check refuses.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "department.h"
#include "dv_err.h"
#include "dv_outofline_collection.h"
#include "dv_scratch_dir.h"
#include "hostile_expect.h"
#include "hostile_harness.h"
#include "product.h"
#include "root.h"
#include "shop_file_check.h"
#include "shop_info.h"
#include "shop_session.h"
#include "shop_test_child.h"
#include "shop_test_db.h"
#include "shop_test_kvcdump.h"
#include "shop_test_program.h"
#include "transaction_scope.h"

namespace {

constexpr int kShortCases = 20;

// Walks what the wizard shows of the shop: the department tree below the
// top department with every department's and product's name.
void WalkDepartment(Department* department, int language) {
  CString name;
  department->GetName(name, language);
  for (unsigned i = 0, n = department->GetProducts()->cardinality(); i < n; ++i)
    department->GetProducts()->retrieve(i)->GetName(name, language);
  for (unsigned i = 0, n = department->GetChildren()->cardinality(); i < n; ++i)
    WalkDepartment(department->GetChildren()->retrieve(i), language);
}

uint32_t WordAt(const std::string& bytes, size_t at) {
  uint32_t word = 0;
  std::memcpy(&word, bytes.data() + at, 4);
  return word;
}

// Damage inside stored objects, where the heap's checks do not look: one to
// three words that hold an address in the database become another address
// in it, null or a wild address, or any word of an object a huge count.
std::string DamageObjectWords(hostile::Mutator& mutator, const std::string& valid) {
  constexpr size_t kPage = 4096, kPageHeader = 24;
  const uint32_t start = WordAt(valid, 0x20), size = WordAt(valid, 0x24);
  std::vector<size_t> addresses, words;
  for (size_t at = kPage; at + 4 <= valid.size(); at += 4) {
    if (at % kPage < kPageHeader) continue;
    words.push_back(at);
    const uint32_t word = WordAt(valid, at);
    if (word >= start && word - start < size) addresses.push_back(at);
  }
  static const uint32_t kWild[] = {0, 0xFFFFFFFFu, 0x7FFFFFFFu, 0x10000u, 0x1000u, 0xFFFFu};
  std::string bytes = valid;
  for (size_t i = 0, n = 1 + mutator.Below(3); i < n; ++i) {
    const bool anyWord = addresses.empty() || mutator.Below(4) == 0;
    const size_t at = anyWord ? words[mutator.Below(words.size())] : addresses[mutator.Below(addresses.size())];
    const uint32_t value =
        mutator.Below(2) == 0 ? start + uint32_t(mutator.Below(size)) : kWild[mutator.Below(std::size(kWild))];
    std::memcpy(&bytes[at], &value, 4);
  }
  return bytes;
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
    valid_ = hostile::ReadBytes(original_);
  }
  void TearDown() override { shop_test::clear_shop_state(); }

  // Writes a case's bytes as the chosen file, with no log beside it.
  void Place(const std::string& bytes) {
    std::remove((copy_ + ".log").c_str());
    hostile::WriteBytes(copy_, bytes);
    placed_ = bytes;
  }
  // A refusal: its message must name the file, and the file must be as it
  // was placed.
  [[noreturn]] void Refuse(const std::string& message) {
    if (message.find(copy_) == std::string::npos)
      hostile::Violation("a refusal that does not name the file: " + message);
    if (hostile::ReadBytes(copy_) != placed_) hostile::Violation("a refused open changed the file: " + message);
    throw std::runtime_error(message);
  }
  void ExpectOriginalKept() const {
    EXPECT_TRUE(hostile::ReadBytes(original_) == valid_) << "the valid shop was changed";
  }

  // In a case's child: the chosen file opened as the import page opens it,
  // self-checked and walked. A refused open names the file; damage that
  // only the walk meets is refused by the runtime's access checks.
  void OpenAndWalk() {
    CShopSession session;
    try {
      session.Open(copy_.c_str());
    } catch (const dv_qem::dv_err& e) {
      Refuse(e.get_report());
    }
    try {
      CTransactionScope scope;
      session.GetDatabase()->self_check();
      Root* root = session.GetRoot();
      Department* top = root->GetMyShopDept();
      if (top == nullptr) throw std::runtime_error("the shop has no top department");
      WalkDepartment(top, root->GetDefLanguage());
      scope.Commit();
    } catch (const dv_qem::dv_err& e) {
      throw std::runtime_error(e.get_report());
    }
  }
  // In a case's child: the chosen file checked as the target page checks it.
  void Check() {
    const ShopFileCheck result = CheckShopFile(copy_.c_str());
    if (result == ShopFileCheck::Good || result == ShopFileCheck::OldVersion) return;
    if (hostile::ReadBytes(copy_) != placed_) hostile::Violation("a refused check changed the file");
    throw std::runtime_error("refused by the check");
  }
  void Run(const std::string& reader, const hostile::Mutation& mutate, const std::function<void()>& read) {
    const auto tally = hostile::RunReaderWith(
        reader, valid_, hostile::CaseCount(kShortCases), mutate, [&](const std::string& bytes) { Place(bytes); }, read);
    hostile::ExpectNoBadCase(tally);
    ExpectOriginalKept();
  }
  static std::string AnyDamage(hostile::Mutator& mutator, const std::string& valid) { return mutator.Mutate(valid); }

  shop_test::runtime runtime_;
  dv_test::scratch_dir program_;
  dv_test::scratch_dir dir_;
  std::string original_;
  std::string copy_;
  std::string valid_;
  std::string placed_;
};

TEST_F(ShopFilesHostile, OpenedByTheShopSession) {
  Run("shop file (open)", AnyDamage, [this] { OpenAndWalk(); });
}

TEST_F(ShopFilesHostile, CheckedByTheTargetPage) {
  Run("shop file (target check)", AnyDamage, [this] { Check(); });
}

TEST_F(ShopFilesHostile, DamagedObjectsOpenedByTheShopSession) {
  Run("shop objects (open)", DamageObjectWords, [this] { OpenAndWalk(); });
}

TEST_F(ShopFilesHostile, DamagedObjectsCheckedByTheTargetPage) {
  Run("shop objects (target check)", DamageObjectWords, [this] { Check(); });
}

// The target page's check and the dump tool look at the same things: on
// damaged copies, the check refuses exactly those that the dump refuses
// before it prints the shop (the dump may still meet damage further in,
// which it reports as such), and neither ends by a signal.
TEST_F(ShopFilesHostile, TheDumpAndTheTargetCheckRefuseTheSameCopies) {
  const unsigned seed = hostile::RunSeed();
  hostile::Mutator mutator(seed);
  const int cases = hostile::CaseCount(12);
  int refused = 0;
  for (int i = 0; i < 2 * cases; ++i) {
    SCOPED_TRACE("seed " + std::to_string(seed) + " case " + std::to_string(i));
    Place(i % 2 == 0 ? AnyDamage(mutator, valid_) : DamageObjectWords(mutator, valid_));
    const int check = shop_test::InChild([this] {
      const ShopFileCheck result = CheckShopFile(copy_.c_str());
      ::_exit(result == ShopFileCheck::Good || result == ShopFileCheck::OldVersion ? 0 : 2);
    });
    ASSERT_TRUE(check == 0 || check == 2) << "the check ended with " << check;
    const shop_test::kvcdump_result dump = shop_test::kvcdump(copy_);
    ASSERT_TRUE(dump.status == 0 || dump.status == 1) << "the dump ended with " << dump.status << "\n" << dump.err;
    const bool dumpRefusedAtItsCheck =
        dump.status == 1 && dump.err.find(" is damaged: an object of the shop cannot be read") == std::string::npos;
    EXPECT_EQ(check == 2, dumpRefusedAtItsCheck) << dump.err;
    if (check == 2) ++refused;
  }
  EXPECT_GT(refused, 0) << "no damaged copy was refused: the cases test nothing";
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
    EXPECT_TRUE(hostile::ReadBytes(copy_) == bytes) << "the refused file was changed";
  }
}

// Stored pointers that lead outside every database, one where the open
// follows it (the root's signature) and one that only the walk meets (the
// top department's list of children): the open is refused as no valid
// database naming the file, the walk with the runtime's error, the target
// check refuses the file, and nothing crashes.
TEST_F(ShopFilesHostile, AStoredPointerLeadingNowhereIsRefusedNotACrash) {
  size_t signatureAt = 0, childrenAt = 0;  // file offsets of the two pointers
  {
    CShopSession session;
    session.Open(original_.c_str());
    CTransactionScope scope;
    const char* start = static_cast<const char*>(session.GetDatabase()->as_start());
    Root* root = session.GetRoot();
    signatureAt = reinterpret_cast<const char*>(&root->m_strSignature.m_pString) - start;
    childrenAt = reinterpret_cast<const char*>(&root->GetMyShopDept()->m_pChildren) - start;
    scope.Commit();
  }
  for (const uint32_t wild : {0xFFFFFFF0u, 0x00010000u}) {
    SCOPED_TRACE("address " + std::to_string(wild));
    std::string bytes = valid_;
    std::memcpy(&bytes[signatureAt], &wild, 4);
    Place(bytes);
    hostile::CaseResult result = hostile::RunCase([&] {
      try {
        CShopSession session;
        session.Open(copy_.c_str());
      } catch (const dv_qem::dv_err_not_a_database& e) {
        Refuse(e.get_report());
      }
    });
    EXPECT_EQ(result.outcome, hostile::Outcome::Refused) << "a wild signature pointer: " << result.detail;
    result = hostile::RunCase([&] { Check(); });
    EXPECT_EQ(result.outcome, hostile::Outcome::Refused) << "the check of a wild signature pointer: " << result.detail;

    bytes = valid_;
    std::memcpy(&bytes[childrenAt], &wild, 4);
    Place(bytes);
    result = hostile::RunCase([&] { OpenAndWalk(); });
    EXPECT_EQ(result.outcome, hostile::Outcome::Refused) << "a wild list of departments: " << result.detail;
  }
}

// A collection whose representation is gone: met while the shop is
// attached, the open is refused as no valid database naming the file; met
// by the walk, with the collections library's error.
TEST_F(ShopFilesHostile, ACollectionWithoutItsRepresentationIsRefused) {
  struct Damage {
    const char* what;
    dv_qem::dv_outofline_collection* (*of)(Root*);
    bool metByTheOpen;
  };
  const Damage damages[] = {
      {"the shop's allowed languages",
       [](Root* root) -> dv_qem::dv_outofline_collection* { return root->GetShopInfo().m_aLanguagesAllowed; }, true},
      {"the top department's children",
       [](Root* root) -> dv_qem::dv_outofline_collection* { return root->GetMyShopDept()->m_pChildren; }, false},
  };
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.what);
    size_t at = 0;  // file offset of the collection's representation pointer
    {
      CShopSession session;
      session.Open(original_.c_str());
      CTransactionScope scope;
      const char* start = static_cast<const char*>(session.GetDatabase()->as_start());
      dv_qem::dv_outofline_collection* collection = d.of(session.GetRoot());
      const char* object = reinterpret_cast<const char*>(collection);
      const void* rep = collection->get_outofline();
      for (size_t i = 0; i + 4 <= sizeof(*collection); i += 4)
        if (std::memcmp(object + i, &rep, 4) == 0) at = object + i - start;
      scope.Commit();
    }
    ASSERT_NE(at, 0u);
    std::string bytes = valid_;
    std::memset(&bytes[at], 0, 4);
    Place(bytes);
    const hostile::CaseResult result = hostile::RunCase([&] {
      if (!d.metByTheOpen) return OpenAndWalk();
      try {
        CShopSession session;
        session.Open(copy_.c_str());
      } catch (const dv_qem::dv_err_not_a_database& e) {
        Refuse(e.get_report());
      }
    });
    EXPECT_EQ(result.outcome, hostile::Outcome::Refused) << result.detail;
  }
}

// A stored type name that names no type of the program, met while the
// shop is attached: refused as no valid database naming the file.
TEST_F(ShopFilesHostile, AStoredTypeNameOfNoKnownTypeIsRefused) {
  for (const std::string name : {"Department", "Root"}) {
    SCOPED_TRACE(name);
    const size_t at = valid_.find(name + '\0');
    ASSERT_NE(at, std::string::npos);
    std::string bytes = valid_;
    bytes[at] = 'Q';
    Place(bytes);
    const hostile::CaseResult result = hostile::RunCase([&] {
      try {
        CShopSession session;
        session.Open(copy_.c_str());
      } catch (const dv_qem::dv_err_not_a_database& e) {
        Refuse(e.get_report());
      }
    });
    EXPECT_EQ(result.outcome, hostile::Outcome::Refused) << result.detail;
  }
}

}  // namespace
