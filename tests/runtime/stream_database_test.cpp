// Guards databases kept in a stream of a compound file: create, fill, save,
// close and open again through the stream, in one process and across
// processes mapped at other addresses; the stream holds the same bytes a
// file would; UTF-8 and UTF-16 names and their conversion failures; the
// path check (no storage, no name, in use only in the same storage); every
// stream-open failure mapped to its error; a stream opened without write
// access gives a read-only database; save_as and copy into streams (and
// between the file and stream forms); destroy removing the stream; failed
// writes and commits reported as errors, a failed save_as or create leaving
// no stream behind and the container otherwise as it was; the recovery log
// named after the container and the stream, and an interrupted write put
// back from it at the next open; and every storage reference released.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "db_log.h"
#include "db_test_support.h"
#include "dv_database.h"
#include "dv_database_root.h"
#include "dv_new.h"
#include "dv_olestorage.h"
#include "dv_test_process.h"
#include "dvdb.h"
#include "transaction_state.h"

using namespace dv_qem;
using namespace dv_test;

namespace {

constexpr DWORD kReadWrite = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;  // 0x12
constexpr DWORD kReadOnly = STGM_READ | STGM_SHARE_EXCLUSIVE;        // 0x10
constexpr unsigned kObjects = 12;

std::string system_text(int error) { return format("(%d) %s", error, std::strerror(error)); }

// Holds one reference to a storage and releases it at the end of the scope.
class storage_ref {
 public:
  explicit storage_ref(IStorage* s = nullptr) : s_(s) {}
  ~storage_ref() { reset(); }
  storage_ref(const storage_ref&) = delete;
  storage_ref& operator=(const storage_ref&) = delete;
  IStorage* get() const { return s_; }
  IStorage** out() {
    reset();
    return &s_;
  }
  void reset() {
    if (s_ != nullptr) s_->Release();
    s_ = nullptr;
  }

 private:
  IStorage* s_;
};

storage_ref* new_memory_storage(storage_ref& ref, dv_storage_faults* faults = nullptr) {
  EXPECT_EQ(dv_create_memory_storage(ref.out(), faults), S_OK);
  return &ref;
}

// The bytes of a closed stream.
std::vector<char> stream_bytes(IStorage* storage, const char16_t* name) {
  IStream* stream = nullptr;
  EXPECT_EQ(storage->OpenStream(name, nullptr, kReadOnly, 0, &stream), S_OK);
  if (stream == nullptr) return {};
  dv_stream_stat stat;
  stream->Stat(&stat);
  std::vector<char> bytes(static_cast<size_t>(stat.size));
  ULONG read = 0;
  stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
  stream->Release();
  return bytes;
}

void write_stream(IStorage* storage, const char16_t* name, const std::string& text) {
  IStream* stream = nullptr;
  ASSERT_EQ(storage->CreateStream(name, kReadWrite, 0, 0, &stream), S_OK);
  ASSERT_EQ(stream->Write(text.data(), static_cast<ULONG>(text.size()), nullptr), S_OK);
  stream->Release();
}

std::vector<std::u16string> stream_names(IStorage* storage) {
  std::vector<std::u16string> names;
  storage->ListStreams(&names);
  return names;
}

// kObjects page-filling objects of seed under the root "table" (an array of
// pointers to them).
void fill_database(dv_database* db, unsigned seed) {
  slots data(db, kObjects, seed);
  auto** table = static_cast<char**>(::operator new(kObjects * sizeof(char*), db, dv_typespec::get_pointer(), kObjects));
  for (unsigned i = 0; i < kObjects; ++i) table[i] = data.object(db, i);
  db->create_root("table")->set_value(table, dv_typespec::get_pointer());
}

// Follows the root "table" to every object; each must hold its pattern of
// its seed (seeds[i], or seed for all).
::testing::AssertionResult holds_objects(dv_database* db, const std::vector<unsigned>& seeds) {
  dv_database_root* root = db->find_root("table");
  if (root == nullptr) return ::testing::AssertionFailure() << "no root";
  auto** table = static_cast<char**>(root->get_value(dv_typespec::get_pointer()));
  for (unsigned i = 0; i < kObjects; ++i) {
    if (dv_database::of(table[i]) != db) return ::testing::AssertionFailure() << "object " << i << " elsewhere";
    const unsigned* words = reinterpret_cast<const unsigned*>(table[i]);
    for (unsigned w = 0; w < kSlotBytes / 4; ++w)
      if (words[w] != pattern_word(i, w, seeds[i])) return ::testing::AssertionFailure() << "object " << i;
  }
  return ::testing::AssertionSuccess();
}
::testing::AssertionResult holds_objects(dv_database* db, unsigned seed) {
  return holds_objects(db, std::vector<unsigned>(kObjects, seed));
}

// Writes seed into object i, found through the root.
void refill(dv_database* db, unsigned i, unsigned seed) {
  auto** table = static_cast<char**>(db->find_root("table")->get_value(dv_typespec::get_pointer()));
  auto* words = reinterpret_cast<unsigned*>(table[i]);
  for (unsigned w = 0; w < kSlotBytes / 4; ++w) words[w] = pattern_word(i, w, seed);
}

class StreamDatabase : public db_test {
 protected:
  void SetUp() override { live_before_ = dv_olestorage_live_objects(); }
  void TearDown() override {
    EXPECT_EQ(_DV_int::get_first_DVDB(), nullptr) << "a database left open";
    EXPECT_EQ(dv_olestorage_live_objects(), live_before_) << "a storage or stream not released";
  }

