// Guards the narrow directory listing the toolkit's file dialog reads a
// folder with: every entry arrives, and the listing ends without an error,
// even where the file system hands out entry offsets wider than 32 bits
// (ext4 seen from this 32-bit program under an emulator).
#undef _FILE_OFFSET_BITS
#include <dirent.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>
#include <string>

#include "dv_scratch_dir.h"

namespace {

TEST(TerminalDirectoryEntries, TheNarrowListingHoldsEveryEntry) {
  dv_test::scratch_dir scratch;
  std::set<std::string> made{".", ".."};
  for (int i = 0; i < 40; ++i) {
    std::string name = "entry-" + std::to_string(i) + (i % 5 == 0 ? "" : ".csv");
    if (i % 5 == 0)
      ASSERT_EQ(mkdir((scratch.path() + "/" + name).c_str(), 0700), 0) << name;
    else
      std::ofstream(scratch.path() + "/" + name) << "x\n";
    made.insert(name);
  }
  DIR* folder = opendir(scratch.path().c_str());
  ASSERT_NE(folder, nullptr) << scratch.path();
  std::set<std::string> listed;
  errno = 0;
  while (struct dirent* entry = readdir(folder)) {
    listed.insert(entry->d_name);
    std::string name = entry->d_name;
    if (name.rfind("entry-", 0) == 0) {
      EXPECT_EQ(entry->d_type, name.find('.') == std::string::npos ? DT_DIR : DT_REG) << name;
    }
  }
  int ended_with = errno;
  closedir(folder);
  EXPECT_EQ(ended_with, 0) << "the listing failed: " << std::strerror(ended_with);
  EXPECT_EQ(listed, made);
}

// Two folders read side by side: each entry stays as it was read until
// its own stream is read again.
TEST(TerminalDirectoryEntries, StreamsReadSideBySideKeepTheirEntries) {
  dv_test::scratch_dir scratch;
  for (const char* folder : {"left", "right"}) {
    ASSERT_EQ(mkdir((scratch.path() + "/" + folder).c_str(), 0700), 0);
    std::ofstream(scratch.path() + "/" + folder + "/only-in-" + folder) << "x\n";
  }
  DIR* left = opendir((scratch.path() + "/left").c_str());
  DIR* right = opendir((scratch.path() + "/right").c_str());
  ASSERT_TRUE(left != nullptr && right != nullptr);
  auto named = [](DIR* folder) {
    struct dirent* entry = readdir(folder);
    while (entry != nullptr && entry->d_name[0] == '.') entry = readdir(folder);
    return entry;
  };
  struct dirent* fromLeft = named(left);
  struct dirent* fromRight = named(right);
  ASSERT_TRUE(fromLeft != nullptr && fromRight != nullptr);
  EXPECT_STREQ(fromLeft->d_name, "only-in-left");
  EXPECT_STREQ(fromRight->d_name, "only-in-right");
  closedir(left);
  closedir(right);
}

}  // namespace
