// Guards the document kept in the stream "QEM_db_stream" of a container:
// a new document's temporary container goes when it is closed; a saved
// container reopens in another process with the database mapped at another
// address, is changed and saved in place, and the change is seen by a third
// process; a plain database file opens without a container; a container
// that another reader holds opens read-only (and then refuses to save); a
// copy saved elsewhere leaves the document, its container and its modified
// flag as they were; a missing file is refused with the open prompt.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "dv_olestorage.h"
#include "dv_thrown_by.h"
#include "qem_document_test.h"
#include "qem_ole_document.h"

using namespace dv_qem;
using dv_test::exists;
using dv_test::store_text;
using dv_test::stored_text;

namespace {

class TestOleDocument : public CQEMOleDocument {
 public:
  dv_database* database() const { return m_pDatabase; }
  IStorage* root() const { return m_lpRootStg; }
  void forget_new_storage() { m_bRemember = FALSE; }
};

std::string container_path(IStorage* storage) {
  std::u16string wide;
  storage->GetFilePath(&wide);
  return std::string(wide.begin(), wide.end());  // temporary paths are ASCII
}

class QemOleDocument : public dv_test::qem_document_test {
 protected:
  // A saved document at path holding text.
  void save_new(const std::string& path, const char* text) {
    TestOleDocument doc;
    ASSERT_TRUE(doc.OnNewDocument());
    store_text(doc.database(), text);
    ASSERT_TRUE(doc.OnSaveDocument(path.c_str()));
    doc.OnCloseDocument();
  }
};

TEST_F(QemOleDocument, ANewDocumentSavesIntoAContainerAndDropsItsTemporaryOne) {
  std::string saved = path("doc.box");
  std::string temporary;
  {
    TestOleDocument doc;
    ASSERT_TRUE(doc.OnNewDocument());
    temporary = container_path(doc.root());
    EXPECT_TRUE(exists(temporary));
    store_text(doc.database(), "in a stream");
    doc.SetModifiedFlag(TRUE);
    ASSERT_TRUE(doc.OnSaveDocument(saved.c_str()));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_FALSE(exists(temporary));
    EXPECT_EQ(container_path(doc.root()), saved);
  }
  EXPECT_EQ(StgIsStorageFile(saved.c_str()), S_OK);
  IStorage* storage = nullptr;
  ASSERT_EQ(StgOpenStorage(saved.c_str(), nullptr, STGM_SHARE_DENY_WRITE | STGM_READ, nullptr, 0, &storage), S_OK);
  std::vector<std::u16string> names;
  storage->ListStreams(&names);
  storage->Release();
  EXPECT_EQ(names, std::vector<std::u16string>{u"QEM_db_stream"});

  TestOleDocument again;
  ASSERT_TRUE(again.OnOpenDocument(saved.c_str()));
  EXPECT_EQ(stored_text(again.database()), "in a stream");
  EXPECT_FALSE(again.database()->is_open_readonly());
  EXPECT_TRUE(boxes_.shown.empty());

  TestOleDocument unsaved;
  ASSERT_TRUE(unsaved.OnNewDocument());
  temporary = container_path(unsaved.root());
  unsaved.OnCloseDocument();
  EXPECT_FALSE(exists(temporary));
}

TEST_F(QemOleDocument, APlainDatabaseFileOpensWithoutAContainer) {
  std::string plain = path("plain.db");
  dv_database* db = dv_database::create(plain.c_str(), 0644, 1, 0);
  store_text(db, "plain file");
  db->save();
  db->close();
  TestOleDocument doc;
  ASSERT_TRUE(doc.OnOpenDocument(plain.c_str()));
  EXPECT_EQ(doc.root(), nullptr);
  EXPECT_EQ(stored_text(doc.database()), "plain file");
  doc.SetPathName(plain.c_str());
  store_text(doc.database(), "saved in place");
  ASSERT_TRUE(doc.OnSaveDocument(plain.c_str()));
  doc.OnCloseDocument();
  db = dv_database::open(plain.c_str(), 1, 0, 0);
  EXPECT_EQ(stored_text(db), "saved in place");
  db->close();
}

TEST_F(QemOleDocument, AContainerHeldByAReaderOpensReadOnly) {
  std::string saved = path("doc.box");
  ASSERT_NO_FATAL_FAILURE(save_new(saved, "shared with a reader"));
  IStorage* reader = nullptr;
  ASSERT_EQ(StgOpenStorage(saved.c_str(), nullptr, STGM_TRANSACTED | STGM_SHARE_DENY_WRITE | STGM_READ, nullptr, 0,
                           &reader),
            S_OK);
  TestOleDocument doc;
  ASSERT_TRUE(doc.OnOpenDocument(saved.c_str()));
  EXPECT_TRUE(doc.database()->is_open_readonly());
  EXPECT_EQ(stored_text(doc.database()), "shared with a reader");
  doc.SetPathName(saved.c_str());
  EXPECT_FALSE(doc.OnSaveDocument(saved.c_str()));
  expect_one_box(AFX_IDP_FAILED_TO_SAVE_DOC, saved);
  doc.OnCloseDocument();
  reader->Release();
}

TEST_F(QemOleDocument, ACopySavedElsewhereLeavesTheDocumentAsItWas) {
  std::string saved = path("doc.box");
  std::string copy = path("copy.box");
  ASSERT_NO_FATAL_FAILURE(save_new(saved, "original"));
  TestOleDocument doc;
  ASSERT_TRUE(doc.OnOpenDocument(saved.c_str()));
  doc.SetPathName(saved.c_str());
  store_text(doc.database(), "changed");
  doc.SetModifiedFlag(TRUE);
  IStorage* root = doc.root();
  doc.forget_new_storage();
  ASSERT_TRUE(doc.OnSaveDocument(copy.c_str()));
  EXPECT_TRUE(doc.IsModified());
  EXPECT_EQ(doc.root(), root);
  EXPECT_EQ(container_path(doc.root()), saved);
  EXPECT_EQ(stored_text(doc.database()), "changed");
  doc.OnCloseDocument();

  TestOleDocument original, copied;
  ASSERT_TRUE(original.OnOpenDocument(saved.c_str()));
  ASSERT_TRUE(copied.OnOpenDocument(copy.c_str()));
  EXPECT_EQ(stored_text(original.database()), "original");
  EXPECT_EQ(stored_text(copied.database()), "changed");
}

TEST_F(QemOleDocument, AMissingFileIsRefusedAndNeverCreated) {
  std::string missing = path("missing.box");
  TestOleDocument doc;
  ASSERT_TRUE(doc.OnNewDocument());
  EXPECT_FALSE(doc.OnOpenDocument(missing.c_str()));
  expect_one_box(AFX_IDP_FAILED_TO_OPEN_DOC, missing);
  EXPECT_EQ(doc.database(), nullptr);
  EXPECT_EQ(doc.root(), nullptr);
  EXPECT_FALSE(exists(missing));
  // Without a path and without a container there is nothing to open: the
  // error goes to the caller.
  EXPECT_NE(dv_test::thrown_by([&] { doc.OnOpenDocument(nullptr); }).find("needs a path"), std::string::npos);
  EXPECT_TRUE(boxes_.shown.empty());
}

// ---- another process, another address ----------------------------------------

class QemOleDocumentProcess : public dv_test::qem_db_test {};
class QemOleDocumentChild : public dv_test::qem_child_test {};

std::string file() { return std::getenv("DV_TEST_FILE"); }

TEST_F(QemOleDocumentProcess, AContainerDocumentReopensInAnotherProcess) {
  std::string saved = path("doc.box");
  ASSERT_EQ(dv_test::run_child("QemOleDocumentChild.Create", {{"DV_TEST_FILE", saved}, {"DV_QEM_AS_START", "0x20000000"}}), 0);
  ASSERT_EQ(dv_test::run_child("QemOleDocumentChild.Change", {{"DV_TEST_FILE", saved}, {"DV_QEM_AS_START", "0x24100000"}}), 0);
  EXPECT_EQ(dv_test::run_child("QemOleDocumentChild.See", {{"DV_TEST_FILE", saved}, {"DV_QEM_AS_START", "0x20000000"}}), 0);
}

TEST_F(QemOleDocumentChild, Create) {
  TestOleDocument doc;
  ASSERT_TRUE(doc.OnNewDocument());
  store_text(doc.database(), "written by the first process");
  ASSERT_TRUE(doc.OnSaveDocument(file().c_str()));
  doc.OnCloseDocument();
}

TEST_F(QemOleDocumentChild, Change) {
  TestOleDocument doc;
  ASSERT_TRUE(doc.OnOpenDocument(file().c_str()));
  ASSERT_EQ(doc.database()->as_start(), reinterpret_cast<void*>(0x24100000));
  EXPECT_EQ(stored_text(doc.database()), "written by the first process");
  auto* text = static_cast<CQEMString*>(doc.database()->find_root("text")->get_value(nullptr));
  *text += ", changed by the second";
  doc.SetPathName(file().c_str());
  doc.SetModifiedFlag(TRUE);
  ASSERT_TRUE(doc.OnSaveDocument(file().c_str()));
  EXPECT_FALSE(doc.IsModified());
  doc.database()->self_check();
  doc.OnCloseDocument();
}

TEST_F(QemOleDocumentChild, See) {
  TestOleDocument doc;
  ASSERT_TRUE(doc.OnOpenDocument(file().c_str()));
  EXPECT_EQ(stored_text(doc.database()), "written by the first process, changed by the second");
  doc.database()->self_check();
  doc.OnCloseDocument();
}

}  // namespace
