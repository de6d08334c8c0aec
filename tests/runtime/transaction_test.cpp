// Guards transactions: initialising them (refused once a database was
// opened, also by DV_QEM_USE_TXN), use before that, begin/commit/abort with
// and without DV_QEM_IGNORE_NESTED_TXN, the wrong type, the accessors, the
// touch and fault checks (no transaction, read-only transaction), an abort
// that restores written pages of a relocated database (read again and
// relocated at the next touch, virtual calls working) and gives grown space
// back, a commit across two databases, a page re-armed by an undo marker
// that is logged again in the next transaction, and the unload clean-up
// that aborts a running transaction, and a refused copy into persistent
// memory that unwinds.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "db_log.h"
#include "db_test_support.h"
#include "db_undo.h"
#include "dv_test_process.h"
#include "durnavel.h"
#include "dv_persistent_copy.h"
#include "transaction_state.h"

using namespace dv_qem;
using namespace dv_test;

namespace {

__attribute__((noinline)) int read_word(const void* p) { return *static_cast<const volatile int*>(p); }
__attribute__((noinline)) void write_word(void* p, int v) { *static_cast<volatile int*>(p) = v; }

class Pet {
 public:
  Pet() = default;
  explicit Pet(dv_probe_t) {}
  virtual ~Pet() = default;
  virtual int legs() const = 0;
  virtual int voice() const { return weight * 10 + legs(); }
  int weight = 0;
  char fur[1000] = {};  // four pets to a page
};

class Cat : public Pet {
 public:
  Cat() = default;
  explicit Cat(dv_probe_t p) : Pet(p) {}
  int legs() const override { return 4; }
};

class Hen : public Pet {
 public:
  Hen() = default;
  explicit Hen(dv_probe_t p) : Pet(p) {}
  int legs() const override { return 2; }
  int voice() const override { return -weight; }
};

struct Link {
  Link* next;
  Pet* pet;
};

}  // namespace

DV_DEFINE_TYPESPEC(Cat, "Cat", DV_NO_POINTERS, DV_VTABLES(0));
DV_DEFINE_TYPESPEC(Hen, "Hen", DV_NO_POINTERS, DV_VTABLES(0));
DV_DEFINE_TYPESPEC(Link, "Link", DV_POINTERS(offsetof(Link, next), offsetof(Link, pet)), DV_NO_VTABLES);

namespace {

constexpr const char* kNotInitialized =
    "dv_err_trans - Attempt to use transactions without initialization. Use dv_transaction::initialize().";

class Transaction : public db_test {
 protected:
  void SetUp() override { dv_transaction::initialize(); }
  void TearDown() override {
    while (dv_transaction::get_current() != nullptr) dv_transaction::abort();
  }

