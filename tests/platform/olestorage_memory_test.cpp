// Guards the in-memory storage used by tests of stream databases: injected
// failures hit exactly the counted Read, Write or Commit (or every one from
// there with keep_failing), report the chosen result, change nothing, and
// leave what was written before intact; the storage has no file.
#include <gtest/gtest.h>

#include <string>

#include "dv_olestorage.h"
#include "olestorage_test_support.h"

using namespace dv_qem;
using dv_test::ref;
using dv_test::stream_text;
using dv_test::write_text;

namespace {

class MemoryStorage : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(dv_create_memory_storage(storage_.put(), &faults_), S_OK);
    ASSERT_EQ(storage_->CreateStream(u"QEM_db_stream", 0x12, 0, 0, stream_.put()), S_OK);
  }
  dv_storage_faults faults_;
  ref<IStorage> storage_;
  ref<IStream> stream_;
};

TEST_F(MemoryStorage, TheNthWriteFailsAndEarlierDataStays) {
  faults_.fail_write_at = 3;
  ASSERT_EQ(write_text(stream_.get(), "page one;"), S_OK);
  ASSERT_EQ(write_text(stream_.get(), "page two;"), S_OK);
  ULONG written = 77;
  EXPECT_EQ(stream_->Write("page three;", 11, &written), STG_E_MEDIUMFULL);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(faults_.writes, 3u);
  EXPECT_EQ(stream_text(stream_.get()), "page one;page two;");
  ASSERT_EQ(write_text(stream_.get(), "page four;"), S_OK);  // only the third failed
  EXPECT_EQ(stream_text(stream_.get()), "page one;page two;page four;");
}

TEST_F(MemoryStorage, KeepFailingFailsEveryLaterCallOfThatKind) {
  faults_.fail_write_at = 2;
  faults_.keep_failing = true;
  faults_.result = STG_E_WRITEFAULT;
  ASSERT_EQ(write_text(stream_.get(), "a"), S_OK);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(stream_->Write("b", 1, nullptr), STG_E_WRITEFAULT);
  EXPECT_EQ(stream_text(stream_.get()), "a");  // reads are not affected
  faults_.fail_write_at = 0;                   // the hook may change between calls
  ASSERT_EQ(write_text(stream_.get(), "c"), S_OK);
  EXPECT_EQ(stream_text(stream_.get()), "ac");
}

TEST_F(MemoryStorage, ReadsAndCommitsFailAsTold) {
  ASSERT_EQ(write_text(stream_.get(), "content"), S_OK);
  faults_.fail_read_at = faults_.reads + 1;
  faults_.fail_commit_at = 2;
  faults_.result = STG_E_READFAULT;
  char buffer[8];
  ULONG read = 5;
  ASSERT_EQ(stream_->Seek(0, STREAM_SEEK_SET, nullptr), S_OK);
  EXPECT_EQ(stream_->Read(buffer, sizeof buffer, &read), STG_E_READFAULT);
  EXPECT_EQ(read, 0u);
  std::uint64_t position = 9;
  ASSERT_EQ(stream_->Seek(0, STREAM_SEEK_CUR, &position), S_OK);
  EXPECT_EQ(position, 0u);  // the failed read did not move
  ASSERT_EQ(stream_->Read(buffer, sizeof buffer, &read), S_OK);
  EXPECT_EQ(std::string(buffer, read), "content");

  EXPECT_EQ(stream_->Commit(STGC_DEFAULT), S_OK);
  EXPECT_EQ(stream_->Commit(STGC_DEFAULT), STG_E_READFAULT);
  EXPECT_EQ(stream_->Commit(STGC_DEFAULT), S_OK);
  EXPECT_EQ(faults_.commits, 3u);
  EXPECT_EQ(storage_->Commit(STGC_DEFAULT), S_OK);  // the storage's own Commit is not counted
  EXPECT_EQ(faults_.commits, 3u);
}

TEST_F(MemoryStorage, CountsEveryStreamOfTheStorage) {
  ref<IStream> other;
  ASSERT_EQ(storage_->CreateStream(u"other", 0x12, 0, 0, other.put()), S_OK);
  faults_.fail_write_at = 2;
  ASSERT_EQ(write_text(stream_.get(), "x"), S_OK);
  EXPECT_EQ(write_text(other.get(), "y"), STG_E_MEDIUMFULL);
  EXPECT_EQ(stream_text(other.get()), "");
}

TEST(MemoryStorageBasics, HasNoFileAndNeedsNoHook) {
  ref<IStorage> storage;
  ASSERT_EQ(dv_create_memory_storage(storage.put()), S_OK);
  std::u16string path = u"x";
  ASSERT_EQ(storage->GetFilePath(&path), S_OK);
  EXPECT_TRUE(path.empty());
  ref<IStream> s;
  ASSERT_EQ(storage->CreateStream(u"s", 0x12, 0, 0, s.put()), S_OK);
  ASSERT_EQ(write_text(s.get(), "kept"), S_OK);
  EXPECT_EQ(storage->Revert(), S_OK);
  EXPECT_EQ(stream_text(s.get()), "kept");
  EXPECT_EQ(dv_create_memory_storage(nullptr), STG_E_INVALIDPOINTER);
}

}  // namespace
