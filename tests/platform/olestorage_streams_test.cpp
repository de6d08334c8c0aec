// Guards the stream rules every storage shares, on the in-memory storage and
// on direct and transacted container files: reads, writes, seeks and resizes;
// the stream-name and mode rules with their result codes; one open at a time;
// create, replace and destroy; and a seeded model of random operations
// (including reopening and reverting containers) against std::map.
#include <gtest/gtest.h>

#include "dv_test_seed.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "dv_olestorage.h"
#include "dv_scratch_dir.h"
#include "olestorage_test_support.h"

using namespace dv_qem;
using dv_test::ref;
using dv_test::stream_text;
using dv_test::write_text;

namespace {

enum class backing { memory, direct_file, transacted_file };

constexpr DWORD kStreamRW = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;      // 0x12
constexpr DWORD kStreamRead = STGM_READ | STGM_SHARE_EXCLUSIVE;         // 0x10
constexpr DWORD kStreamWrite = STGM_WRITE | STGM_SHARE_EXCLUSIVE;       // 0x11

std::string backing_name(const testing::TestParamInfo<backing>& info) {
  switch (info.param) {
    case backing::memory: return "Memory";
    case backing::direct_file: return "DirectFile";
    default: return "TransactedFile";
  }
}

class Streams : public testing::TestWithParam<backing> {
 protected:
  void SetUp() override { open_storage(true); }

  bool on_file() const { return GetParam() != backing::memory; }
  bool transacted() const { return GetParam() == backing::transacted_file; }

  void open_storage(bool create) {
    DWORD file_mode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE | (transacted() ? STGM_TRANSACTED : 0);
    HRESULT hr;
    if (!on_file())
      hr = dv_create_memory_storage(storage_.put());
    else if (create)
      hr = StgCreateDocfile(path().c_str(), file_mode | STGM_CREATE, 0, storage_.put());
    else
      hr = StgOpenStorage(path().c_str(), nullptr, file_mode, nullptr, 0, storage_.put());
    ASSERT_EQ(hr, S_OK);
  }

  std::string path() const { return dir_ / "streams.dvs"; }

  ref<IStream> create(const char16_t* name, DWORD mode = kStreamRW) {
    ref<IStream> stream;
    EXPECT_EQ(storage_->CreateStream(name, mode, 0, 0, stream.put()), S_OK);
    return stream;
  }

