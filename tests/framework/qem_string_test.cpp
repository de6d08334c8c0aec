// Guards the persistent string: where its buffers live (the string's own
// database, never the source's), the sharing table (one database shares,
// other databases and transient memory copy, a read-only source is never
// written), one "__afxDataNil" per database, locked buffers, substring
// bounds, formatting of any length (formats from string ids as the
// framework string takes them), loading, the framework string that reads a
// persistent one without sharing its block and for reading only, and texts read back after the
// database is mapped at another address in another process.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

#include "dv_database_root.h"
#include "qem_db_test.h"
#include "qem_string.h"

using namespace dv_qem;

namespace {

class QemString : public dv_test::qem_db_test {
 protected:
  void SetUp() override {
    a_ = dv_database::create(path("a.db").c_str(), 0644, 1, 0);
    b_ = dv_database::create(path("b.db").c_str(), 0644, 1, 0);
  }
  void TearDown() override {
    if (dv_database::is_open(a_)) a_->close();
    if (dv_database::is_open(b_)) b_->close();
  }

  // The database a place stands for: 0 transient, 1 database a, 2 database b.
  dv_database* place(int where) {
    return where == 0 ? dv_database::get_transient_database() : where == 1 ? a_ : b_;
  }

  dv_database* a_ = nullptr;
  dv_database* b_ = nullptr;
};

TEST_F(QemString, EmptyStringsPointAtTheEmptyBufferOfTheirDatabase) {
  CQEMString transient;
  CString framework;
  EXPECT_EQ(transient._get_data(), AfxGetEmptyStringData());
  EXPECT_EQ(static_cast<LPCTSTR>(transient), static_cast<LPCTSTR>(framework));
  EXPECT_EQ(a_->find_root("__afxDataNil"), nullptr);

  CQEMString* first = make_in<CQEMString>(a_);
  dv_database_root* root = a_->find_root("__afxDataNil");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(first->_get_data(), root->get_value(nullptr));
  EXPECT_EQ(first->_get_data()->nRefs, -1);
  EXPECT_EQ(first->_get_data()->nDataLength, 0);
  EXPECT_TRUE(durnavel::is_persistent(first->_get_data()));
  unsigned roots = a_->get_n_roots();
  CQEMString* second = make_in<CQEMString>(a_, "");
  CQEMString* third = make_in<CQEMString>(a_, "text");
  third->Empty();
  EXPECT_EQ(a_->get_n_roots(), roots);
  EXPECT_EQ(second->_get_data(), first->_get_data());
  EXPECT_EQ(third->_get_data(), first->_get_data());

  CQEMString* other = make_in<CQEMString>(b_);
  EXPECT_NE(other->_get_data(), first->_get_data());
  EXPECT_EQ(dv_database::of(other->_get_data()), b_);
  delete first;
  delete second;
  delete third;
  delete other;
  a_->self_check();
}

TEST_F(QemString, BuffersLiveInTheDatabaseOfTheStringObject) {
  for (int where : {0, 1, 2}) {
    SCOPED_TRACE(where);
    CQEMString* s = make_in<CQEMString>(place(where), "hello");
    *s += " world";
    s->MakeUpper();
    EXPECT_EQ(*s, "HELLO WORLD");
    EXPECT_EQ(dv_database::of(s->_get_data()), place(where));
    EXPECT_EQ(s->_get_data()->nRefs, 1);
    delete s;
  }
  a_->self_check();
  b_->self_check();
}

// Copy construction and assignment: whether the copy shares the source's
// buffer, by where the two string objects live.
TEST_F(QemString, SharingFollowsTheDatabasesOfTheTwoStrings) {
  struct Case {
    int source;
    int target;
    bool shares;
  } cases[] = {
      {0, 0, true}, {1, 1, true}, {2, 2, true}, {0, 1, false}, {1, 0, false}, {1, 2, false}, {2, 1, false},
  };
  for (const Case& c : cases) {
    for (bool assign : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.source << " -> " << c.target << (assign ? " assigned" : " copied"));
      CQEMString* source = make_in<CQEMString>(place(c.source), "shared text");
      CQEMString* target = assign ? make_in<CQEMString>(place(c.target), "old") : make_in<CQEMString>(place(c.target), *source);
      if (assign) *target = *source;
      EXPECT_EQ(*target, "shared text");
      EXPECT_EQ(target->_get_data() == source->_get_data(), c.shares);
      EXPECT_EQ(source->_get_data()->nRefs, c.shares ? 2 : 1);
      EXPECT_EQ(dv_database::of(target->_get_data()), place(c.target));
      // A change gives the changed string a private buffer.
      target->SetAt(0, 'S');
      EXPECT_EQ(*source, "shared text");
      EXPECT_EQ(*target, "Shared text");
      EXPECT_EQ(source->_get_data()->nRefs, 1);
      delete target;
      delete source;
    }
  }
  a_->self_check();
  b_->self_check();
}