  ULONG live_before_ = 0;
};

TEST_F(StreamDatabase, CreatedFilledSavedAndOpenedAgain) {
  storage_ref storage;
  new_memory_storage(storage);
  dv_database* db = dv_database::create(storage.get(), "db", kReadWrite, 0);
  EXPECT_EQ(internal(db)->reserved_size(), 8 * kMiB);
  char* name = db->get_pathname();
  EXPECT_STREQ(name, "db");
  _VRN_free(name);
  fill_database(db, 3);
  db->save();
  const unsigned size = db->size();
  db->close();
  EXPECT_EQ(stream_bytes(storage.get(), u"db").size(), size) << "the stream holds the whole image";

  db = dv_database::open(storage.get(), u"db", kReadWrite, 0);
  EXPECT_EQ(db->is_open_readonly(), 0);
  EXPECT_TRUE(holds_objects(db, 3));
  refill(db, 5, 4);
  db->save();
  db->self_check();
  db->close();

  db = dv_database::open(storage.get(), "db", kReadWrite, 3);
  EXPECT_EQ(internal(db)->reserved_size(), 3 * size) << "as_factor as for a file";
  std::vector<unsigned> seeds(kObjects, 3);
  seeds[5] = 4;
  EXPECT_TRUE(holds_objects(db, seeds));
  db->close();
}

// The stream holds exactly the bytes a file copy of the database holds.
TEST_F(StreamDatabase, TheStreamHoldsTheBytesOfAFile) {
  storage_ref storage;
  new_memory_storage(storage);
  dv_database* db = dv_database::create(storage.get(), "db", kReadWrite, 0);
  fill_database(db, 2);
  db->save();
  db->copy(path("copy.db").c_str(), 0644, 0);
  db->close();
  EXPECT_EQ(stream_bytes(storage.get(), u"db"), read_file(path("copy.db")));
}

TEST_F(StreamDatabase, NamesInUtf8AndUtf16) {
  storage_ref storage;
  new_memory_storage(storage);
  const char* narrow = "d\xC3\xA9j\xC3\xA0 \xF0\x9F\x93\x9A";  // "déjà 📚"
  const char16_t* wide = u"d\u00e9j\u00e0 \U0001F4DA";
  dv_database* db = dv_database::create(storage.get(), narrow, kReadWrite, 0);
  char* name = db->get_pathname();
  EXPECT_STREQ(name, narrow);
  _VRN_free(name);
  db->close();
  EXPECT_EQ(stream_names(storage.get()), std::vector<std::u16string>{wide});
  db = dv_database::open(storage.get(), wide, kReadWrite, 0);
  db->close();

  expect_error<dv_err_file>([&] { dv_database::create(storage.get(), "bad\xFF", kReadWrite, 0); },
                            "dv_err_file - Converting multi-byte to wide-char failed: " + system_text(EILSEQ));
  const char16_t lone[] = {u'a', 0xD800, 0};
  expect_error<dv_err_file>([&] { dv_database::open(storage.get(), lone, kReadWrite, 0); },
                            "dv_err_file - Converting wide-char to multi-byte failed: " + system_text(EILSEQ));
  std::string long_name(5000, 'x');
  expect_error<dv_err_file>([&] { dv_database::open(storage.get(), long_name.c_str(), kReadWrite, 0); },
                            "dv_err_file - Converting multi-byte to wide-char failed: " + system_text(E2BIG));
  std::u16string long_wide(600, u'x');
  expect_error<dv_err_invalid_pathname>(
      [&] { dv_database::open(storage.get(), long_wide.c_str(), kReadWrite, 0); },
      "dv_err_invalid_pathname - The pathname \"" + std::string(600, 'x') + "\" is too long.");
}

TEST_F(StreamDatabase, ThePathCheck) {
  storage_ref first, second;
  new_memory_storage(first);
  new_memory_storage(second);
  const std::string no_storage =
      "dv_err_invalid_pathname - The IStorage pointer to all dv_database methods must be non-NULL.";
  expect_error<dv_err_invalid_pathname>([] { dv_database::create(nullptr, "db", kReadWrite, 0); }, no_storage);
  expect_error<dv_err_invalid_pathname>([] { dv_database::open(nullptr, u"db", kReadWrite, 0); }, no_storage);
  expect_error<dv_err_invalid_pathname>([&] { dv_database::create(first.get(), static_cast<const char*>(nullptr), kReadWrite, 0); },
                                        "dv_err_invalid_pathname - The pathname is empty.");
  expect_error<dv_err_invalid_pathname>([&] { dv_database::open(first.get(), u"", kReadWrite, 0); },
                                        "dv_err_invalid_pathname - The pathname is empty.");

  // The same name in two storages is two databases; in one storage, one.
  dv_database* a = dv_database::create(first.get(), "db", kReadWrite, 0);
  dv_database* b = dv_database::create(second.get(), "db", kReadWrite, 0);
  EXPECT_NE(a, b);
  EXPECT_NE(internal(a)->space_start(), internal(b)->space_start());
  fill_database(a, 1);
  fill_database(b, 2);
  const std::string in_use = "dv_err_database_in_use - The database db exists, and is already in use.";
  expect_error<dv_err_database_in_use>([&] { dv_database::open(first.get(), "db", kReadWrite, 0); }, in_use);
  expect_error<dv_err_database_in_use>([&] { dv_database::create(second.get(), u"db", kReadWrite | STGM_CREATE, 0); },
                                       in_use);
  expect_error<dv_err_database_in_use>([&] { b->copy(first.get(), "db", kReadWrite); }, in_use);
  expect_error<dv_err_database_in_use>([&] { b->save_as(first.get(), "db", kReadWrite); }, in_use);
  EXPECT_TRUE(holds_objects(a, 1));
  EXPECT_TRUE(holds_objects(b, 2));
  a->close();
  b->close();
}

TEST_F(StreamDatabase, MissingAndExistingStreams) {
  storage_ref storage;
  new_memory_storage(storage);
  expect_error<dv_err_database_not_found>([&] { dv_database::open(storage.get(), "nothere", kReadWrite, 0); },
                                          "dv_err_database_not_found - The database \"nothere\" could not be found.");
  dv_database* db = dv_database::create(storage.get(), "db", kReadWrite, 0);
  fill_database(db, 1);
  db->save();
  db->close();
  expect_error<dv_err_database_exists>([&] { dv_database::create(storage.get(), "db", kReadWrite, 0); },
                                       "dv_err_database_exists - The database \"db\" already exists.");
  db = dv_database::open(storage.get(), "db", kReadWrite, 0);
  EXPECT_TRUE(holds_objects(db, 1)) << "a refused create leaves the stream alone";
  db->close();
  db = dv_database::create(storage.get(), "db", kReadWrite | STGM_CREATE, 0);
  EXPECT_EQ(db->find_root("table"), nullptr) << "STGM_CREATE replaces it";
  db->close();
}

// A storage whose stream opens fail with a given result.
class refusing_storage final : public IStorage {
 public:
  explicit refusing_storage(HRESULT result) : result_(result) {}
  HRESULT QueryInterface(const IID& iid, void** out) override {
    *out = nullptr;
    if (!(iid == IID_IUnknown || iid == IID_IStorage)) return E_NOINTERFACE;
    *out = static_cast<IStorage*>(this);
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override { return --references_; }
  HRESULT CreateStream(const char16_t*, DWORD, DWORD, DWORD, IStream** out) override { return refuse(out); }
  HRESULT OpenStream(const char16_t*, void*, DWORD, DWORD, IStream** out) override { return refuse(out); }
  HRESULT DestroyElement(const char16_t*) override { return STG_E_FILENOTFOUND; }
  HRESULT Commit(DWORD) override { return S_OK; }
  HRESULT Revert() override { return S_OK; }
  HRESULT ListStreams(std::vector<std::u16string>* names) override {
    names->clear();
    return S_OK;
  }
  HRESULT GetFilePath(std::u16string* path) override {
    path->clear();
    return S_OK;
  }
  ULONG references() const { return references_; }

 private:
  HRESULT refuse(IStream** out) {
    *out = nullptr;
    return result_;
  }
  HRESULT result_;
  ULONG references_ = 1;
};

TEST_F(StreamDatabase, EveryStreamOpenFailureMapsToItsError) {
  struct row {
    HRESULT result;
    std::string report;
  };
  auto locked = [](const char* name) {
    return format("dv_err_database_is_locked - Read/write-access to the database \"s\" is denied (%s when creating or "
                  "opening stream s).",
                  name);
  };
  auto file_error = [](const std::string& text) {
    return "dv_err_file - Database open/create error: \"" + text + "\"";
  };
  const row rows[] = {
      {STG_E_INVALIDFUNCTION, locked("STG_E_INVALIDFUNCTION")},
      {STG_E_FILENOTFOUND, "dv_err_database_not_found - The database \"s\" could not be found."},
      {STG_E_TOOMANYOPENFILES, file_error("STG_E_TOOMANYOPENFILES when creating or opening stream s")},
      {STG_E_ACCESSDENIED, locked("STG_E_ACCESSDENIED")},
      {STG_E_INSUFFICIENTMEMORY, locked("STG_E_INSUFFICIENTMEMORY")},
      {STG_E_INVALIDPOINTER, locked("STG_E_INVALIDPOINTER")},
      {STG_E_FILEALREADYEXISTS, "dv_err_database_exists - The database \"s\" already exists."},
      {STG_E_INVALIDPARAMETER, locked("STG_E_INVALIDPARAMETER")},
      {STG_E_INVALIDNAME, locked("STG_E_INVALIDNAME")},
      {STG_E_INVALIDFLAG, file_error("STG_E_INVALIDFLAG when creating or opening stream s")},
      {STG_E_REVERTED, locked("STG_E_REVERTED")},
      {STG_E_MEDIUMFULL, file_error("Unexpected error while creating or opening stream s")},
      {E_OUTOFMEMORY, file_error("Unexpected error while creating or opening stream s")},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(format("0x%08x", static_cast<unsigned>(r.result)));
    refusing_storage storage(r.result);
    expect_error<dv_err>([&] { dv_database::create(&storage, "s", kReadWrite, 0); }, r.report);
    expect_error<dv_err>([&] { dv_database::open(&storage, "s", kReadWrite, 0); }, r.report);
    EXPECT_EQ(storage.references(), 1u) << "no reference kept";
  }
  EXPECT_EQ(_DV_int::get_first_DVDB(), nullptr);
}

// A stream opened without write access holds a read-only database, the way
// a document opens a read-only container.
TEST_F(StreamDatabase, AReadOnlyStreamOpensAReadOnlyDatabase) {
  const std::string file = path("doc.stg");
  {
    storage_ref storage;
    ASSERT_EQ(StgCreateDocfile(file.c_str(), STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, storage.out()), S_OK);
    dv_database* db = dv_database::create(storage.get(), "db", kReadWrite, 0);
    fill_database(db, 6);
    db->save();
    db->close();
  }
  storage_ref storage;
  ASSERT_EQ(StgOpenStorage(file.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE | STGM_TRANSACTED, nullptr, 0,
                           storage.out()),
            S_OK);
  expect_error<dv_err_database_is_locked>(
      [&] { dv_database::open(storage.get(), "db", kReadWrite, 0); },
      "dv_err_database_is_locked - Read/write-access to the database \"db\" is denied (STG_E_ACCESSDENIED when "
      "creating or opening stream db).");
  dv_database* db = dv_database::open(storage.get(), "db", kReadOnly, 0);
  EXPECT_EQ(db->is_open_readonly(), 1);
  EXPECT_EQ(internal(db)->reserved_size(), db->size()) << "a read-only range";
  EXPECT_TRUE(holds_objects(db, 6));
  expect_error<dv_err_write_permission_denied>([&] { refill(db, 0, 1); },
                                               "dv_err_write_permission_denied - Attempt to write to a readonly "
                                               "database (db).");
  expect_error<dv_err_write_permission_denied>(
      [&] { db->save(); }, "dv_err_write_permission_denied - Attempt to save a readonly database (db).\n");
  db->close();
}

TEST_F(StreamDatabase, SaveAsAndCopyIntoStreams) {
  storage_ref storage, other;
  new_memory_storage(storage);
  new_memory_storage(other);
  dv_database* db = dv_database::create(storage.get(), "a", kReadWrite, 0);
  fill_database(db, 1);
  db->save();

  // A null name with its own storage, and its own stream, are save.
  refill(db, 0, 2);
  db->save_as(storage.get(), static_cast<const char*>(nullptr), kReadWrite);
  EXPECT_EQ(db->is_modified(), 0);
  refill(db, 1, 2);
  db->save_as(storage.get(), u"a", kReadWrite);
  EXPECT_EQ(db->is_modified(), 0);
  expect_error<dv_err_invalid_pathname>([&] { db->save_as(other.get(), static_cast<const char*>(nullptr), kReadWrite); },
                                        "dv_err_invalid_pathname - The pathname is empty.");
  EXPECT_EQ(stream_names(storage.get()), std::vector<std::u16string>{u"a"});

  // copy leaves the database as it is; the copy holds its current contents.
  refill(db, 2, 3);
  db->copy(other.get(), "c", kReadWrite);
  EXPECT_EQ(db->is_modified(), 1);
  char* name = db->get_pathname();
  EXPECT_STREQ(name, "a");
  _VRN_free(name);

  // save_as goes on in the new stream; the old one keeps its last save.
  db->save_as(other.get(), "b", kReadWrite);
  name = db->get_pathname();
  EXPECT_STREQ(name, "b");
  _VRN_free(name);
  EXPECT_EQ(db->is_modified(), 0);
  refill(db, 3, 4);
  db->save();
  db->close();

  const std::vector<unsigned> saved_a = {2, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  const std::vector<unsigned> copied = {2, 2, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  const std::vector<unsigned> saved_b = {2, 2, 3, 4, 1, 1, 1, 1, 1, 1, 1, 1};
  struct expectation {
    IStorage* storage;
    const char* name;
    const std::vector<unsigned>* seeds;
  };
  for (const expectation& e : {expectation{storage.get(), "a", &saved_a}, expectation{other.get(), "c", &copied},
                               expectation{other.get(), "b", &saved_b}}) {
    SCOPED_TRACE(e.name);
    dv_database* reopened = dv_database::open(e.storage, e.name, kReadWrite, 0);
    EXPECT_TRUE(holds_objects(reopened, *e.seeds));
    reopened->close();
  }
}

// save_as moves a database between the file and the stream forms.
TEST_F(StreamDatabase, SaveAsBetweenFileAndStream) {
  storage_ref storage;
  new_memory_storage(storage);
  dv_database* db = dv_database::create(path("f.db").c_str(), 0644, 0, 0);
  fill_database(db, 1);
  db->save_as(storage.get(), "s", kReadWrite);
  refill(db, 0, 2);
  db->save();
  db->save_as(path("g.db").c_str(), 0644, 0);
  refill(db, 1, 3);
  db->save();
  db->close();

  db = dv_database::open(storage.get(), "s", kReadWrite, 0);
  EXPECT_TRUE(holds_objects(db, {2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
  db->close();
  db = dv_database::open(path("g.db").c_str(), 0, 0, 0);
  EXPECT_TRUE(holds_objects(db, {2, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
  db->close();
}

TEST_F(StreamDatabase, DestroyRemovesTheStream) {
  storage_ref storage;
  new_memory_storage(storage);
  write_stream(storage.get(), u"other", "kept");
  dv_database* db = dv_database::create(storage.get(), "db", kReadWrite, 0);
  db->destroy();
  EXPECT_EQ(stream_names(storage.get()), std::vector<std::u16string>{u"other"});
}

// A failed stream commit is a failed write, never a silent one.
TEST_F(StreamDatabase, AFailedCommitIsReportedAsAWriteError) {
  dv_storage_faults faults;
  storage_ref storage;
  new_memory_storage(storage, &faults);
  dv_database* db = dv_database::create(storage.get(), "db", kReadWrite, 0);
  fill_database(db, 1);
  faults.fail_commit_at = faults.commits + 1;
  expect_error<dv_err_cant_write_to_file>([&] { db->save(); },
                                          "dv_err_cant_write_to_file - FlushFileBuffers failed: STG_E_MEDIUMFULL");
  db->close();
}

TEST_F(StreamDatabase, AFailedWriteIsReported) {
  struct row {
    HRESULT result;
    std::string report;
  };
  const row rows[] = {
      {STG_E_MEDIUMFULL, "dv_err_cant_write_to_file - Failed to write 4096 bytes to file."},
      {STG_E_WRITEFAULT, "dv_err_cant_write_to_file - WriteFile failed: STG_E_WRITEFAULT"},
      {STG_E_REVERTED, "dv_err_cant_write_to_file - WriteFile failed: STG_E_REVERTED"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.report);
    dv_storage_faults faults;
    faults.result = r.result;
    storage_ref storage;
    new_memory_storage(storage, &faults);
    dv_database* db = dv_database::create(storage.get(), "db", kReadWrite, 0);
    fill_database(db, 1);
    faults.fail_write_at = faults.writes + 2;  // a page after the header
    expect_error<dv_err_cant_write_to_file>([&] { db->save(); }, r.report);
    db->close();
  }
}

// A failed create, copy or save_as into a stream reports the error and
// leaves the container as it was: no half-written stream, the other
// streams untouched; the database saved as goes on where it was.
TEST_F(StreamDatabase, AFailedWriteIntoANewStreamLeavesTheContainerAsItWas) {
  dv_storage_faults faults;
  faults.keep_failing = true;
  storage_ref storage;
  new_memory_storage(storage, &faults);
  write_stream(storage.get(), u"other", "kept");
  const std::vector<std::u16string> before = stream_names(storage.get());

  faults.fail_write_at = faults.writes + 1;
  expect_error<dv_err_cant_write_to_file>([&] { dv_database::create(storage.get(), "db", kReadWrite, 0); },
                                          "dv_err_cant_write_to_file - Failed to write 17 bytes to file.");
  EXPECT_EQ(stream_names(storage.get()), before);
  EXPECT_EQ(_DV_int::get_first_DVDB(), nullptr);
  faults.fail_write_at = 0;

  storage_ref source_storage;
  new_memory_storage(source_storage);
  dv_database* db = dv_database::create(source_storage.get(), "db", kReadWrite, 0);
  fill_database(db, 1);
  db->save();
  refill(db, 0, 5);

  for (unsigned failing_write : {1u, 4u}) {
    SCOPED_TRACE(failing_write);
    faults.fail_write_at = faults.writes + failing_write;
    expect_error<dv_err_cant_write_to_file>([&] { db->save_as(storage.get(), "new", kReadWrite); },
                                            "dv_err_cant_write_to_file - Failed to write 4096 bytes to file.");
    EXPECT_EQ(stream_names(storage.get()), before) << "the half-written stream is deleted";
    faults.fail_write_at = faults.writes + failing_write;
    expect_error<dv_err_cant_write_to_file>([&] { db->copy(storage.get(), "copy", kReadWrite); },
                                            "dv_err_cant_write_to_file - Failed to write 4096 bytes to file.");
    if (failing_write == 1) {
      EXPECT_EQ(stream_names(storage.get()), before) << "a copy cut short before its mark is deleted";
    }
    storage.get()->DestroyElement(u"copy");
  }
  faults.fail_write_at = 0;
  char* name = db->get_pathname();
  EXPECT_STREQ(name, "db");
  _VRN_free(name);
  std::vector<unsigned> seeds(kObjects, 1);
  seeds[0] = 5;
  EXPECT_TRUE(holds_objects(db, seeds));
  db->save_as(storage.get(), "new", kReadWrite);
  db->close();
  EXPECT_EQ(std::string(stream_bytes(storage.get(), u"other").data(), 4), "kept");

  db = dv_database::open(storage.get(), "new", kReadWrite, 0);
  EXPECT_TRUE(holds_objects(db, seeds));
  db->close();
}

// With transactions the log of a stream database lies beside its container
// file, named after the container and the stream, so that it is found again
// after a crash; a container without a file gets a temporary log.
TEST_F(StreamDatabase, TheLogIsNamedAfterTheContainerAndTheStream) {
  const std::string file = path("doc.stg");
  storage_ref container, memory;
  ASSERT_EQ(StgCreateDocfile(file.c_str(), STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, container.out()), S_OK);
  new_memory_storage(memory);
  dv_database* in_file = dv_database::create(container.get(), "db", kReadWrite, 0);
  dv_database* in_memory = dv_database::create(memory.get(), "db", kReadWrite, 0);

  _Transaction_state::initialized = 1;
  _DB_log* log = internal(in_file)->make_log();
  _DB_log* temporary = internal(in_memory)->make_log();
  _Transaction_state::initialized = 0;

  EXPECT_EQ(std::string(log->path()), file + ".db.log");
  EXPECT_EQ(log_header(file + ".db").in_progress, 1);
  log->close(true);
  EXPECT_EQ(file_size(file + ".db.log"), -1);
  const std::string tmp = _VRN_get_tmp_dir();
  EXPECT_EQ(std::string(temporary->path()).substr(0, tmp.size() + 3), tmp + "/db");
  temporary->close(true);
  in_file->close();
  in_memory->close();
}

// Writes bytes at offset into the closed stream name.
void patch_stream(IStorage* storage, const char16_t* name, const void* bytes, ULONG size, std::int64_t offset) {
  IStream* stream = nullptr;
  ASSERT_EQ(storage->OpenStream(name, nullptr, kReadWrite, 0, &stream), S_OK);
  ASSERT_EQ(stream->Seek(offset, STREAM_SEEK_SET, nullptr), S_OK);
  ASSERT_EQ(stream->Write(bytes, size, nullptr), S_OK);
  ASSERT_EQ(stream->Commit(STGC_DEFAULT), S_OK);
  stream->Release();
}

// A write of a stream database cut short (its header marked with the
// stamp of the write, pages half written) is put back from the complete log
// beside the container when the database is next opened for writing.
// Opened read-only, or without its log, it stays as it is and needs
// recovery.
TEST_F(StreamDatabase, AnInterruptedWriteIsRecoveredFromTheLogBesideTheContainer) {
  const std::string file = path("doc.stg");
  const std::string base = file + ".db";
  storage_ref storage;
  ASSERT_EQ(StgCreateDocfile(file.c_str(), kReadWrite, 0, storage.out()), S_OK);
  dv_database* db = dv_database::create(storage.get(), "db", kReadWrite, 0);
  fill_database(db, 1);
  db->save();
  db->close();
  const std::vector<char> clean = stream_bytes(storage.get(), u"db");

  // The interrupted write: pages 1 and 2 logged, then overwritten; the
  // header marked with the write's stamp.
  auto interrupt = [&] {
    constexpr dv4u kStamp = 4242;
    _DB_log* log = _DB_log::open_for_update(base.c_str(), false);
    for (dv4u page = 1; page <= 2; ++page) log->log_page(page * kPage, clean.data() + page * kPage, kPage);
    log->complete(kStamp);
    log->close(false);
    const std::vector<char> garbage(2 * kPage, 'x');
    patch_stream(storage.get(), u"db", garbage.data(), 2 * kPage, kPage);
    _DB_header_super super;
    std::memcpy(&super, clean.data(), sizeof super);
    super.recovery_word = 1;
    super.timestamp = kStamp;
    patch_stream(storage.get(), u"db", &super, sizeof super, 0);
  };
  const std::string needs = "dv_err_database_needs_recovery - Trying to access a database which needs recovery (db).";

  interrupt();
  db = dv_database::open(storage.get(), "db", kReadOnly, 0);
  EXPECT_EQ(db->needs_recovery(), 1) << "a read-only open writes nothing";
  expect_error<dv_err_database_needs_recovery>([&] { db->find_root("table"); }, needs);
  db->close();

  db = dv_database::open(storage.get(), "db", kReadWrite, 0);
  EXPECT_EQ(db->needs_recovery(), 0);
  EXPECT_TRUE(holds_objects(db, 1));
  db->close();
  EXPECT_EQ(stream_bytes(storage.get(), u"db"), clean);
  EXPECT_EQ(file_size(base + ".log"), -1) << "the log is gone once it is replayed";

  interrupt();
  std::remove((base + ".log").c_str());
  db = dv_database::open(storage.get(), "db", kReadWrite, 0);
  EXPECT_EQ(db->needs_recovery(), 1) << "no log: it stays as it is";
  expect_error<dv_err_database_needs_recovery>([&] { db->find_root("table"); }, needs);
  db->close();
}

// Across processes: one process creates a database in a stream of a
// container file at 0x20000000 and commits the container; others open it at
// 0x28000000 and 0x20000000, read every object, and one edits it.
std::string child_file() {
  const char* file = std::getenv("DV_TEST_FILE");
  return file != nullptr ? file : "";
}

class StreamDatabaseChild : public StreamDatabase {
 protected:
  void SetUp() override {
    if (!is_child()) GTEST_SKIP() << "runs in a child process";
    StreamDatabase::SetUp();
  }
};

TEST_F(StreamDatabase, OneProcessWritesAndOthersReadTheStream) {
  const std::string file = path("doc.stg");
  ASSERT_EQ(run_child("StreamDatabaseChild.Write", {{"DV_TEST_FILE", file}, {"DV_QEM_AS_START", "0x20000000"}}), 0);
  EXPECT_EQ(run_child("StreamDatabaseChild.Read", {{"DV_TEST_FILE", file}, {"DV_QEM_AS_START", "0x28000000"}, {"DV_TEST_SEED5", "1"}}),
            0);
  EXPECT_EQ(run_child("StreamDatabaseChild.Edit", {{"DV_TEST_FILE", file}, {"DV_QEM_AS_START", "0x28000000"}}), 0);
  EXPECT_EQ(run_child("StreamDatabaseChild.Read", {{"DV_TEST_FILE", file}, {"DV_QEM_AS_START", "0x20000000"}, {"DV_TEST_SEED5", "9"}}),
            0);
}

TEST_F(StreamDatabaseChild, Write) {
  storage_ref storage;
  ASSERT_EQ(StgCreateDocfile(child_file().c_str(), 0x11012, 0, storage.out()), S_OK);
  dv_database* db = dv_database::create(storage.get(), "QEM_db_stream", 0x12, 8);
  ASSERT_EQ(internal(db)->space_start(), reinterpret_cast<char*>(0x20000000));
  fill_database(db, 1);
  db->save();
  db->close();
  ASSERT_EQ(storage.get()->Commit(STGC_DEFAULT), S_OK);
}

TEST_F(StreamDatabaseChild, Read) {
  storage_ref storage;
  ASSERT_EQ(StgOpenStorage(child_file().c_str(), nullptr, 0x10020, nullptr, 0, storage.out()), S_OK);
  dv_database* db = dv_database::open(storage.get(), u"QEM_db_stream", 0x10, 0);
  EXPECT_EQ(internal(db)->space_start(), _DV_int::get_region_start());
  EXPECT_EQ(db->is_open_readonly(), 1);
  std::vector<unsigned> seeds(kObjects, 1);
  seeds[5] = static_cast<unsigned>(std::atoi(std::getenv("DV_TEST_SEED5")));
  EXPECT_TRUE(holds_objects(db, seeds));
  db->self_check();
  db->close();
}

TEST_F(StreamDatabaseChild, Edit) {
  storage_ref storage;
  ASSERT_EQ(StgOpenStorage(child_file().c_str(), nullptr, 0x10012, nullptr, 0, storage.out()), S_OK);
  dv_database* db = dv_database::open(storage.get(), "QEM_db_stream", 0x12, 0);
  EXPECT_EQ(internal(db)->space_start(), _DV_int::get_region_start()) << "relocated";
  refill(db, 5, 9);
  db->save();
  db->close();
  ASSERT_EQ(storage.get()->Commit(STGC_DEFAULT), S_OK);
}

}  // namespace