  dv_test::scratch_dir dir_;
  ref<IStorage> storage_;
};

INSTANTIATE_TEST_SUITE_P(Backings, Streams,
                         testing::Values(backing::memory, backing::direct_file,
                                         backing::transacted_file),
                         backing_name);

TEST_P(Streams, WriteSeekAndRead) {
  ref<IStream> s = create(u"data");
  ASSERT_EQ(write_text(s.get(), "hello world"), S_OK);

  std::uint64_t position = 99;
  ASSERT_EQ(s->Seek(6, STREAM_SEEK_SET, &position), S_OK);
  EXPECT_EQ(position, 6u);
  char buffer[32] = {};
  ULONG read = 0;
  ASSERT_EQ(s->Read(buffer, 5, &read), S_OK);
  EXPECT_EQ(std::string(buffer, read), "world");

  ASSERT_EQ(s->Seek(-5, STREAM_SEEK_END, &position), S_OK);
  EXPECT_EQ(position, 6u);
  ASSERT_EQ(s->Seek(-6, STREAM_SEEK_CUR, &position), S_OK);
  EXPECT_EQ(position, 0u);
  ASSERT_EQ(s->Read(buffer, sizeof buffer, &read), S_OK);  // a short read at the end is fine
  EXPECT_EQ(std::string(buffer, read), "hello world");
  ASSERT_EQ(s->Read(buffer, sizeof buffer, &read), S_OK);
  EXPECT_EQ(read, 0u);

  // Refused seeks leave the position alone.
  EXPECT_EQ(s->Seek(-12, STREAM_SEEK_END, &position), STG_E_INVALIDFUNCTION);
  EXPECT_EQ(s->Seek(0, 3, &position), STG_E_INVALIDFUNCTION);
  EXPECT_EQ(s->Seek(INT64_MAX, STREAM_SEEK_CUR, &position), STG_E_INVALIDFUNCTION);
  ASSERT_EQ(s->Seek(0, STREAM_SEEK_CUR, &position), S_OK);
  EXPECT_EQ(position, 11u);

  // Writing past the end leaves a gap of zeros.
  ASSERT_EQ(s->Seek(14, STREAM_SEEK_SET, nullptr), S_OK);
  ASSERT_EQ(write_text(s.get(), ""), S_OK);  // writing nothing does not extend it
  EXPECT_EQ(stream_text(s.get()), "hello world");
  ASSERT_EQ(s->Seek(14, STREAM_SEEK_SET, nullptr), S_OK);
  ASSERT_EQ(write_text(s.get(), "!"), S_OK);
  EXPECT_EQ(stream_text(s.get()), std::string("hello world\0\0\0!", 15));

  dv_stream_stat stat;
  ASSERT_EQ(s->Stat(&stat), S_OK);
  EXPECT_EQ(std::u16string(stat.name), u"data");
  EXPECT_EQ(stat.size, 15u);
  EXPECT_EQ(stat.mode, kStreamRW);
  EXPECT_EQ(s->Stat(nullptr), STG_E_INVALIDPOINTER);
  EXPECT_EQ(s->Write(nullptr, 1, nullptr), STG_E_INVALIDPOINTER);
  EXPECT_EQ(s->Read(nullptr, 1, nullptr), STG_E_INVALIDPOINTER);
}

TEST_P(Streams, SetSizeCutsAndZeroExtends) {
  ref<IStream> s = create(u"sized");
  ASSERT_EQ(write_text(s.get(), "abcdef"), S_OK);
  ASSERT_EQ(s->SetSize(3), S_OK);
  EXPECT_EQ(stream_text(s.get()), "abc");
  ASSERT_EQ(s->SetSize(5), S_OK);
  EXPECT_EQ(stream_text(s.get()), std::string("abc\0\0", 5));
  std::uint64_t position;
  ASSERT_EQ(s->Seek(0, STREAM_SEEK_CUR, &position), S_OK);
  EXPECT_EQ(position, 5u);  // stream_text read to the end
  ASSERT_EQ(s->SetSize(0), S_OK);
  EXPECT_EQ(stream_text(s.get()), "");
}

TEST_P(Streams, NameRules) {
  struct Row {
    std::u16string name;
    HRESULT result;
  } rows[] = {
      {u"", STG_E_INVALIDNAME},
      {std::u16string(31, u'n'), S_OK},
      {std::u16string(32, u'n'), STG_E_INVALIDNAME},
      {u"a/b", STG_E_INVALIDNAME},
      {u"a\\b", STG_E_INVALIDNAME},
      {u"a:b", STG_E_INVALIDNAME},
      {u"a!b", STG_E_INVALIDNAME},
      {std::u16string(1, char16_t(0xD800)) + u"x", STG_E_INVALIDNAME},  // lone high surrogate
      {std::u16string(1, char16_t(0xDC00)), STG_E_INVALIDNAME},         // lone low surrogate
      {u"QEM_db_stream", S_OK},
      {u"Grüße \U0001F600", S_OK},
      {u"Case", S_OK},
      {u"case", S_OK},  // names are compared exactly
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "name of " << row.name.size() << " units");
    ref<IStream> s;
    EXPECT_EQ(storage_->CreateStream(row.name.c_str(), kStreamRW, 0, 0, s.put()), row.result);
    EXPECT_EQ(s.get() == nullptr, FAILED(row.result));
    s.reset();
    HRESULT missing_or_bad = FAILED(row.result) ? row.result : S_OK;
    EXPECT_EQ(storage_->OpenStream(row.name.c_str(), nullptr, kStreamRW, 0, s.put()), missing_or_bad);
    s.reset();
    EXPECT_EQ(storage_->DestroyElement(row.name.c_str()), missing_or_bad);
  }
  ref<IStream> s;
  EXPECT_EQ(storage_->CreateStream(nullptr, kStreamRW, 0, 0, s.put()), STG_E_INVALIDPOINTER);
  EXPECT_EQ(storage_->OpenStream(nullptr, nullptr, kStreamRW, 0, s.put()), STG_E_INVALIDPOINTER);
  EXPECT_EQ(storage_->DestroyElement(nullptr), STG_E_INVALIDPOINTER);
  std::vector<std::u16string> names;
  ASSERT_EQ(storage_->ListStreams(&names), S_OK);
  EXPECT_TRUE(names.empty());
}