TEST_F(QemString, ASourceInADatabaseOpenReadOnlyIsCopiedAndNeverWritten) {
  *make_in<CQEMString>(a_) = "stored";
  CQEMString* stored = make_in<CQEMString>(a_, "kept text");
  a_->create_root("text")->set_value(stored, nullptr);
  a_->save();
  a_->close();
  dv_database* readonly = dv_database::open(path("a.db").c_str(), 1, 0, 0);
  ASSERT_TRUE(readonly->is_open_readonly());
  auto* source = static_cast<CQEMString*>(readonly->find_root("text")->get_value(nullptr));
  CQEMString copied(*source);
  CQEMString assigned;
  assigned = *source;
  CQEMString* elsewhere = make_in<CQEMString>(b_, *source);
  EXPECT_EQ(copied, "kept text");
  EXPECT_EQ(assigned, "kept text");
  EXPECT_EQ(*elsewhere, "kept text");
  EXPECT_NE(copied._get_data(), source->_get_data());
  EXPECT_NE(assigned._get_data(), source->_get_data());
  EXPECT_EQ(source->_get_data()->nRefs, 1);
  delete elsewhere;
  readonly->close();
}

TEST_F(QemString, ALockedBufferIsNeverShared) {
  CQEMString* s = make_in<CQEMString>(a_, "locked");
  s->LockBuffer();
  EXPECT_EQ(s->_get_data()->nRefs, -1);
  CQEMString* copy = make_in<CQEMString>(a_, *s);
  CQEMString* assigned = make_in<CQEMString>(a_);
  *assigned = *s;
  EXPECT_NE(copy->_get_data(), s->_get_data());
  EXPECT_NE(assigned->_get_data(), s->_get_data());
  s->UnlockBuffer();
  *assigned = *s;
  EXPECT_EQ(assigned->_get_data(), s->_get_data());
  EXPECT_EQ(s->_get_data()->nRefs, 2);
  delete assigned;
  delete copy;

  // Emptying a locked string keeps its block.
  s->LockBuffer();
  CStringData* block = s->_get_data();
  s->Empty();
  EXPECT_EQ(s->_get_data(), block);
  EXPECT_EQ(s->GetLength(), 0);
  EXPECT_STREQ(*s, "");
  s->UnlockBuffer();
  delete s;
  a_->self_check();
}