  // A database of n one-page objects of pattern 1, committed.
  dv_database* make(const std::string& name, unsigned n, slots& data) {
    dv_database* db = dv_database::create(path(name).c_str(), 0644, 1, 0);
    dv_transaction::begin(dv_transaction::update);
    data = slots(db, n, 1);
    dv_transaction::commit();
    return db;
  }
};

// Fresh processes, for what happens before transactions are initialised.
class TransactionChild : public db_test {
 protected:
  void SetUp() override {
    if (!is_child()) GTEST_SKIP() << "runs in a child process";
  }
};

TEST(TransactionProcesses, EachInAFreshProcess) {
  EXPECT_EQ(run_child("TransactionChild.UseBeforeInitialize"), 0);
  EXPECT_EQ(run_child("TransactionChild.InitializeAfterADatabaseWasOpened"), 0);
  EXPECT_EQ(run_child("TransactionChild.UseTxnInitializesTransactions", {{"DV_QEM_USE_TXN", ""}}), 0);
  EXPECT_EQ(run_child("TransactionChild.NestedBeginsAreCounted", {{"DV_QEM_IGNORE_NESTED_TXN", "1"}}), 0);
}

TEST_F(TransactionChild, UseBeforeInitialize) {
  durnavel::initialize();  // without DV_QEM_USE_TXN: transactions stay off
  EXPECT_EQ(dv_transaction::get_current(), nullptr);
  expect_error<dv_err_trans>([] { dv_transaction::begin(dv_transaction::update); }, kNotInitialized);
  expect_error<dv_err_trans>([] { dv_transaction::begin("named", dv_transaction::read_only); }, kNotInitialized);
  expect_error<dv_err_trans>([] { dv_transaction::commit(); }, kNotInitialized);
  expect_error<dv_err_trans>([] { dv_transaction::abort(); }, kNotInitialized);
  // Without transactions, memory is touched freely and saved explicitly.
  dv_database* db = dv_database::create(path("free.db").c_str(), 0644, 0, 0);
  slots data(db, 2, 5);
  db->save();
  EXPECT_TRUE(data.holds(db, 1, 5));
  db->close();
}

TEST_F(TransactionChild, InitializeAfterADatabaseWasOpened) {
  dv_database* db = dv_database::create(path("first.db").c_str(), 0644, 0, 0);
  db->close();  // closed again: still too late
  expect_error<dv_err_trans>(
      [] { dv_transaction::initialize(); },
      "dv_err_trans - dv_transaction::initialize() has to be called before the first database is opened.");
  expect_error<dv_err_trans>([] { dv_transaction::begin(dv_transaction::update); }, kNotInitialized);
}

TEST_F(TransactionChild, UseTxnInitializesTransactions) {
  durnavel::initialize();
  EXPECT_EQ(_Transaction_state::is_initialized(), 1);
  dv_transaction::initialize();  // again: nothing
  dv_database* db = dv_database::create(path("txn.db").c_str(), 0644, 0, 0);
  EXPECT_NE(internal(db)->database_log(), _DB_log::dummy()) << "a log file with transactions";
  dv_transaction* t = dv_transaction::begin(dv_transaction::update);
  slots data(db, 1, 2);
  dv_transaction::commit();
  EXPECT_TRUE(t->is_committed());
  db->close();
}

TEST_F(TransactionChild, NestedBeginsAreCounted) {
  dv_transaction::initialize();
  dv_transaction* outer = dv_transaction::begin("outer", dv_transaction::update);
  EXPECT_EQ(dv_transaction::begin("inner", dv_transaction::read_only), outer);
  EXPECT_STREQ(outer->get_name(), "outer") << "name and type untouched";
  EXPECT_EQ(outer->get_type(), dv_transaction::update);
  expect_error<dv_err_trans_wrong_type>(
      [] { dv_transaction::begin(static_cast<dv_transaction::transaction_type_enum>(3)); },
      "dv_err_trans_wrong_type - The type of a transaction must be either read_only or update.");
  dv_transaction::commit();
  EXPECT_EQ(dv_transaction::get_current(), outer) << "only the nesting ended";
  dv_transaction::commit();
  EXPECT_EQ(dv_transaction::get_current(), nullptr);
  EXPECT_EQ(outer->is_committed(), 1);

  dv_database* db = dv_database::create(path("nested.db").c_str(), 0644, 0, 0);
  dv_transaction::begin(dv_transaction::update);
  slots data(db, 1, 1);
  dv_transaction::commit();
  dv_transaction::begin(dv_transaction::update);
  dv_transaction::begin(dv_transaction::update);
  data.fill(db, 0, 2);
  dv_transaction::abort();
  EXPECT_EQ(dv_transaction::get_current(), outer) << "an inner abort discards nothing";
  EXPECT_TRUE(data.holds(db, 0, 2));
  dv_transaction::abort();
  EXPECT_EQ(outer->is_aborted(), 1);
  dv_transaction::begin(dv_transaction::read_only);
  EXPECT_TRUE(data.holds(db, 0, 1));
  dv_transaction::commit();
  db->close();
}

TEST_F(Transaction, NestedBeginIsRefusedByDefault) {
  dv_transaction* t = dv_transaction::begin(dv_transaction::update);
  expect_error<dv_err_trans>([] { dv_transaction::begin(dv_transaction::update); },
                             "dv_err_trans - Nested transactions are not supported.");
  EXPECT_EQ(dv_transaction::get_current(), t);
  dv_transaction::commit();
  EXPECT_EQ(dv_transaction::get_current(), nullptr);
}

TEST_F(Transaction, TheTypeIsUpdateOrReadOnly) {
  const auto three = static_cast<dv_transaction::transaction_type_enum>(3);
  const std::string wrong = "dv_err_trans_wrong_type - The type of a transaction must be either read_only or update.";
  expect_error<dv_err_trans_wrong_type>([&] { dv_transaction::begin(three); }, wrong);
  EXPECT_EQ(dv_transaction::get_current(), nullptr);
  dv_transaction::begin(dv_transaction::update);
  expect_error<dv_err_trans_wrong_type>([&] { dv_transaction::begin("x", three); }, wrong);
  dv_transaction::commit();
}

TEST_F(Transaction, AccessorsAndTheEndOfATransaction) {
  expect_error<dv_err_trans>([] { dv_transaction::commit(); },
                             "dv_err_trans - Trying to commit a transaction, but there is no transaction in progress.");
  expect_error<dv_err_trans>([] { dv_transaction::abort(); },
                             "dv_err_trans - Trying to abort a transaction, but there is no transaction in progress.");
  dv_transaction* t = dv_transaction::begin("first", dv_transaction::update);
  EXPECT_EQ(dv_transaction::get_current(), t);
  EXPECT_STREQ(t->get_name(), "first");
  EXPECT_EQ(t->get_type(), dv_transaction::update);
  EXPECT_EQ(t->is_committed(), 0);
  EXPECT_EQ(t->is_aborted(), 0);
  t->set_name("renamed");
  EXPECT_STREQ(t->get_name(), "renamed");
  dv_transaction::commit(t);
  EXPECT_EQ(dv_transaction::get_current(), nullptr);
  EXPECT_EQ(t->is_committed(), 1);
  EXPECT_EQ(t->is_aborted(), 0);

  EXPECT_EQ(dv_transaction::begin(dv_transaction::read_only), t) << "one object, reused";
  EXPECT_EQ(t->get_name(), nullptr);
  EXPECT_EQ(t->get_type(), dv_transaction::read_only);
  t->set_name(nullptr);
  dv_transaction::abort(t);
  EXPECT_EQ(t->is_aborted(), 1);
  EXPECT_EQ(t->is_committed(), 0);
  delete t;  // does nothing
  EXPECT_EQ(dv_transaction::begin(dv_transaction::update), t);
  dv_transaction::commit();
}

// Without a transaction no page is read; in a read-only one none is written
// and the database does not grow.
// A refused write inside a C library copy routine could not unwind (the
// routines carry no unwind information for every instruction) and ended the
// process now and then; the persistent copies fault in our own code first.
TEST_F(Transaction, ARefusedCopyIntoPersistentMemoryUnwinds) {
  slots data;
  dv_database* db = make("copies.db", 2, data);
  dv_transaction::begin(dv_transaction::read_only);
  char* slot = data.object(db, 1);
  EXPECT_TRUE(data.holds(db, 1, 1));
  for (int round = 0; round < 20; ++round) {
    EXPECT_THROW(persistent_memmove(slot + 8, slot, 1000), dv_err_trans_wrong_type);
    EXPECT_THROW(persistent_memcpy(slot, data.object(db, 0), 1000), dv_err_trans_wrong_type);
    EXPECT_THROW(persistent_memset(slot + 3000, 0, 1000), dv_err_trans_wrong_type);
  }
  EXPECT_TRUE(data.holds(db, 1, 1)) << "no byte changed";
  dv_transaction::commit();
  db->close();
}

TEST_F(Transaction, TouchingOutsideAnUpdateTransaction) {
  slots data;
  dv_database* db = make("checks.db", 3, data);
  db->close();
  db = dv_database::open(path("checks.db").c_str(), 0, 0, 0);
  char* slot = data.object(db, 1);
  expect_error<dv_err_trans>(
      [&] { (void)read_word(slot); },
      format("dv_err_trans - Attempt to dereference a pointer to persistent memory (0x%x) with no transaction in "
             "progress.",
             word(slot)));
  expect_error<dv_err_trans>(
      [&] { durnavel::touch(slot, 0); },
      format("dv_err_trans - Attempt to touch persistent memory (0x%x) with no transaction in progress.", word(slot)));

  dv_transaction::begin(dv_transaction::read_only);
  EXPECT_TRUE(data.holds(db, 1, 1)) << "reading is allowed";
  char* other = data.object(db, 2);
  expect_error<dv_err_trans_wrong_type>(
      [&] { write_word(slot, 7); },
      format("dv_err_trans_wrong_type - Attempt to write to persistent memory (0x%x) in a non-update transaction.",
             word(slot)));
  expect_error<dv_err_trans_wrong_type>(
      [&] { durnavel::touch(other, 1); },
      format("dv_err_trans_wrong_type - Attempt to touch persistent memory for write (0x%x) in a non-update "
             "transaction.",
             word(other)));
  expect_error<dv_err_trans>(
      [&] { (void)::operator new(3 * kPage, db, dv_typespec::get_char(), 3 * kPage); },
      "dv_err_trans - Attempt allocate memory in database (" + path("checks.db") +
          ") with no update transaction in progress.");
  dv_transaction::commit();
  EXPECT_TRUE(data.holds(db, 1, 1));
  db->close();
}

// Writes to many pages of a relocated database and growth, then abort: the
// written pages are left without access and come back from the file,
// relocated, at their next touch; the new pages and the grown size are gone.
TEST_F(Transaction, AbortRestoresWrittenPagesAndGivesGrowthBack) {
  constexpr int kPets = 40;  // about ten pages of pets
  {
    dv_database* db = dv_database::create(path("pets.db").c_str(), 0644, 1, 0);
    dv_transaction::begin(dv_transaction::update);
    Link* head = nullptr;
    for (int i = kPets - 1; i >= 0; --i) {
      Pet* pet = i % 3 == 0 ? static_cast<Pet*>(new (db, &dv_ts<Hen>::the_instance) Hen)
                            : static_cast<Pet*>(new (db, &dv_ts<Cat>::the_instance) Cat);
      pet->weight = i;
      Link* link = new (dv_cluster::with(pet), &dv_ts<Link>::the_instance) Link;
      *link = Link{head, pet};
      head = link;
    }
    db->create_root("pets")->set_value(head, &dv_ts<Link>::the_instance);
    dv_transaction::commit();
    db->close();
  }
  // Another database takes the place the pets had: they are relocated.
  dv_database* blocker = dv_database::create(path("blocker.db").c_str(), 0644, 1, 0);
  dv_database* db = dv_database::open(path("pets.db").c_str(), 0, 0, 0);
  ASSERT_NE(reinterpret_cast<uintptr_t>(db->as_start()), stored_super(path("pets.db")).as_start);
  const unsigned size = db->size();
  const long file_bytes = file_size(path("pets.db"));

  dv_transaction::begin(dv_transaction::update);
  auto head = [&] { return static_cast<Link*>(db->find_root("pets")->get_value(&dv_ts<Link>::the_instance)); };
  for (Link* l = head(); l != nullptr; l = l->next) {
    l->pet->weight = -1;
    l->pet->fur[500] = 'x';
  }
  Link* added = nullptr;
  for (int i = 0; i < 10; ++i) {
    char* big = static_cast<char*>(::operator new(2 * kPage, db, dv_typespec::get_char(), 2 * kPage));
    big[0] = 1;
    Link* link = new (db, &dv_ts<Link>::the_instance) Link;
    *link = Link{added != nullptr ? added : head(), new (db, &dv_ts<Cat>::the_instance) Cat};
    added = link;
  }
  db->find_root("pets")->set_value(added, &dv_ts<Link>::the_instance);
  EXPECT_GT(db->size(), size);
  unsigned unlocked, read_locked, write_locked;
  db->get_page_stats(unlocked, read_locked, write_locked);
  EXPECT_GT(write_locked, 10u);
  dv_transaction::abort();

  db->get_page_stats(unlocked, read_locked, write_locked);
  EXPECT_EQ(write_locked, 0u);
  EXPECT_GT(unlocked, 5u) << "written pages wait for their next touch";
  EXPECT_EQ(db->size(), size) << "the growth is given back";
  EXPECT_EQ(file_size(path("pets.db")), file_bytes);
  EXPECT_EQ(internal(db)->super()->as_start, static_cast<dv4u>(reinterpret_cast<uintptr_t>(db->as_start())));

  dv_transaction::begin(dv_transaction::read_only);
  int i = 0;
  for (Link* l = head(); l != nullptr; l = l->next, ++i) {
    EXPECT_EQ(l->pet->weight, i);
    EXPECT_EQ(l->pet->fur[500], 0);
    EXPECT_EQ(l->pet->legs(), i % 3 == 0 ? 2 : 4) << "virtual call on pet " << i;
    EXPECT_EQ(l->pet->voice(), i % 3 == 0 ? -i : i * 10 + 4);
  }
  EXPECT_EQ(i, kPets);
  db->self_check();
  dv_transaction::commit();

  // The database goes on: a new transaction writes and grows it again.
  dv_transaction::begin(dv_transaction::update);
  head()->pet->weight = 99;
  slots more(db, 2, 4);
  dv_transaction::commit();
  dv_transaction::begin(dv_transaction::read_only);
  EXPECT_EQ(head()->pet->weight, 99);
  EXPECT_TRUE(more.holds(db, 1, 4));
  db->self_check();
  dv_transaction::commit();
  db->close();
  blocker->close();
}

TEST_F(Transaction, CommitWritesEveryModifiedDatabase) {
  slots a_data, b_data;
  dv_database* a = make("a.db", 3, a_data);
  dv_database* b = make("b.db", 3, b_data);
  dv_transaction::begin(dv_transaction::update);
  for (unsigned i = 0; i < 3; ++i) a_data.fill(a, i, 2);
  b_data.fill(b, 1, 3);
  EXPECT_GE(logged_images(path("a.db")), 3);
  EXPECT_GE(logged_images(path("b.db")), 1);
  dv_transaction::commit();

  std::vector<char> a_file = read_file(path("a.db")), b_file = read_file(path("b.db"));
  for (unsigned i = 0; i < 3; ++i) EXPECT_TRUE(a_data.holds_at(a_file.data(), i, 2)) << i;
  EXPECT_TRUE(b_data.holds_at(b_file.data(), 1, 3));
  EXPECT_TRUE(b_data.holds_at(b_file.data(), 0, 1));
  for (dv_database* db : {a, b}) {
    unsigned unlocked, read_locked, write_locked;
    db->get_page_stats(unlocked, read_locked, write_locked);
    EXPECT_EQ(write_locked, 0u);
    EXPECT_EQ(db->needs_recovery(), 0);
  }
  for (const char* name : {"a.db", "b.db"}) {
    EXPECT_EQ(stored_super(path(name)).recovery_word, 0u);
    EXPECT_EQ(log_header(path(name)).in_progress, 1) << "the log starts afresh";
    EXPECT_EQ(logged_images(path(name)), 0);
  }
  a->close();
  b->close();
}

// A page re-armed by an undo marker and then committed is logged again at
// its first write in the next transaction, so an abort or a crash of that
// transaction can put it back.
TEST_F(Transaction, ARearmedPageIsLoggedAgainInTheNextTransaction) {
  slots data;
  dv_database* db = make("rearm.db", 2, data);
  const std::string file = path("rearm.db");
  auto page_logged = [&](unsigned i) {
    for (const log_entry& e : log_entries(file))
      if (e.kind == log_page_image && e.value == static_cast<unsigned>(data.page(db, i) - internal(db)->space_start()))
        return true;
    return false;
  };

  dv_transaction::begin(dv_transaction::update);
  data.fill(db, 0, 2);
  db->set_undo_marker();
  _Page* page = internal(db)->find_page(data.page(db, 0));
  EXPECT_TRUE(page->is_rearmed());
  data.fill(db, 1, 3);  // another page: this one stays re-armed up to the commit
  EXPECT_TRUE(page->is_rearmed());
  dv_transaction::commit();
  EXPECT_FALSE(page->is_rearmed()) << "read-locked by the commit";

  dv_transaction::begin(dv_transaction::update);
  data.fill(db, 0, 4);
  EXPECT_TRUE(page_logged(0)) << "its before-image is in the log";
  dv_transaction::abort();
  dv_transaction::begin(dv_transaction::read_only);
  EXPECT_TRUE(data.holds(db, 0, 2));
  EXPECT_TRUE(data.holds(db, 1, 3));
  dv_transaction::commit();
  db->close();
}

// The unload clean-up aborts a running transaction before it closes the
// databases: the file keeps what was last committed.
TEST_F(Transaction, TheCleanUpAbortsARunningTransaction) {
  slots data;
  dv_database* db = make("left.db", 2, data);
  dv_transaction* t = dv_transaction::begin(dv_transaction::update);
  data.fill(db, 1, 6);
  durnavel::_cleanup();
  EXPECT_EQ(t->is_aborted(), 1);
  EXPECT_EQ(dv_transaction::get_current(), nullptr);
  EXPECT_FALSE(dv_database::is_open(db));
  db = dv_database::open(path("left.db").c_str(), 1, 0, 0);
  dv_transaction::begin(dv_transaction::read_only);
  EXPECT_TRUE(data.holds(db, 1, 1));
  dv_transaction::commit();
  db->close();
}

}  // namespace
