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

}  // namespace
