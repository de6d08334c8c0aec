// Guards container files: streams survive closing and reopening, also in
// another process; transacted storages write only on Commit and Revert drops
// changes; direct storages write on every commit and at the last release;
// the create, open and probe rules with their result codes; damaged files are
// refused; share modes between processes (also after the file was replaced by
// a commit); temporary and delete-on-release containers; paths keep their
// case; and a full device leaves the previous container intact.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "dv_olestorage.h"
#include "dv_scratch_dir.h"
#include "dv_test_process.h"
#include "olestorage_test_support.h"

using namespace dv_qem;
using dv_test::ref;
using dv_test::stream_text;
using dv_test::u16;
using dv_test::write_text;

namespace {

constexpr DWORD kStreamRW = 0x12;    // read-write, exclusive
constexpr DWORD kStreamRead = 0x10;  // read-only, exclusive
constexpr DWORD kCreateDirect = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;  // 0x1012
constexpr DWORD kCreateTransacted = 0x11012;  // transacted, create, exclusive, read-write
constexpr DWORD kOpenTransacted = 0x10012;    // transacted, exclusive, read-write
constexpr DWORD kOpenReadOnly = 0x10020;      // transacted, deny-write, read-only
constexpr DWORD kOpenDirect = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

using contents = std::map<std::u16string, std::string>;

std::string file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void put_file(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<std::string> files_in(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Writes a direct container holding streams.
void make_container(const std::string& path, const contents& streams) {
  ref<IStorage> storage;
  ASSERT_EQ(StgCreateDocfile(path.c_str(), kCreateDirect, 0, storage.put()), S_OK);
  for (const auto& [name, text] : streams) {
    ref<IStream> s;
    ASSERT_EQ(storage->CreateStream(name.c_str(), kStreamRW, 0, 0, s.put()), S_OK);
    ASSERT_EQ(write_text(s.get(), text), S_OK);
  }
  ASSERT_EQ(storage->Commit(STGC_DEFAULT), S_OK);
}

// Every stream of an open storage.
contents contents_of(IStorage* storage) {
  contents result;
  std::vector<std::u16string> names;
  EXPECT_EQ(storage->ListStreams(&names), S_OK);
  for (const std::u16string& name : names) {
    ref<IStream> s;
    EXPECT_EQ(storage->OpenStream(name.c_str(), nullptr, kStreamRead, 0, s.put()), S_OK);
    if (s) result[name] = stream_text(s.get());
  }
  return result;
}

// Every stream of the container at path, read through a shared read-only open.
contents container_at(const std::string& path) {
  ref<IStorage> storage;
  EXPECT_EQ(StgOpenStorage(path.c_str(), nullptr, kOpenReadOnly, nullptr, 0, storage.put()), S_OK);
  return storage ? contents_of(storage.get()) : contents{};
}

// What the file at path holds right now, read from a copy so that the
// original's lock does not matter.
contents snapshot_of(const std::string& path) {
  std::string copy = path + ".copy";
  std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
  contents result = container_at(copy);
  std::filesystem::remove(copy);
  return result;
}

class Containers : public testing::Test {
 protected:
  std::string path() const { return dir_ / "doc.dvs"; }
  dv_test::scratch_dir dir_;
};

// ---- persistence ---------------------------------------------------------------

TEST_F(Containers, StreamsSurviveClosingAndReopening) {
  {
    ref<IStorage> storage;
    ASSERT_EQ(StgCreateDocfile(path().c_str(), kCreateDirect, 0, storage.put()), S_OK);
    ref<IStream> a, b;
    ASSERT_EQ(storage->CreateStream(u"alpha", kStreamRW, 0, 0, a.put()), S_OK);
    ASSERT_EQ(storage->CreateStream(u"beta", kStreamRW, 0, 0, b.put()), S_OK);
    ASSERT_EQ(write_text(a.get(), "first stream"), S_OK);
    ASSERT_EQ(write_text(b.get(), "second"), S_OK);
    ASSERT_EQ(a->Seek(0, STREAM_SEEK_SET, nullptr), S_OK);
    ASSERT_EQ(write_text(a.get(), "FIRST"), S_OK);
    ASSERT_EQ(b->Seek(-6, STREAM_SEEK_END, nullptr), S_OK);
    char word[6];
    ULONG read = 0;
    ASSERT_EQ(b->Read(word, sizeof word, &read), S_OK);
    EXPECT_EQ(std::string(word, read), "second");
    ASSERT_EQ(storage->Commit(STGC_DEFAULT), S_OK);
  }
  EXPECT_EQ(StgIsStorageFile(path().c_str()), S_OK);
  EXPECT_EQ(container_at(path()), (contents{{u"alpha", "FIRST stream"}, {u"beta", "second"}}));
  EXPECT_EQ(files_in(dir_.path()), std::vector<std::string>{"doc.dvs"});
}

TEST_F(Containers, LargeStreamsAreCopiedIntact) {
  std::string big(3 * 1024 * 1024 + 17, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 131 + i / 4096);
  ASSERT_NO_FATAL_FAILURE(make_container(path(), {{u"big", big}, {u"small", "x"}}));
  {
    // Only "small" is read into memory; "big" is copied from the old file.
    ref<IStorage> storage;
    ASSERT_EQ(StgOpenStorage(path().c_str(), nullptr, kOpenTransacted, nullptr, 0, storage.put()), S_OK);
    ref<IStream> small;
    ASSERT_EQ(storage->OpenStream(u"small", nullptr, kStreamRW, 0, small.put()), S_OK);
    ASSERT_EQ(write_text(small.get(), "y"), S_OK);
    ASSERT_EQ(storage->Commit(STGC_DEFAULT), S_OK);
  }
  EXPECT_EQ(container_at(path()), (contents{{u"big", big}, {u"small", "y"}}));
}

TEST_F(Containers, AnotherProcessReadsAndExtendsTheContainer) {
  ASSERT_NO_FATAL_FAILURE(make_container(path(), {{u"a", "from the parent"}, {u"QEM_db_stream", "db"}}));
  ASSERT_EQ(dv_test::run_child("ContainerChild.ReadsAndAddsAStream", {{"DV_CONTAINER", path()}}), 0);
  EXPECT_EQ(container_at(path()),
            (contents{{u"a", "from the parent"}, {u"QEM_db_stream", "db"}, {u"c", "from the child"}}));
}

TEST(ContainerChild, ReadsAndAddsAStream) {
  if (!dv_test::is_child()) GTEST_SKIP() << "runs as a child of AnotherProcessReadsAndExtendsTheContainer";
  std::string path = std::getenv("DV_CONTAINER");
  ref<IStorage> storage;
  ASSERT_EQ(StgOpenStorage(path.c_str(), nullptr, kOpenTransacted, nullptr, 0, storage.put()), S_OK);
  EXPECT_EQ(contents_of(storage.get()), (contents{{u"a", "from the parent"}, {u"QEM_db_stream", "db"}}));
  ref<IStream> c;
  ASSERT_EQ(storage->CreateStream(u"c", kStreamRW, 0, 0, c.put()), S_OK);
  ASSERT_EQ(write_text(c.get(), "from the child"), S_OK);
  ASSERT_EQ(storage->Commit(STGC_DEFAULT), S_OK);
}

TEST_F(Containers, TransactedRevertDropsChangesAndCommitKeepsThem) {
  ASSERT_NO_FATAL_FAILURE(make_container(path(), {{u"kept", "old"}, {u"doomed", "bye"}}));
  ref<IStorage> storage;
  ASSERT_EQ(StgOpenStorage(path().c_str(), nullptr, kOpenTransacted, nullptr, 0, storage.put()), S_OK);
  ref<IStream> kept, added;
  ASSERT_EQ(storage->OpenStream(u"kept", nullptr, kStreamRW, 0, kept.put()), S_OK);
  ASSERT_EQ(write_text(kept.get(), "NEW"), S_OK);
  ASSERT_EQ(kept->Commit(STGC_DEFAULT), S_OK);  // nothing reaches the file yet
  ASSERT_EQ(storage->CreateStream(u"added", kStreamRW, 0, 0, added.put()), S_OK);
  ASSERT_EQ(storage->DestroyElement(u"doomed"), S_OK);
  EXPECT_EQ(snapshot_of(path()), (contents{{u"doomed", "bye"}, {u"kept", "old"}}));

  ASSERT_EQ(storage->Revert(), S_OK);
  char c;
  EXPECT_EQ(kept->Read(&c, 1, nullptr), STG_E_REVERTED);
  EXPECT_EQ(write_text(added.get(), "x"), STG_E_REVERTED);
  EXPECT_EQ(added->Seek(0, STREAM_SEEK_SET, nullptr), STG_E_REVERTED);
  EXPECT_EQ(added->Commit(STGC_DEFAULT), STG_E_REVERTED);
  dv_stream_stat stat;
  EXPECT_EQ(added->Stat(&stat), STG_E_REVERTED);
  EXPECT_EQ(contents_of(storage.get()), (contents{{u"doomed", "bye"}, {u"kept", "old"}}));
  kept.reset();
  added.reset();

  ASSERT_EQ(storage->OpenStream(u"kept", nullptr, kStreamRW, 0, kept.put()), S_OK);
  ASSERT_EQ(write_text(kept.get(), "NEW"), S_OK);
  ASSERT_EQ(storage->DestroyElement(u"doomed"), S_OK);
  ASSERT_EQ(storage->Commit(STGC_DEFAULT), S_OK);
  EXPECT_EQ(snapshot_of(path()), (contents{{u"kept", "NEW"}}));
  // Changes after the commit are dropped with the storage.
  ASSERT_EQ(write_text(kept.get(), "er"), S_OK);
  kept.reset();
  storage.reset();
  EXPECT_EQ(container_at(path()), (contents{{u"kept", "NEW"}}));
  EXPECT_EQ(files_in(dir_.path()), std::vector<std::string>{"doc.dvs"});
}

TEST_F(Containers, DirectStorageWritesOnEveryCommitAndAtTheLastRelease) {
  ref<IStorage> storage;
  ASSERT_EQ(StgCreateDocfile(path().c_str(), kCreateDirect, 0, storage.put()), S_OK);
  EXPECT_EQ(snapshot_of(path()), contents{});
  ref<IStream> s;
  ASSERT_EQ(storage->CreateStream(u"log", kStreamRW, 0, 0, s.put()), S_OK);
  ASSERT_EQ(write_text(s.get(), "one"), S_OK);
  EXPECT_EQ(snapshot_of(path()), contents{});
  ASSERT_EQ(s->Commit(STGC_DEFAULT), S_OK);
  EXPECT_EQ(snapshot_of(path()), (contents{{u"log", "one"}}));
  EXPECT_EQ(s->Commit(4), STG_E_INVALIDFLAG);

  ASSERT_EQ(write_text(s.get(), " two"), S_OK);
  EXPECT_EQ(snapshot_of(path()), (contents{{u"log", "one"}}));
  EXPECT_EQ(storage->Revert(), S_OK);  // nothing to drop in direct mode
  EXPECT_EQ(stream_text(s.get()), "one two");
  s.reset();
  storage.reset();
  EXPECT_EQ(container_at(path()), (contents{{u"log", "one two"}}));
}

// ---- create, open and probe rules --------------------------------------------------

TEST_F(Containers, CreateRules) {
  std::string plain = dir_ / "plain.txt";
  put_file(plain, "just text");
  std::string held = dir_ / "held.dvs";
  ASSERT_NO_FATAL_FAILURE(make_container(path(), {{u"s", "content"}}));
  ASSERT_NO_FATAL_FAILURE(make_container(held, {{u"s", "held"}}));
  ref<IStorage> holder;
  ASSERT_EQ(StgOpenStorage(held.c_str(), nullptr, kOpenReadOnly, nullptr, 0, holder.put()), S_OK);

  struct Row {
    const char* what;
    std::string path;
    DWORD mode;
    DWORD reserved;
    HRESULT result;
  } rows[] = {
      {"existing container, no STGM_CREATE", path(), 0x12, 0, STG_E_FILEALREADYEXISTS},
      {"existing plain file, no STGM_CREATE", plain, 0x10012, 0, STG_E_FILEALREADYEXISTS},
      {"read-only create", dir_ / "new.dvs", STGM_CREATE | STGM_SHARE_EXCLUSIVE, 0, STG_E_INVALIDFLAG},
      {"no share bit", dir_ / "new.dvs", STGM_CREATE | STGM_READWRITE, 0, STG_E_INVALIDFLAG},
      {"two share bits", dir_ / "new.dvs", 0x1032, 0, STG_E_INVALIDFLAG},
      {"unknown bit", dir_ / "new.dvs", kCreateDirect | 0x100, 0, STG_E_INVALIDFLAG},
      {"reserved", dir_ / "new.dvs", kCreateDirect, 1, STG_E_INVALIDPARAMETER},
      {"missing folder", dir_ / "nowhere/new.dvs", kCreateDirect, 0, STG_E_FILENOTFOUND},
      {"a folder", dir_.path(), kCreateDirect, 0, STG_E_ACCESSDENIED},
      {"held by another opener", held, kCreateDirect, 0, STG_E_SHAREVIOLATION},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ref<IStorage> storage;
    EXPECT_EQ(StgCreateDocfile(row.path.c_str(), row.mode, row.reserved, storage.put()), row.result);
    EXPECT_EQ(storage.get(), nullptr);
  }
  EXPECT_EQ(StgCreateDocfile(path().c_str(), kCreateDirect, 0, nullptr), STG_E_INVALIDPOINTER);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "new.dvs"));
  EXPECT_EQ(file_bytes(plain), "just text");
  EXPECT_EQ(container_at(path()), (contents{{u"s", "content"}}));
  holder.reset();
  EXPECT_EQ(container_at(held), (contents{{u"s", "held"}}));

  // STGM_CREATE replaces a container or any other file with an empty container.
  for (const std::string& target : {path(), plain}) {
    ref<IStorage> storage;
    ASSERT_EQ(StgCreateDocfile(target.c_str(), kCreateTransacted, 0, storage.put()), S_OK);
    EXPECT_EQ(contents_of(storage.get()), contents{});
    storage.reset();
    EXPECT_EQ(container_at(target), contents{});
  }
}

TEST_F(Containers, OpenRulesAndDamagedFiles) {
  ASSERT_NO_FATAL_FAILURE(make_container(path(), {{u"a", "alpha"}, {u"b", "beta"}}));
  const std::string good = file_bytes(path());
  const std::size_t directory_at = 32, data_at = 32 + 2 * 88;
  auto changed = [&](std::size_t at) {
    std::string bytes = good;
    bytes[at] = static_cast<char>(bytes[at] ^ 0x40);
    return bytes;
  };
  std::string damaged = dir_ / "damaged.dvs";
  std::filesystem::create_directory(dir_ / "folder");

  struct Row {
    const char* what;
    std::string bytes;  // written to damaged.dvs first, unless the path is another
    std::string path;
    DWORD mode;
    HRESULT result;
  } rows[] = {
      {"sound", good, damaged, kOpenTransacted, S_OK},
      {"missing", "", dir_ / "missing.dvs", kOpenTransacted, STG_E_FILENOTFOUND},
      {"a folder", "", dir_ / "folder", kOpenReadOnly, STG_E_ACCESSDENIED},
      {"plain text", "this is not a container at all, just text", damaged, kOpenTransacted,
       STG_E_FILEALREADYEXISTS},
      {"empty", "", damaged, kOpenTransacted, STG_E_FILEALREADYEXISTS},
      {"other version", changed(8), damaged, kOpenTransacted, STG_E_FILEALREADYEXISTS},
      {"header damaged", changed(12), damaged, kOpenTransacted, STG_E_READFAULT},
      {"directory damaged", changed(directory_at + 2), damaged, kOpenTransacted, STG_E_READFAULT},
      {"cut short", good.substr(0, good.size() - 1), damaged, kOpenTransacted, STG_E_READFAULT},
      {"grown", good + "x", damaged, kOpenTransacted, STG_E_READFAULT},
      {"cut into the directory", good.substr(0, 40), damaged, kOpenTransacted, STG_E_READFAULT},
      {"create bit", good, damaged, kOpenTransacted | STGM_CREATE, STG_E_INVALIDFLAG},
      {"delete-on-release bit", good, damaged, kOpenTransacted | STGM_DELETEONRELEASE, STG_E_INVALIDFLAG},
      {"no share bit", good, damaged, STGM_READ, STG_E_INVALIDFLAG},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    if (row.path == damaged) put_file(damaged, row.bytes);
    ref<IStorage> storage;
    EXPECT_EQ(StgOpenStorage(row.path.c_str(), nullptr, row.mode, nullptr, 0, storage.put()), row.result);
    EXPECT_EQ(storage.get() == nullptr, FAILED(row.result));
  }

  ref<IStorage> storage, priority;
  ASSERT_EQ(dv_create_memory_storage(priority.put()), S_OK);
  int something = 0;
  EXPECT_EQ(StgOpenStorage(path().c_str(), priority.get(), kOpenTransacted, nullptr, 0, storage.put()),
            STG_E_INVALIDPARAMETER);
  EXPECT_EQ(StgOpenStorage(path().c_str(), nullptr, kOpenTransacted, &something, 0, storage.put()),
            STG_E_INVALIDPARAMETER);
  EXPECT_EQ(StgOpenStorage(path().c_str(), nullptr, kOpenTransacted, nullptr, 1, storage.put()),
            STG_E_INVALIDPARAMETER);
  EXPECT_EQ(StgOpenStorage(static_cast<const char16_t*>(nullptr), nullptr, kOpenTransacted, nullptr, 0,
                           storage.put()),
            STG_E_INVALIDPOINTER);
  EXPECT_EQ(StgOpenStorage(path().c_str(), nullptr, kOpenTransacted, nullptr, 0, nullptr),
            STG_E_INVALIDPOINTER);

  // Damaged stream bytes: the container opens, that stream does not, and a
  // commit that would copy them fails and leaves the file alone.
  const std::string bad_data = changed(data_at + 1);
  put_file(damaged, bad_data);
  ASSERT_EQ(StgOpenStorage(damaged.c_str(), nullptr, kOpenTransacted, nullptr, 0, storage.put()), S_OK);
  ref<IStream> s;
  EXPECT_EQ(storage->OpenStream(u"a", nullptr, kStreamRead, 0, s.put()), STG_E_READFAULT);
  ASSERT_EQ(storage->OpenStream(u"b", nullptr, kStreamRW, 0, s.put()), S_OK);
  EXPECT_EQ(stream_text(s.get()), "beta");
  ASSERT_EQ(write_text(s.get(), "!"), S_OK);
  EXPECT_EQ(storage->Commit(STGC_DEFAULT), STG_E_READFAULT);
  s.reset();
  storage.reset();
  EXPECT_EQ(file_bytes(damaged), bad_data);
  EXPECT_EQ(files_in(dir_.path()), (std::vector<std::string>{"damaged.dvs", "doc.dvs", "folder"}));
}

TEST_F(Containers, ProbeTellsContainersFromOtherFiles) {
  ASSERT_NO_FATAL_FAILURE(make_container(path(), {{u"s", "x"}}));
  put_file(dir_ / "plain", "plain text that is long enough to hold a header");
  put_file(dir_ / "empty", "");
  std::filesystem::create_directory(dir_ / "folder");
  struct Row {
    std::string path;
    HRESULT result;
  } rows[] = {
      {path(), S_OK},
      {dir_ / "plain", S_FALSE},
      {dir_ / "empty", S_FALSE},
      {dir_ / "folder", S_FALSE},
      {dir_ / "missing", STG_E_FILENOTFOUND},
      {dir_ / "missing/deeper", STG_E_FILENOTFOUND},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(StgIsStorageFile(row.path.c_str()), row.result);
    EXPECT_EQ(StgIsStorageFile(u16(row.path).c_str()), row.result);
  }
  EXPECT_EQ(StgIsStorageFile(static_cast<const char16_t*>(nullptr)), STG_E_INVALIDPOINTER);
  // A container held exclusively can still be probed.
  ref<IStorage> storage;
  ASSERT_EQ(StgOpenStorage(path().c_str(), nullptr, kOpenTransacted, nullptr, 0, storage.put()), S_OK);
  EXPECT_EQ(StgIsStorageFile(path().c_str()), S_OK);
}

TEST_F(Containers, ReadOnlyStorageRefusesChanges) {
  ASSERT_NO_FATAL_FAILURE(make_container(path(), {{u"s", "fixed"}}));
  ref<IStorage> storage;
  ASSERT_EQ(StgOpenStorage(path().c_str(), nullptr, kOpenReadOnly, nullptr, 0, storage.put()), S_OK);
  ref<IStream> s;
  EXPECT_EQ(storage->CreateStream(u"t", kStreamRW, 0, 0, s.put()), STG_E_ACCESSDENIED);
  EXPECT_EQ(storage->CreateStream(u"t", kStreamRead, 0, 0, s.put()), STG_E_ACCESSDENIED);
  EXPECT_EQ(storage->OpenStream(u"s", nullptr, kStreamRW, 0, s.put()), STG_E_ACCESSDENIED);
  EXPECT_EQ(storage->DestroyElement(u"s"), STG_E_ACCESSDENIED);
  ASSERT_EQ(storage->OpenStream(u"s", nullptr, kStreamRead, 0, s.put()), S_OK);
  EXPECT_EQ(write_text(s.get(), "x"), STG_E_ACCESSDENIED);
  EXPECT_EQ(storage->Commit(STGC_DEFAULT), S_OK);
  EXPECT_EQ(stream_text(s.get()), "fixed");
}

// ---- sharing between openers -------------------------------------------------------

TEST_F(Containers, AnExclusiveOpenerIsAlone) {
  ASSERT_NO_FATAL_FAILURE(make_container(path(), {{u"QEM_db_stream", "db"}}));
  ref<IStorage> storage;
  ASSERT_EQ(StgOpenStorage(path().c_str(), nullptr, kOpenTransacted, nullptr, 0, storage.put()), S_OK);
  // A commit puts a new file in place; the lock must hold on that one too.
  ref<IStream> s;
  ASSERT_EQ(storage->CreateStream(u"more", kStreamRW, 0, 0, s.put()), S_OK);
  ASSERT_EQ(storage->Commit(STGC_DEFAULT), S_OK);

  ref<IStorage> second;
  EXPECT_EQ(StgOpenStorage(path().c_str(), nullptr, kOpenReadOnly, nullptr, 0, second.put()),
            STG_E_SHAREVIOLATION);
  EXPECT_EQ(dv_test::run_child("ContainerChild.FindsItHeld", {{"DV_CONTAINER", path()}}), 0);
  s.reset();
  storage.reset();
  EXPECT_EQ(dv_test::run_child("ContainerChild.FindsItHeld", {{"DV_CONTAINER", path()}}), 1);
}

TEST(ContainerChild, FindsItHeld) {
  if (!dv_test::is_child()) GTEST_SKIP() << "runs as a child of AnExclusiveOpenerIsAlone";
  std::string path = std::getenv("DV_CONTAINER");
  for (DWORD mode : {kOpenTransacted, kOpenReadOnly, kOpenDirect, DWORD{STGM_READ | STGM_SHARE_EXCLUSIVE}}) {
    ref<IStorage> storage;
    EXPECT_EQ(StgOpenStorage(path.c_str(), nullptr, mode, nullptr, 0, storage.put()), STG_E_SHAREVIOLATION)
        << "mode " << std::hex << mode;
  }
  ref<IStorage> storage;
  EXPECT_EQ(StgCreateDocfile(path.c_str(), kCreateTransacted, 0, storage.put()), STG_E_SHAREVIOLATION);
  EXPECT_EQ(StgIsStorageFile(path.c_str()), S_OK);
}

TEST_F(Containers, DenyWriteReadersShareAndWritersFallBackToReading) {
  ASSERT_NO_FATAL_FAILURE(make_container(path(), {{u"QEM_db_stream", "database image"}}));
  ref<IStorage> reader;
  ASSERT_EQ(StgOpenStorage(path().c_str(), nullptr, kOpenReadOnly, nullptr, 0, reader.put()), S_OK);
  EXPECT_EQ(dv_test::run_child("ContainerChild.SharesWithAReader", {{"DV_CONTAINER", path()}}), 0);
}

TEST(ContainerChild, SharesWithAReader) {
  if (!dv_test::is_child()) GTEST_SKIP() << "runs as a child of DenyWriteReadersShare...";
  std::string path = std::getenv("DV_CONTAINER");
  // A document open: read-write first, then read-only deny-write.
  ref<IStorage> storage;
  ASSERT_EQ(StgOpenStorage(path.c_str(), nullptr, kOpenTransacted, nullptr, 0, storage.put()),
            STG_E_SHAREVIOLATION);
  ASSERT_EQ(StgOpenStorage(path.c_str(), nullptr, kOpenReadOnly, nullptr, 0, storage.put()), S_OK);
  ref<IStream> s;
  EXPECT_EQ(storage->OpenStream(u"QEM_db_stream", nullptr, kStreamRW, 0, s.put()), STG_E_ACCESSDENIED);
  ASSERT_EQ(storage->OpenStream(u"QEM_db_stream", nullptr, kStreamRead, 0, s.put()), S_OK);
  EXPECT_EQ(stream_text(s.get()), "database image");
  ref<IStorage> exclusive_reader;
  EXPECT_EQ(StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                           exclusive_reader.put()),
            STG_E_SHAREVIOLATION);
}