TEST_P(Streams, ModeAndArgumentRules) {
  ref<IStream> existing = create(u"there");
  existing.reset();
  struct Row {
    const char* what;
    bool open;  // OpenStream, else CreateStream
    DWORD mode;
    DWORD reserved;
    HRESULT result;
  } rows[] = {
      {"create read-write", false, kStreamRW | STGM_CREATE, 0, S_OK},
      {"create read-only", false, kStreamRead | STGM_CREATE, 0, S_OK},
      {"create without share bit", false, STGM_READWRITE, 0, STG_E_INVALIDFLAG},
      {"create deny-write", false, STGM_READWRITE | STGM_SHARE_DENY_WRITE, 0, STG_E_INVALIDFLAG},
      {"create transacted", false, kStreamRW | STGM_TRANSACTED, 0, STG_E_INVALIDFLAG},
      {"create access 3", false, 3 | STGM_SHARE_EXCLUSIVE, 0, STG_E_INVALIDFLAG},
      {"create delete-on-release", false, kStreamRW | STGM_DELETEONRELEASE, 0, STG_E_INVALIDFLAG},
      {"create reserved", false, kStreamRW, 1, STG_E_INVALIDPARAMETER},
      {"open read-write", true, kStreamRW, 0, S_OK},
      {"open read-only", true, kStreamRead, 0, S_OK},
      {"open write-only", true, kStreamWrite, 0, S_OK},
      {"open with create", true, kStreamRW | STGM_CREATE, 0, STG_E_INVALIDFLAG},
      {"open without share bit", true, STGM_READ, 0, STG_E_INVALIDFLAG},
      {"open reserved", true, kStreamRW, 7, STG_E_INVALIDPARAMETER},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ref<IStream> s;
    HRESULT hr = row.open ? storage_->OpenStream(u"there", nullptr, row.mode, row.reserved, s.put())
                          : storage_->CreateStream(u"there", row.mode, row.reserved, 0, s.put());
    EXPECT_EQ(hr, row.result);
    EXPECT_EQ(s.get() == nullptr, FAILED(row.result));
  }
  ref<IStream> s;
  int reserved = 0;
  EXPECT_EQ(storage_->OpenStream(u"there", &reserved, kStreamRW, 0, s.put()), STG_E_INVALIDPARAMETER);
  EXPECT_EQ(storage_->CreateStream(u"there", kStreamRW, 0, 0, nullptr), STG_E_INVALIDPOINTER);
  EXPECT_EQ(storage_->OpenStream(u"there", nullptr, kStreamRW, 0, nullptr), STG_E_INVALIDPOINTER);
  EXPECT_EQ(storage_->ListStreams(nullptr), STG_E_INVALIDPOINTER);
  EXPECT_EQ(storage_->Commit(1), STG_E_INVALIDFLAG);
}

