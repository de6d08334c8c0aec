// Guards the reading of a database file's super-block at open: files that
// are not databases (short, wrong magic, the creation marker, another page
// size, or a header whose sizes and start cannot describe an image in the
// file) are refused as not a database, another version as a version
// mismatch, and a file left in the middle of a write as needing recovery;
// and the recovery entry points that read the same header.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "db_super.h"
#include "db_test_support.h"
#include "dv_database.h"
#include "dvdb.h"

using namespace dv_qem;
using namespace dv_test;

namespace {

class DatabaseFormat : public db_test {
 protected:
  // The bytes of a freshly created two-page database.
  std::vector<char> good_image() {
    std::string file = path("good.db");
    dv_database* db = dv_database::create(file.c_str(), 0644, 1, 0);
    slots data(db, 1);
    db->save();
    db->close();
    return read_file(file);
  }

  // The image with its super-block changed by edit, written to name.
  std::string edited(const std::string& name, const std::function<void(_DB_header_super&)>& edit) {
    std::vector<char> image = good_image();
    auto* s = reinterpret_cast<_DB_header_super*>(image.data());
    edit(*s);
    std::string file = path(name);
    write_file(file, image.data(), image.size());
    return file;
  }

  std::string not_a_database(const std::string& file) {
    return "dv_err_not_a_database - " + file + " is not a valid database.";
  }
};

TEST_F(DatabaseFormat, FilesThatAreNoDatabase) {
  std::vector<char> image = good_image();
  struct row {
    const char* name;
    std::vector<char> bytes;
  };
  std::vector<row> rows;
  rows.push_back({"empty", {}});
  rows.push_back({"short", std::vector<char>(image.begin(), image.begin() + 47)});
  std::vector<char> marker(kPage, 0);
  std::memcpy(marker.data(), DB_IN_CREATION_MARKER, DB_IN_CREATION_MARKER_SIZE);
  rows.push_back({"in-creation", marker});
  std::vector<char> magic = image;
  magic[0] = 'X';
  rows.push_back({"magic", magic});
  // A correct super-block alone, but for a page size of 8192: refused for the
  // page size, not as a version mismatch.
  std::vector<char> big_pages(image.begin(), image.begin() + 48);
  reinterpret_cast<_DB_header_super*>(big_pages.data())->page_size = 8192;
  reinterpret_cast<_DB_header_super*>(big_pages.data())->minor_version = 3;
  rows.push_back({"page-size", big_pages});
  for (const row& r : rows) {
    std::string file = path(r.name);
    write_file(file, r.bytes.data(), r.bytes.size());
    expect_error<dv_err_not_a_database>([&] { dv_database::open(file.c_str(), 0, 0, 0); }, not_a_database(file));
    expect_error<dv_err_not_a_database>([&] { dv_database::open(file.c_str(), 1, 0, 0); }, not_a_database(file));
    EXPECT_EQ(_DV_int::get_first_DVDB(), nullptr) << r.name;
  }
}

TEST_F(DatabaseFormat, ValidationOrder) {
  _DB_header_super s{};
  std::memcpy(s.magic, DB_MAGIC, sizeof DB_MAGIC);
  s.page_size = kPage;
  s.major_version = 1;
  s.minor_version = 2;
  EXPECT_EQ(_DB_validate_super(s), super_valid);
  s.minor_version = 3;
  EXPECT_EQ(_DB_validate_super(s), super_bad_version);
  s.page_size = 8192;
  EXPECT_EQ(_DB_validate_super(s), super_bad_page_size);
  s.magic[3] = 'x';
  EXPECT_EQ(_DB_validate_super(s), super_bad_magic);
}

TEST_F(DatabaseFormat, OtherVersionsAreAMismatch) {
  struct row {
    dv2u major, minor;
  } rows[] = {{1, 3}, {1, 1}, {2, 2}, {0, 0}};
  for (const row& r : rows) {
    std::string file = edited("version.db", [&](_DB_header_super& s) {
      s.major_version = r.major;
      s.minor_version = r.minor;
    });
    expect_error<dv_err_version_mismatch>(
        [&] { dv_database::open(file.c_str(), 0, 0, 0); },
        format("dv_err_version_mismatch - Database %s has a format version %d.%d, which is incompatible with "
               "format 1.2 of this Durnavel/QEM Release (3.0.2)",
               file.c_str(), r.major, r.minor));
  }
}

// Sizes and starts that would make the runtime map or read outside the
// image, or wrap its address arithmetic.
TEST_F(DatabaseFormat, HostileHeadersAreNoDatabase) {
  struct row {
    const char* what;
    std::function<void(_DB_header_super&)> edit;
  } rows[] = {
      {"size zero", [](_DB_header_super& s) { s.db_size = 0; }},
      {"size not a page multiple", [](_DB_header_super& s) { s.db_size = kPage + 1; }},
      {"size beyond the file", [](_DB_header_super& s) { s.db_size += kPage; }},
      {"size near 4 GiB", [](_DB_header_super& s) { s.db_size = 0xFFFFF000u; }},
      {"start not page aligned", [](_DB_header_super& s) { s.as_start += 16; }},
      {"start zero", [](_DB_header_super& s) { s.as_start = 0; }},
      {"image wraps the address space", [](_DB_header_super& s) { s.as_start = 0xFFFFF000u; }},
  };
  for (const row& r : rows) {
    std::string file = edited("hostile.db", r.edit);
    expect_error<dv_err_not_a_database>([&] { dv_database::open(file.c_str(), 0, 0, 0); }, not_a_database(file));
    expect_error<dv_err_not_a_database>([&] { dv_database::open(file.c_str(), 1, 0, 3); }, not_a_database(file));
    EXPECT_EQ(_DV_int::get_first_DVDB(), nullptr) << r.what;
  }
}

TEST_F(DatabaseFormat, AHeaderAtAnotherStartIsOpenedThere) {
  // A database last mapped a megabyte further on: its header keeps that
  // start beside the first.
  std::string file = edited("elsewhere.db", [](_DB_header_super& s) {
    s.as_start += 0x100000;
    auto& header = reinterpret_cast<_DB_header&>(s);
    header.starts[header.n_starts++] = s.as_start;
  });
  dv_database* db = dv_database::open(file.c_str(), 0, 0, 0);
  EXPECT_EQ(word(internal(db)->space_start()), stored_super(file).as_start) << "the stored range is free";
  EXPECT_EQ(db->size(), stored_super(file).db_size);
  db->self_check();
  db->close();
  // A stored start the database was never mapped at is refused.
  std::string unknown = edited("unknown.db", [](_DB_header_super& s) { s.as_start += 0x100000; });
  expect_error<dv_err_not_a_database>([&] { dv_database::open(unknown.c_str(), 0, 0, 0); }, not_a_database(unknown));
}

TEST_F(DatabaseFormat, AFileInTheMiddleOfAWriteNeedsRecovery) {
  std::string dirty = edited("dirty.db", [](_DB_header_super& s) {
    s.recovery_word = 1;
    s.timestamp = 77;
    s.db_size = 5 * kPage;  // the pages of the interrupted write never arrived
  });
  expect_error<dv_err_database_needs_recovery>(
      [&] { dv_database::open(dirty.c_str(), 0, 0, 0); },
      "dv_err_database_needs_recovery - The database " + dirty + " needs to be recovered.");
  expect_error<dv_err_database_needs_recovery>(
      [&] { dv_database::open(dirty.c_str(), 1, 0, 0); },
      "dv_err_database_needs_recovery - The database " + dirty + " needs to be recovered.");
  EXPECT_EQ(dv_database::needs_recovery(dirty.c_str()), 1);

  std::string clean = edited("clean.db", [](_DB_header_super&) {});
  EXPECT_EQ(dv_database::needs_recovery(clean.c_str()), 0);
  dv_database* db = dv_database::open(clean.c_str(), 0, 0, 0);
  EXPECT_EQ(db->needs_recovery(), 0);
  db->close();

  std::string missing = path("missing.db");
  expect_error<dv_err_database_not_found>([&] { dv_database::needs_recovery(missing.c_str()); },
                                          "dv_err_database_not_found - The database \"" + missing +
                                              "\" could not be found.");
}

TEST_F(DatabaseFormat, RecoverRefusals) {
  std::string clean = edited("clean.db", [](_DB_header_super&) {});
  expect_error<dv_err_database_recovery>(
      [&] { dv_database::recover(clean.c_str()); },
      "dv_err_database_recovery - Error on database recovery: the database (" + clean + ") does not need recovery.");

  // Without its log there is nothing to replay: the failure is reported as
  // a recovery error and the file keeps its mark.
  std::string dirty = edited("dirty.db", [](_DB_header_super& s) {
    s.recovery_word = 1;
    s.timestamp = 77;
  });
  expect_error_starting<dv_err_database_recovery>(
      [&] { dv_database::recover(dirty.c_str()); },
      "dv_err_database_recovery - Error during recovery of database " + dirty + ": dv_err_database_log - Database Log \"" +
          dirty + ".log\" open/create error: ");
  EXPECT_EQ(dv_database::needs_recovery(dirty.c_str()), 1);
  EXPECT_EQ(_DV_int::get_first_DVDB(), nullptr);
}

TEST_F(DatabaseFormat, WriteStampIsNeverZero) {
  for (int i = 0; i < 100; ++i) EXPECT_NE(_DB_write_stamp(), 0u);
}

}  // namespace