// ---- temporary files, delete on release, paths ---------------------------------------

TEST_F(Containers, TemporaryContainersAndDeleteOnRelease) {
  const char* old_tmpdir = std::getenv("TMPDIR");
  std::string saved = old_tmpdir != nullptr ? old_tmpdir : "";
  ::setenv("TMPDIR", dir_.path().c_str(), 1);

  // A new document: a temporary transacted container deleted at the last release.
  ref<IStorage> storage;
  ASSERT_EQ(StgCreateDocfile(nullptr, 0x04011012, 0, storage.put()), S_OK);
  std::u16string wide_path;
  ASSERT_EQ(storage->GetFilePath(&wide_path), S_OK);
  std::vector<std::string> files = files_in(dir_.path());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(wide_path, u16(dir_ / files[0]));
  EXPECT_EQ(StgIsStorageFile(wide_path.c_str()), S_OK);
  ref<IStream> s;
  ASSERT_EQ(storage->CreateStream(u"QEM_db_stream", 0x12, 0, 0, s.put()), S_OK);
  ASSERT_EQ(write_text(s.get(), "temporary"), S_OK);
  ASSERT_EQ(storage->Commit(STGC_DEFAULT), S_OK);
  storage.reset();  // the stream still holds the storage
  EXPECT_EQ(files_in(dir_.path()).size(), 1u);
  s.reset();
  EXPECT_TRUE(files_in(dir_.path()).empty());

  // Without STGM_DELETEONRELEASE the temporary file stays.
  ASSERT_EQ(StgCreateDocfile(nullptr, kCreateDirect, 0, storage.put()), S_OK);
  ASSERT_EQ(storage->GetFilePath(&wide_path), S_OK);
  storage.reset();
  EXPECT_EQ(StgIsStorageFile(wide_path.c_str()), S_OK);
  std::filesystem::remove(std::filesystem::path(std::u16string_view(wide_path)));

  // A named container can be deleted on release too.
  ASSERT_EQ(StgCreateDocfile(path().c_str(), kCreateDirect | STGM_DELETEONRELEASE, 0, storage.put()), S_OK);
  EXPECT_EQ(StgIsStorageFile(path().c_str()), S_OK);
  storage.reset();
  EXPECT_TRUE(files_in(dir_.path()).empty());

  if (old_tmpdir != nullptr)
    ::setenv("TMPDIR", saved.c_str(), 1);
  else
    ::unsetenv("TMPDIR");
}

