// Fixture of the document tests: the message boxes a document shows are
// recorded, not shown; and a text kept as a CQEMString under the root "text"
// of a document's database.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "dv_database_root.h"
#include "fw_message_box.h"
#include "qem_db_test.h"
#include "qem_string.h"

namespace dv_test {

inline bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

// Stores text under the root "text" of db (replacing the one held).
inline void store_text(dv_qem::dv_database* db, const char* text) {
  auto* s = new (db, &dv_qem::dv_ts<CQEMString>::the_instance) CQEMString(text);
  if (dv_qem::dv_database_root* old = db->find_root("text")) dv_qem::dv_database_root::destroy(old);
  db->create_root("text")->set_value(s, nullptr);
}

inline std::string stored_text(dv_qem::dv_database* db) {
  return static_cast<LPCTSTR>(*static_cast<CQEMString*>(db->find_root("text")->get_value(nullptr)));
}

class qem_document_test : public qem_db_test {
 protected:
  void SetUp() override { previous_ = FwSetMessageBoxes(&boxes_); }
  void TearDown() override { FwSetMessageBoxes(previous_); }

  // The one box shown since the last check: its prompt id, and a text that
  // names path.
  void expect_one_box(UINT prompt, const std::string& path) {
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].stringId, prompt);
    EXPECT_NE(std::string(boxes_.shown[0].text).find(path), std::string::npos) << boxes_.shown[0].text;
    boxes_.shown.clear();
  }

  FwRecordingMessageBoxes boxes_;
  FwMessageBoxes* previous_ = nullptr;
};

}  // namespace dv_test