TEST_F(QemString, SubstringsAreClampedToTheText) {
  struct Case {
    const char* what;
    CQEMString (*take)(const CQEMString&);
    const char* expected;
  } cases[] = {
      {"Mid(5, 10)", [](const CQEMString& s) { return s.Mid(5, 10); }, "fg"},
      {"Mid(9)", [](const CQEMString& s) { return s.Mid(9); }, ""},
      {"Mid(7)", [](const CQEMString& s) { return s.Mid(7); }, ""},
      {"Mid(3)", [](const CQEMString& s) { return s.Mid(3); }, "defg"},
      {"Mid(-2, 3)", [](const CQEMString& s) { return s.Mid(-2, 3); }, "abc"},
      {"Mid(2, -1)", [](const CQEMString& s) { return s.Mid(2, -1); }, ""},
      {"Left(-1)", [](const CQEMString& s) { return s.Left(-1); }, ""},
      {"Left(3)", [](const CQEMString& s) { return s.Left(3); }, "abc"},
      {"Left(99)", [](const CQEMString& s) { return s.Left(99); }, "abcdefg"},
      {"Right(2)", [](const CQEMString& s) { return s.Right(2); }, "fg"},
      {"Right(-4)", [](const CQEMString& s) { return s.Right(-4); }, ""},
      {"Right(99)", [](const CQEMString& s) { return s.Right(99); }, "abcdefg"},
      {"SpanIncluding", [](const CQEMString& s) { return s.SpanIncluding("cba"); }, "abc"},
      {"SpanExcluding", [](const CQEMString& s) { return s.SpanExcluding("ed"); }, "abc"},
  };
  CQEMString* source = make_in<CQEMString>(a_, "abcdefg");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CQEMString result = c.take(*source);
    EXPECT_EQ(result, c.expected);
    // A transient result never holds a block of the source's database.
    EXPECT_FALSE(durnavel::is_persistent(result._get_data()));
  }
  EXPECT_EQ(source->_get_data()->nRefs, 1);
  delete source;
  a_->self_check();
}

TEST_F(QemString, ASubstringStoredInADatabaseLivesThere) {
  CQEMString* source = make_in<CQEMString>(a_, "abcdefg");
  CQEMString* part = make_in<CQEMString>(b_, source->Mid(2, 3));
  EXPECT_EQ(*part, "cde");
  EXPECT_EQ(dv_database::of(part->_get_data()), b_);
  delete part;
  delete source;
}

TEST_F(QemString, FormatTakesItsLengthFromTheText) {
  CQEMString* s = make_in<CQEMString>(a_);
  char expected[400];
  int length = std::snprintf(expected, sizeof expected, "%f", 1e200);
  ASSERT_GT(length, 200);
  s->Format("%f", 1e200);
  EXPECT_EQ(s->GetLength(), length);
  EXPECT_STREQ(*s, expected);
  s->Format("%s-%d-%c", "x", 42, 'y');
  EXPECT_EQ(*s, "x-42-y");
  EXPECT_EQ(dv_database::of(s->_get_data()), a_);
  s->FormatMessage("%2 and %1", "one", "two");
  EXPECT_EQ(*s, "two and one");
  delete s;
}

// Both strings take a format from a string id alike (the shared forms of
// Format and FormatMessage); the persistent result stays in its database.
TEST_F(QemString, FormatsFromStringIdsMatchTheFrameworkString) {
  CQEMString* s = make_in<CQEMString>(a_);
  CString framework;
  s->Format(32901u, "2.0");
  framework.Format(32901u, "2.0");
  EXPECT_EQ(*s, framework);
  EXPECT_EQ(*s, "Tradeloft Pro Database Import Wizard 2.0");
  EXPECT_EQ(dv_database::of(s->_get_data()), a_);
  s->FormatMessage(0xF101u, "orders.db");
  framework.FormatMessage(0xF101u, "orders.db");
  EXPECT_EQ(*s, framework);
  EXPECT_EQ(*s, "The document orders.db could not be opened.");
  EXPECT_EQ(dv_database::of(s->_get_data()), a_);
  delete s;
}

TEST_F(QemString, TextsBelowTheResourceLimitAreLoadedAsStrings) {
  CQEMString product(reinterpret_cast<LPCSTR>(7112));
  EXPECT_EQ(product, "Sample Product");
  CQEMString* persistent = make_in<CQEMString>(a_);
  ASSERT_TRUE(persistent->LoadString(21256));
  CString framework;
  ASSERT_TRUE(framework.LoadString(21256));
  ASSERT_GT(framework.GetLength(), 300);
  EXPECT_EQ(*persistent, framework);
  EXPECT_EQ(dv_database::of(persistent->_get_data()), a_);
  EXPECT_FALSE(persistent->LoadString(1));
  EXPECT_EQ(*persistent, framework);
  delete persistent;
}

