// Guards the database document: a new document works in a temporary
// "QEM_db" file that a save or a close removes; a saved document opens
// again with its contents; a missing or foreign file is refused with the
// open prompt and never created; a failed save answers FALSE with the save
// prompt, keeps the modified flag and the database; no database is left
// open by a failure or by destroying the document.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "qem_document.h"
#include "qem_document_test.h"

using namespace dv_qem;
using dv_test::exists;
using dv_test::store_text;
using dv_test::stored_text;

namespace {

// The document with its state in view.
class TestDocument : public CQEMDocument {
 public:
  dv_database* database() const { return m_pDatabase; }
  std::string temp_path() const { return m_pszTempPath == nullptr ? std::string() : m_pszTempPath; }
  BOOL temporary() const { return m_bIsTemporary; }
};

class QemDocument : public dv_test::qem_document_test {};

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
    store_text(doc.database(), "kept in the document");
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
  EXPECT_EQ(stored_text(again.database()), "kept in the document");
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
  store_text(doc.database(), "unsaved");
  doc.SetModifiedFlag(TRUE);
  std::string temp = doc.temp_path();
  std::string unwritable = path("no/such/folder/shop.db");
  EXPECT_FALSE(doc.OnSaveDocument(unwritable.c_str()));
  expect_one_box(AFX_IDP_FAILED_TO_SAVE_DOC, unwritable);
  EXPECT_TRUE(doc.IsModified());
  EXPECT_TRUE(doc.temporary());
  EXPECT_TRUE(exists(temp));
  ASSERT_TRUE(dv_database::is_open(doc.database()));
  EXPECT_EQ(stored_text(doc.database()), "unsaved");
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
  store_text(doc.database(), "written by Serialize");
  CArchive archive(nullptr, CArchive::store);
  doc.Serialize(archive);
  doc.OnCloseDocument();
  TestDocument again;
  ASSERT_TRUE(again.OnOpenDocument(saved.c_str()));
  EXPECT_EQ(stored_text(again.database()), "written by Serialize");
}

}  // namespace