TEST_F(Containers, PathsKeepTheirCaseAndCharacters) {
  const std::string name = "Mixed Case \xC3\x84 \xF0\x9F\x98\x80.DVS";  // Ä and an emoji
  const std::u16string wide = u16(dir_ / name);
  ref<IStorage> storage;
  ASSERT_EQ(StgCreateDocfile(wide.c_str(), kCreateTransacted, 0, storage.put()), S_OK);
  std::u16string got;
  ASSERT_EQ(storage->GetFilePath(&got), S_OK);
  EXPECT_EQ(got, wide);
  storage.reset();
  EXPECT_EQ(files_in(dir_.path()), std::vector<std::string>{name});
  EXPECT_EQ(StgIsStorageFile((dir_ / name).c_str()), S_OK);
  EXPECT_EQ(StgIsStorageFile(u16(dir_ / "mixed case \xC3\x84 \xF0\x9F\x98\x80.dvs").c_str()),
            STG_E_FILENOTFOUND);
  ASSERT_EQ(StgOpenStorage((dir_ / name).c_str(), nullptr, kOpenReadOnly, nullptr, 0, storage.put()), S_OK);
  ASSERT_EQ(storage->GetFilePath(&got), S_OK);
  EXPECT_EQ(got, wide);
  storage.reset();

  const char16_t lone_surrogate[] = {u'a', char16_t(0xD800), u'\0'};
  EXPECT_EQ(StgCreateDocfile(lone_surrogate, kCreateDirect, 0, storage.put()), STG_E_INVALIDNAME);
  EXPECT_EQ(StgCreateDocfile(u"", kCreateDirect, 0, storage.put()), STG_E_INVALIDNAME);
  EXPECT_EQ(StgOpenStorage("bad \xFF utf-8", nullptr, kOpenReadOnly, nullptr, 0, storage.put()),
            STG_E_INVALIDNAME);
  EXPECT_EQ(StgIsStorageFile("\xC0\xAF"), STG_E_INVALIDNAME);  // an overlong '/'
}