TEST_F(QemString, AFrameworkStringReadingAPersistentOneCopiesItsBlock) {
  CQEMString* s = make_in<CQEMString>(a_, "persistent text");
  {
    CString copied(**s);
    CString assigned;
    assigned = **s;
    EXPECT_EQ(copied, "persistent text");
    EXPECT_EQ(assigned, "persistent text");
    EXPECT_FALSE(durnavel::is_persistent(static_cast<LPCTSTR>(copied)));
    EXPECT_FALSE(durnavel::is_persistent(static_cast<LPCTSTR>(assigned)));
    EXPECT_EQ(s->_get_data()->nRefs, 1);
  }
  // A transient persistent string's heap block may still be shared.
  CQEMString transient("heap text");
  CString shared(*transient);
  EXPECT_EQ(static_cast<LPCTSTR>(shared), static_cast<LPCTSTR>(transient));
  delete s;
  a_->self_check();
}

// A framework string's writes would free a database block on the C heap:
// the framework reference a persistent string hands out reads only.
TEST_F(QemString, TheFrameworkReferenceOfAStringReadsOnly) {
  CQEMString* s = make_in<CQEMString>(a_, "short");
  EXPECT_TRUE((std::is_same_v<decltype(**s), const CString&>));
  EXPECT_EQ((**s).GetLength(), 5);
  EXPECT_EQ(static_cast<const void*>(&**s), static_cast<const void*>(s));
  *s = "a longer text written through the string's own members";
  EXPECT_EQ(dv_database::of(s->_get_data()), a_);
  EXPECT_EQ(**s, CString("a longer text written through the string's own members"));
  delete s;
  a_->self_check();
}

TEST_F(QemString, BufferMembersKeepTheBlockInTheStringsDatabase) {
  CQEMString* s = make_in<CQEMString>(a_, "  padded  ");
  CQEMString* sharer = make_in<CQEMString>(a_, *s);
  s->TrimLeft();
  s->TrimRight();
  EXPECT_EQ(*s, "padded");
  EXPECT_EQ(*sharer, "  padded  ");
  char* buffer = s->GetBuffer(40);
  EXPECT_GE(s->GetAllocLength(), 40);
  std::strcpy(buffer, "a longer text in the buffer");
  s->ReleaseBuffer();
  EXPECT_EQ(*s, "a longer text in the buffer");
  s->FreeExtra();
  EXPECT_EQ(s->GetAllocLength(), s->GetLength());
  s->GetBufferSetLength(3);
  EXPECT_EQ(*s, "a l");
  EXPECT_EQ(dv_database::of(s->_get_data()), a_);
  EXPECT_EQ(s->Find("l"), 2);
  EXPECT_EQ(s->ReverseFind('a'), 0);
  EXPECT_EQ(s->FindOneOf("xl"), 2);
  CQEMString joined = *s + "-" + *sharer;
  EXPECT_EQ(joined, "a l-  padded  ");
  EXPECT_FALSE(*s < *sharer);
  EXPECT_TRUE(CString("a l") == *s);
  EXPECT_EQ(s->CompareNoCase("A L"), 0);
  delete sharer;
  delete s;
  a_->self_check();
}

