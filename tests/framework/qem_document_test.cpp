// Guards the database document: a new document works in a temporary
// "QEM_db" file that a save or a close removes; a saved document opens
// again with its contents; a missing or foreign file is refused with the
// open prompt and never created; a failed save answers FALSE with the save
// prompt, keeps the modified flag and the database; no database is left
// open by a failure or by destroying the document.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <string>

#include "dv_database_root.h"
#include "fw_message_box.h"
#include "qem_db_test.h"
#include "qem_document.h"
#include "qem_string.h"

using namespace dv_qem;

namespace {

// The document with its state in view.
class TestDocument : public CQEMDocument {
 public:
  dv_database* database() const { return m_pDatabase; }
  std::string temp_path() const { return m_pszTempPath == nullptr ? std::string() : m_pszTempPath; }
  BOOL temporary() const { return m_bIsTemporary; }
};

bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

class QemDocument : public dv_test::qem_db_test {
 protected:
  void SetUp() override { previous_ = FwSetMessageBoxes(&boxes_); }
  void TearDown() override { FwSetMessageBoxes(previous_); }

  // Stores text under the root "text" of the document's database.
  static void store_text(TestDocument& doc, const char* text) {
    dv_database* db = doc.database();
    auto* s = new (db, &dv_ts<CQEMString>::the_instance) CQEMString(text);
    db->create_root("text")->set_value(s, nullptr);
  }
  static std::string stored_text(TestDocument& doc) {
    return static_cast<LPCTSTR>(*static_cast<CQEMString*>(doc.database()->find_root("text")->get_value(nullptr)));
  }

  // The one box shown: its prompt id and whether its text names path.
  void expect_one_box(UINT prompt, const std::string& path) {
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].stringId, prompt);
    EXPECT_NE(std::string(boxes_.shown[0].text).find(path), std::string::npos) << boxes_.shown[0].text;
    boxes_.shown.clear();
  }

  FwRecordingMessageBoxes boxes_;
  FwMessageBoxes* previous_ = nullptr;
};

TEST_F(QemDocument, ANewDocumentSavedLeavesNoTemporaryFile) {
  std::string saved = path("shop.db");
  std::string temp;
  {
    TestDocument doc;
    ASSERT_TRUE(doc.OnNewDocument());
    temp = doc.temp_path();
    EXPECT_TRUE(doc.temporary());
    EXPECT_NE(temp.find("/QEM_db"), std::string::npos) << temp;
    EXPECT_TRUE(exists(temp));
    store_text(doc, "kept in the document");
    doc.SetModifiedFlag(TRUE);
    ASSERT_TRUE(doc.OnSaveDocument(saved.c_str()));
    EXPECT_FALSE(exists(temp));
    EXPECT_FALSE(doc.temporary());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(exists(saved));
    doc.OnCloseDocument();
    EXPECT_EQ(doc.database(), nullptr);
    EXPECT_TRUE(exists(saved));
  }
  TestDocument again;
  ASSERT_TRUE(again.OnOpenDocument(saved.c_str()));
  EXPECT_FALSE(again.IsModified());
  EXPECT_EQ(stored_text(again), "kept in the document");
  again.OnCloseDocument();
  EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(QemDocument, ClosingOrDestroyingAnUnsavedNewDocumentDeletesItsTemporaryFile) {
  std::string closed, destroyed;
  {
    TestDocument doc;
    ASSERT_TRUE(doc.OnNewDocument());
    closed = doc.temp_path();
    doc.OnCloseDocument();
    EXPECT_FALSE(exists(closed));
  }
  {
    TestDocument doc;
    ASSERT_TRUE(doc.OnNewDocument());
    destroyed = doc.temp_path();
    // A second New replaces the first temporary file.
    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_FALSE(exists(destroyed));
    destroyed = doc.temp_path();
    EXPECT_TRUE(exists(destroyed));
  }
  EXPECT_FALSE(exists(destroyed));
}

TEST_F(QemDocument, AFileThatCannotBeOpenedIsRefusedAndNeverCreated) {
  std::string missing = path("missing.db");
  std::string foreign = path("foreign.txt");
  std::ofstream(foreign) << "not a database at all, but long enough to be read as one";
  for (const std::string& file : {missing, foreign}) {
    SCOPED_TRACE(file);
    TestDocument doc;
    ASSERT_TRUE(doc.OnNewDocument());
    std::string temp = doc.temp_path();
    EXPECT_FALSE(doc.OnOpenDocument(file.c_str()));
    expect_one_box(AFX_IDP_FAILED_TO_OPEN_DOC, file);
    EXPECT_EQ(doc.database(), nullptr);
    EXPECT_FALSE(exists(temp));
  }
  EXPECT_FALSE(exists(missing));
}

TEST_F(QemDocument, AFailedSaveAnswersFalseAndKeepsTheDocument) {
  TestDocument doc;
  ASSERT_TRUE(doc.OnNewDocument());
  store_text(doc, "unsaved");
  doc.SetModifiedFlag(TRUE);
  std::string temp = doc.temp_path();
  std::string unwritable = path("no/such/folder/shop.db");
  EXPECT_FALSE(doc.OnSaveDocument(unwritable.c_str()));
  expect_one_box(AFX_IDP_FAILED_TO_SAVE_DOC, unwritable);
  EXPECT_TRUE(doc.IsModified());
  EXPECT_TRUE(doc.temporary());
  EXPECT_TRUE(exists(temp));
  ASSERT_TRUE(dv_database::is_open(doc.database()));
  EXPECT_EQ(stored_text(doc), "unsaved");
  // The same document saves elsewhere afterwards.
  std::string saved = path("shop.db");
  EXPECT_TRUE(doc.OnSaveDocument(saved.c_str()));
  EXPECT_FALSE(exists(temp));
  EXPECT_FALSE(doc.IsModified());

  TestDocument empty;
  EXPECT_FALSE(empty.OnSaveDocument(saved.c_str()));
  expect_one_box(AFX_IDP_FAILED_TO_SAVE_DOC, saved);
}

TEST_F(QemDocument, SerializeStoringSavesTheDatabase) {
  std::string saved = path("shop.db");
  TestDocument doc;
  ASSERT_TRUE(doc.OnNewDocument());
  ASSERT_TRUE(doc.OnSaveDocument(saved.c_str()));
  store_text(doc, "written by Serialize");
  CArchive archive(nullptr, CArchive::store);
  doc.Serialize(archive);
  doc.OnCloseDocument();
  TestDocument again;
  ASSERT_TRUE(again.OnOpenDocument(saved.c_str()));
  EXPECT_EQ(stored_text(again), "written by Serialize");
}

}  // namespace