TEST_P(Streams, AccessOfTheStreamMode) {
  ref<IStream> s = create(u"text");
  ASSERT_EQ(write_text(s.get(), "kept"), S_OK);
  s.reset();

  ASSERT_EQ(storage_->OpenStream(u"text", nullptr, kStreamRead, 0, s.put()), S_OK);
  EXPECT_EQ(write_text(s.get(), "x"), STG_E_ACCESSDENIED);
  EXPECT_EQ(s->SetSize(0), STG_E_ACCESSDENIED);
  EXPECT_EQ(stream_text(s.get()), "kept");
  s.reset();

  ASSERT_EQ(storage_->OpenStream(u"text", nullptr, kStreamWrite, 0, s.put()), S_OK);
  char c;
  EXPECT_EQ(s->Read(&c, 1, nullptr), STG_E_ACCESSDENIED);
  ASSERT_EQ(write_text(s.get(), "K"), S_OK);
  s.reset();

  ASSERT_EQ(storage_->OpenStream(u"text", nullptr, kStreamRead, 0, s.put()), S_OK);
  EXPECT_EQ(stream_text(s.get()), "Kept");
}

TEST_P(Streams, CreateOpenAndDestroyRules) {
  ref<IStream> a = create(u"a");
  ASSERT_EQ(write_text(a.get(), "first"), S_OK);

  ref<IStream> other;
  EXPECT_EQ(storage_->OpenStream(u"a", nullptr, kStreamRW, 0, other.put()), STG_E_ACCESSDENIED);
  EXPECT_EQ(storage_->OpenStream(u"a", nullptr, kStreamRead, 0, other.put()), STG_E_ACCESSDENIED);
  EXPECT_EQ(storage_->CreateStream(u"a", kStreamRW, 0, 0, other.put()), STG_E_FILEALREADYEXISTS);
  EXPECT_EQ(storage_->CreateStream(u"a", kStreamRW | STGM_CREATE, 0, 0, other.put()), STG_E_ACCESSDENIED);
  EXPECT_EQ(storage_->DestroyElement(u"a"), STG_E_ACCESSDENIED);
  EXPECT_EQ(storage_->OpenStream(u"b", nullptr, kStreamRW, 0, other.put()), STG_E_FILENOTFOUND);
  EXPECT_EQ(storage_->DestroyElement(u"b"), STG_E_FILENOTFOUND);
  a.reset();

  // Closed: it opens again with its content, and STGM_CREATE empties it.
  ASSERT_EQ(storage_->OpenStream(u"a", nullptr, kStreamRW, 0, a.put()), S_OK);
  EXPECT_EQ(stream_text(a.get()), "first");
  a.reset();
  ASSERT_EQ(storage_->CreateStream(u"a", kStreamRW | STGM_CREATE, 0, 0, a.put()), S_OK);
  EXPECT_EQ(stream_text(a.get()), "");
  a.reset();

  ref<IStream> b = create(u"b");
  b.reset();
  std::vector<std::u16string> names;
  ASSERT_EQ(storage_->ListStreams(&names), S_OK);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"a", u"b"}));
  ASSERT_EQ(storage_->DestroyElement(u"a"), S_OK);
  ASSERT_EQ(storage_->ListStreams(&names), S_OK);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"b"}));
  EXPECT_EQ(storage_->OpenStream(u"a", nullptr, kStreamRW, 0, a.put()), STG_E_FILENOTFOUND);
}

