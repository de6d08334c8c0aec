// Guards the persistent collections across processes: one process stores an
// array, a list and maps of strings, words and pointers (pointers into the
// database); a second maps the database at another address, where every
// virtual table, element buffer, node, association, string and stored
// pointer must be relocated and the pointer-keyed map must still find its
// keys, changes them and saves; a third sees the changes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "dv_database_root.h"
#include "qem_collections.h"
#include "qem_db_test.h"

using namespace dv_qem;

namespace {

constexpr int kItems = 40;

// Everything the processes share, under the root "holder".
struct Holder {
  int* anchor;  // kItems ints
  CQEMStringArray* strings;
  CQEMPtrArray* pointers;
  CQEMStringList* list;
  CQEMMapStringToString* names;
  CQEMMapPtrToWord* by_pointer;
  CQEMMapWordToPtr* by_word;
};

}  // namespace
DV_DEFINE_TYPESPEC(Holder, "QemCollectionsProcessHolder", DV_POINTERS(0, 4, 8, 12, 16, 20, 24), DV_NO_VTABLES);

namespace {

class QemCollectionsProcess : public dv_test::qem_db_test {};
class QemCollectionsChild : public dv_test::qem_child_test {
 protected:
  Holder& holder(dv_database* db) { return *static_cast<Holder*>(db->find_root("holder")->get_value(nullptr)); }

  // The contents after Create, with Change's additions when changed.
  void check(Holder& h, bool changed) {
    int extra = changed ? 1 : 0;
    EXPECT_STREQ(h.strings->GetRuntimeClass()->m_lpszClassName, "CQEMStringArray");
    EXPECT_STREQ(h.names->GetRuntimeClass()->m_lpszClassName, "CQEMMapStringToString");
    ASSERT_EQ(h.strings->GetSize(), kItems + extra);
    ASSERT_EQ(h.pointers->GetSize(), kItems);
    ASSERT_EQ(h.list->GetCount(), kItems + extra);
    ASSERT_EQ(h.names->GetCount(), kItems + extra);
    ASSERT_EQ(h.by_pointer->GetCount(), kItems);
    ASSERT_EQ(h.by_word->GetCount(), kItems);
    POSITION position = h.list->GetHeadPosition();
    for (int i = 0; i < kItems; ++i) {
      std::string text = "item " + std::to_string(i);
      EXPECT_EQ(h.strings->GetAt(i), text.c_str());
      EXPECT_EQ(h.pointers->GetAt(i), &h.anchor[kItems - 1 - i]);
      EXPECT_EQ(h.list->GetNext(position), text.c_str());
      CQEMString value;
      ASSERT_TRUE(h.names->Lookup(text.c_str(), value)) << text;
      EXPECT_EQ(value, ("value " + std::to_string(i)).c_str());
      WORD word = 0;
      ASSERT_TRUE(h.by_pointer->Lookup(&h.anchor[i], word)) << i;
      EXPECT_EQ(word, i * 3);
      void* pointer = nullptr;
      ASSERT_TRUE(h.by_word->Lookup(static_cast<WORD>(i * 16), pointer)) << i;
      EXPECT_EQ(pointer, &h.anchor[i]);
    }
    if (changed) {
      EXPECT_EQ(h.strings->GetAt(kItems), "added elsewhere");
      EXPECT_EQ(h.list->GetTail(), "added elsewhere");
      CString value;
      ASSERT_TRUE(h.names->Lookup("added elsewhere", value));
      EXPECT_EQ(value, "yes");
    }
  }
};

std::string file() { return std::getenv("DV_TEST_FILE"); }

TEST_F(QemCollectionsProcess, CollectionsAreReadAndChangedAtAnotherAddress) {
  std::string db = path("collections.db");
  ASSERT_EQ(dv_test::run_child("QemCollectionsChild.Create", {{"DV_TEST_FILE", db}, {"DV_QEM_AS_START", "0x20000000"}}), 0);
  ASSERT_EQ(dv_test::run_child("QemCollectionsChild.Change", {{"DV_TEST_FILE", db}, {"DV_QEM_AS_START", "0x24100000"}}), 0);
  EXPECT_EQ(dv_test::run_child("QemCollectionsChild.See", {{"DV_TEST_FILE", db}, {"DV_QEM_AS_START", "0x20000000"}}), 0);
}

TEST_F(QemCollectionsChild, Create) {
  dv_database* db = dv_database::create(file().c_str(), 0644, 1, 0);
  Holder* h = make_in<Holder>(db);
  h->anchor = static_cast<int*>(::operator new(sizeof(int) * kItems, db, dv_typespec::get_int(), kItems));
  h->strings = make_in<CQEMStringArray>(db);
  h->pointers = make_in<CQEMPtrArray>(db);
  h->list = make_in<CQEMStringList>(db, 3);
  h->names = make_in<CQEMMapStringToString>(db, 4);
  h->by_pointer = make_in<CQEMMapPtrToWord>(db);
  h->by_word = make_in<CQEMMapWordToPtr>(db);
  for (int i = 0; i < kItems; ++i) {
    std::string text = "item " + std::to_string(i);
    h->strings->Add(text.c_str());
    h->pointers->Add(&h->anchor[kItems - 1 - i]);
    h->list->AddTail(text.c_str());
    h->names->SetAt(text.c_str(), ("value " + std::to_string(i)).c_str());
    h->by_pointer->SetAt(&h->anchor[i], static_cast<WORD>(i * 3));
    h->by_word->SetAt(static_cast<WORD>(i * 16), &h->anchor[i]);
  }
  db->create_root("holder")->set_value(h, nullptr);
  check(*h, false);
  db->self_check();
  db->save();
  db->close();
}

TEST_F(QemCollectionsChild, Change) {
  dv_database* db = dv_database::open(file().c_str(), 0, 0, 0);
  ASSERT_EQ(db->as_start(), reinterpret_cast<void*>(0x24100000));
  Holder& h = holder(db);
  ASSERT_NO_FATAL_FAILURE(check(h, false));
  h.strings->Add("added elsewhere");
  h.list->AddTail("added elsewhere");
  h.names->SetAt("added elsewhere", "yes");
  h.names->InitHashTable(31);
  db->self_check();
  db->save();
  db->close();
}

TEST_F(QemCollectionsChild, See) {
  dv_database* db = dv_database::open(file().c_str(), 0, 0, 0);
  ASSERT_NO_FATAL_FAILURE(check(holder(db), true));
  db->self_check();
  db->close();
}

}  // namespace