TEST_F(Containers, CommitsKeepTheFilesPermissions) {
  ASSERT_NO_FATAL_FAILURE(make_container(path(), {{u"s", "x"}}));
  ASSERT_EQ(::chmod(path().c_str(), 0640), 0);
  ref<IStorage> storage;
  ASSERT_EQ(StgOpenStorage(path().c_str(), nullptr, kOpenTransacted, nullptr, 0, storage.put()), S_OK);
  ASSERT_EQ(storage->DestroyElement(u"s"), S_OK);
  ASSERT_EQ(storage->Commit(STGC_DEFAULT), S_OK);
  struct stat st;
  ASSERT_EQ(::stat(path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// ---- a full device ---------------------------------------------------------------------

TEST_F(Containers, AFullDeviceLeavesTheOldContainer) {
  const std::string kept(10000, 'k');
  ASSERT_NO_FATAL_FAILURE(make_container(path(), {{u"keep", kept}}));
  ASSERT_EQ(dv_test::run_child("ContainerChild.WritesPastTheFileSizeLimit", {{"DV_CONTAINER", path()}}), 0);
  EXPECT_EQ(container_at(path()), (contents{{u"keep", kept}}));
  EXPECT_EQ(files_in(dir_.path()), std::vector<std::string>{"doc.dvs"});
}

TEST(ContainerChild, WritesPastTheFileSizeLimit) {
  if (!dv_test::is_child()) GTEST_SKIP() << "runs as a child of AFullDeviceLeavesTheOldContainer";
  std::string path = std::getenv("DV_CONTAINER");
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, nullptr), 0);
  struct rlimit limit;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
  limit.rlim_cur = 64 * 1024;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);

  ref<IStorage> storage;
  ASSERT_EQ(StgOpenStorage(path.c_str(), nullptr, kOpenDirect, nullptr, 0, storage.put()), S_OK);
  ref<IStream> big;
  ASSERT_EQ(storage->CreateStream(u"big", kStreamRW, 0, 0, big.put()), S_OK);
  const std::string bytes(200 * 1024, 'b');
  ASSERT_EQ(write_text(big.get(), bytes), S_OK);
  EXPECT_EQ(big->Commit(STGC_DEFAULT), STG_E_MEDIUMFULL);
  EXPECT_EQ(storage->Commit(STGC_DEFAULT), STG_E_MEDIUMFULL);
  // Nothing is lost in memory: the stream still holds what was written.
  EXPECT_EQ(stream_text(big.get()), bytes);
  // The last release tries once more and fails the same way, silently.
}

}  // namespace