TEST_P(Streams, IdentityAndReferenceCounts) {
  ULONG before = dv_olestorage_live_objects();
  ref<IStream> s = create(u"x");
  EXPECT_EQ(dv_olestorage_live_objects(), before + 1);

  void* storage_unknown = nullptr;
  void* storage_again = nullptr;
  void* as_storage = nullptr;
  void* stream_unknown = nullptr;
  void* stream_again = nullptr;
  ASSERT_EQ(storage_->QueryInterface(IID_IUnknown, &storage_unknown), S_OK);
  ASSERT_EQ(storage_->QueryInterface(IID_IStorage, &as_storage), S_OK);
  ASSERT_EQ(static_cast<IStorage*>(as_storage)->QueryInterface(IID_IUnknown, &storage_again), S_OK);
  ASSERT_EQ(s->QueryInterface(IID_IUnknown, &stream_unknown), S_OK);
  ASSERT_EQ(s->QueryInterface(IID_IStream, &stream_again), S_OK);
  EXPECT_EQ(storage_unknown, storage_again);
  EXPECT_EQ(as_storage, static_cast<void*>(storage_.get()));
  EXPECT_NE(storage_unknown, stream_unknown);
  EXPECT_EQ(stream_again, static_cast<void*>(s.get()));

  void* none = &before;
  EXPECT_EQ(storage_->QueryInterface(IID_IStream, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(s->QueryInterface(IID_IStorage, &none), E_NOINTERFACE);
  EXPECT_EQ(storage_->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

  // Each query added one reference; AddRef and Release answer the count.
  EXPECT_EQ(storage_->AddRef(), 6u);  // ours, the stream's, three queries, this one
  EXPECT_EQ(storage_->Release(), 5u);
  static_cast<IUnknown*>(storage_unknown)->Release();
  static_cast<IUnknown*>(storage_again)->Release();
  static_cast<IUnknown*>(as_storage)->Release();
  static_cast<IUnknown*>(stream_unknown)->Release();
  EXPECT_EQ(static_cast<IUnknown*>(stream_again)->Release(), 1u);

  // The stream keeps its storage alive; the last Release frees both.
  storage_.reset();
  EXPECT_EQ(dv_olestorage_live_objects(), before + 1);
  EXPECT_EQ(s->AddRef(), 2u);
  EXPECT_EQ(s->Release(), 1u);
  s.reset();
  EXPECT_EQ(dv_olestorage_live_objects(), before - 1);
}

// ---- the model ----------------------------------------------------------------

TEST_P(Streams, RandomOperationsAgreeWithAModel) {
  const unsigned seed = dv_test::seed();
  SCOPED_TRACE(testing::Message() << "seed " << seed << " (DV_TEST_SEED reruns it)");
  std::mt19937 rng(seed);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };

  const std::u16string names[] = {u"s0", u"s1", u"s2", u"QEM_db_stream", u"long_name_of_thirty_one_chars_"};
  std::map<std::u16string, std::string> model;      // what the storage holds now
  std::map<std::u16string, std::string> committed;  // what its file holds (transacted)
  std::map<std::u16string, ref<IStream>> open;

  auto check = [&](int step) {
    SCOPED_TRACE(testing::Message() << "after step " << step);
    std::vector<std::u16string> listed;
    ASSERT_EQ(storage_->ListStreams(&listed), S_OK);
    std::vector<std::u16string> expected;
    for (const auto& entry : model) expected.push_back(entry.first);
    ASSERT_EQ(listed, expected);
    for (const auto& [name, stream] : open) {
      dv_stream_stat stat;
      ASSERT_EQ(stream->Stat(&stat), S_OK);
      ASSERT_EQ(stat.size, model[name].size());
    }
  };

  // Data operations pick an open stream; with none open they open one.
  enum op { create_op, open_op, close_op, write_op, read_op, resize_op, destroy_op, commit_op, revert_op,
            reopen_op };
  const op mix[] = {create_op, open_op, open_op, close_op, write_op, write_op, write_op, write_op, write_op,
                    read_op, read_op, read_op, resize_op, destroy_op, commit_op, revert_op, reopen_op};
  const int kSteps = 1500;
  for (int step = 0; step < kSteps; ++step) {
    op operation = mix[pick(std::size(mix))];
    std::u16string name = names[pick(std::size(names))];
    if (operation == write_op || operation == read_op || operation == resize_op) {
      if (open.empty()) {
        operation = open_op;
      } else {
        auto it = open.begin();
        std::advance(it, static_cast<std::ptrdiff_t>(pick(open.size())));
        name = it->first;
      }
    }
    bool exists = model.count(name) != 0;
    bool is_open = open.count(name) != 0;
    switch (operation) {
      case create_op: {  // create, replacing when allowed
        bool replace = pick(2) == 0;
        ref<IStream> s;
        HRESULT hr = storage_->CreateStream(name.c_str(), kStreamRW | (replace ? STGM_CREATE : 0), 0, 0, s.put());
        HRESULT want = !exists ? S_OK : !replace ? STG_E_FILEALREADYEXISTS : is_open ? STG_E_ACCESSDENIED : S_OK;
        ASSERT_EQ(hr, want) << "create at step " << step;
        if (SUCCEEDED(hr)) {
          model[name].clear();
          open[name] = std::move(s);
        }
        break;
      }
      case open_op: {
        ref<IStream> s;
        HRESULT hr = storage_->OpenStream(name.c_str(), nullptr, kStreamRW, 0, s.put());
        ASSERT_EQ(hr, !exists ? STG_E_FILENOTFOUND : is_open ? STG_E_ACCESSDENIED : S_OK) << "open at step " << step;
        if (SUCCEEDED(hr)) open[name] = std::move(s);
        break;
      }
      case close_op:
        open.erase(name);
        break;
      case write_op: {  // somewhere at or past the end
        std::string& content = model[name];
        std::size_t at = pick(content.size() + 40);
        std::string bytes(pick(300), '\0');
        for (char& c : bytes) c = static_cast<char>(rng());
        ASSERT_EQ(open[name]->Seek(static_cast<std::int64_t>(at), STREAM_SEEK_SET, nullptr), S_OK);
        ASSERT_EQ(write_text(open[name].get(), bytes), S_OK);
        if (bytes.empty()) break;  // writing nothing does not extend the stream
        if (content.size() < at + bytes.size()) content.resize(at + bytes.size(), '\0');
        content.replace(at, bytes.size(), bytes);
        break;
      }
      case read_op: {
        const std::string& content = model[name];
        std::size_t at = pick(content.size() + 10);
        std::size_t length = pick(400);
        std::string got(length, '\0');
        ULONG read = 0;
        ASSERT_EQ(open[name]->Seek(static_cast<std::int64_t>(at), STREAM_SEEK_SET, nullptr), S_OK);
        ASSERT_EQ(open[name]->Read(got.data(), static_cast<ULONG>(length), &read), S_OK);
        got.resize(read);
        ASSERT_EQ(got, at < content.size() ? content.substr(at, length) : "") << "read at step " << step;
        break;
      }
      case resize_op: {
        std::size_t size = pick(model[name].size() + 50);
        ASSERT_EQ(open[name]->SetSize(size), S_OK);
        model[name].resize(size, '\0');
        break;
      }
      case destroy_op: {
        HRESULT want = !exists ? STG_E_FILENOTFOUND : is_open ? STG_E_ACCESSDENIED : S_OK;
        ASSERT_EQ(storage_->DestroyElement(name.c_str()), want) << "destroy at step " << step;
        if (SUCCEEDED(want)) model.erase(name);
        break;
      }
      case commit_op:
        ASSERT_EQ(storage_->Commit(STGC_DEFAULT), S_OK);
        committed = model;
        break;
      case revert_op:  // a transacted container goes back to its last commit
        ASSERT_EQ(storage_->Revert(), S_OK);
        if (!transacted()) break;
        for (auto& entry : open) ASSERT_EQ(entry.second->SetSize(0), STG_E_REVERTED);
        open.clear();
        model = committed;
        break;
      case reopen_op:  // close everything and open the container again
        if (!on_file()) break;
        open.clear();
        storage_.reset();
        ASSERT_NO_FATAL_FAILURE(open_storage(false));
        if (transacted())
          model = committed;  // what was not committed is gone
        else
          committed = model;  // a direct storage writes at its last release
        break;
    }
    ASSERT_NO_FATAL_FAILURE(check(step));
  }

  open.clear();
  for (const auto& [name, content] : model) {
    ref<IStream> s;
    ASSERT_EQ(storage_->OpenStream(name.c_str(), nullptr, kStreamRead, 0, s.put()), S_OK);
    EXPECT_EQ(stream_text(s.get()), content);
  }
}

}  // namespace