TEST_F(QemString, AddressChecksAcceptDatabasesAndReadableMemoryOnly) {
  long page = ::sysconf(_SC_PAGESIZE);
  void* none = ::mmap(nullptr, page * 2, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(none, MAP_FAILED);
  char* readable = static_cast<char*>(none);
  ASSERT_EQ(::mprotect(readable, page, PROT_READ | PROT_WRITE), 0);
  std::memset(readable, 'x', page);
  readable[page - 1] = '\0';
  ASSERT_EQ(::mprotect(readable, page, PROT_READ), 0);
  char* unreadable = readable + page;
  char stack_text[] = "on the stack";
  CQEMString* persistent = make_in<CQEMString>(a_, "in a database");
  struct Case {
    const char* what;
    BOOL answer;
    BOOL expected;
  } cases[] = {
      {"stack text", AfxQEMIsValidString(stack_text), TRUE},
      {"text up to a page end", AfxQEMIsValidString(readable), TRUE},
      {"text running into a closed page", AfxQEMIsValidString(readable + 10, page), FALSE},
      {"text in a closed page", AfxQEMIsValidString(unreadable), FALSE},
      {"null text", AfxQEMIsValidString(static_cast<const char*>(nullptr)), FALSE},
      {"database text", AfxQEMIsValidString(static_cast<LPCTSTR>(*persistent)), TRUE},
      {"writable stack", AfxQEMIsValidAddress(stack_text, sizeof stack_text, TRUE), TRUE},
      {"read-only page, reading", AfxQEMIsValidAddress(readable, page, FALSE), TRUE},
      {"read-only page, writing", AfxQEMIsValidAddress(readable, 16, TRUE), FALSE},
      {"into a closed page", AfxQEMIsValidAddress(readable + page - 8, 16, FALSE), FALSE},
      {"null address", AfxQEMIsValidAddress(nullptr, 4, FALSE), FALSE},
      {"database address", AfxQEMIsValidAddress(persistent->_get_data(), 4096, TRUE), TRUE},
  };
  for (const Case& c : cases) EXPECT_EQ(c.answer, c.expected) << c.what;
  delete persistent;
  ::munmap(none, page * 2);
}

// ---- another process, another address ----------------------------------------

class QemStringProcess : public dv_test::qem_db_test {};
class QemStringChild : public dv_test::qem_child_test {};

std::string file() { return std::getenv("DV_TEST_FILE"); }

// Three strings under the root "texts": two sharing a buffer, one empty.
struct Texts {
  CQEMString first;
  CQEMString second;
  CQEMString empty;
};

TEST_F(QemStringProcess, TextsAreReadAfterReopeningAtAnotherAddress) {
  std::string db = path("texts.db");
  ASSERT_EQ(dv_test::run_child("QemStringChild.Write", {{"DV_TEST_FILE", db}, {"DV_QEM_AS_START", "0x20000000"}}), 0);
  ASSERT_EQ(dv_test::run_child("QemStringChild.ReadAndChange", {{"DV_TEST_FILE", db}, {"DV_QEM_AS_START", "0x24100000"}}), 0);
  EXPECT_EQ(dv_test::run_child("QemStringChild.SeeChange", {{"DV_TEST_FILE", db}, {"DV_QEM_AS_START", "0x20000000"}}), 0);
}

TEST_F(QemStringChild, Write) {
  dv_database* db = dv_database::create(file().c_str(), 0644, 1, 0);
  auto* texts = static_cast<CQEMString*>(::operator new(sizeof(Texts), db, &dv_ts<CQEMString>::the_instance, 3));
  new (&texts[0]) CQEMString("shared words");
  new (&texts[1]) CQEMString(texts[0]);
  new (&texts[2]) CQEMString();
  ASSERT_EQ(texts[0]._get_data(), texts[1]._get_data());
  db->create_root("texts")->set_value(texts, nullptr);
  db->save();
  db->close();
}

TEST_F(QemStringChild, ReadAndChange) {
  dv_database* db = dv_database::open(file().c_str(), 0, 0, 0);
  ASSERT_EQ(db->as_start(), reinterpret_cast<void*>(0x24100000));
  auto* texts = static_cast<CQEMString*>(db->find_root("texts")->get_value(nullptr));
  EXPECT_EQ(texts[0], "shared words");
  EXPECT_EQ(texts[1], "shared words");
  EXPECT_EQ(texts[0]._get_data(), texts[1]._get_data());
  EXPECT_EQ(texts[0]._get_data()->nRefs, 2);
  EXPECT_EQ(texts[2]._get_data(), db->find_root("__afxDataNil")->get_value(nullptr));
  texts[1] += " changed";
  texts[2] = texts[0];
  db->self_check();
  db->save();
  db->close();
}

TEST_F(QemStringChild, SeeChange) {
  dv_database* db = dv_database::open(file().c_str(), 0, 0, 0);
  auto* texts = static_cast<CQEMString*>(db->find_root("texts")->get_value(nullptr));
  EXPECT_EQ(texts[0], "shared words");
  EXPECT_EQ(texts[1], "shared words changed");
  EXPECT_EQ(texts[2]._get_data(), texts[0]._get_data());
  EXPECT_EQ(texts[0]._get_data()->nRefs, 2);
  db->self_check();
  db->close();
}

}  // namespace
