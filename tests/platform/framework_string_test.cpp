// Guards the framework string: its one-pointer layout and buffer header,
// sharing and copy-on-write, the shared empty buffer, locked buffers, the
// extraction and search members with their clamping, byte-wise case mapping
// that leaves UTF-8 intact, printf formatting of any length, message
// formatting (%1..%n), loading from the string tables, and system strings.
#include <gtest/gtest.h>

#include <cstring>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "fw_bstr.h"
#include "fw_exceptions.h"
#include "fw_string.h"

namespace {

const CStringData* data_of(const CString& s) {
  return reinterpret_cast<const CStringData*>(static_cast<LPCTSTR>(s)) - 1;
}

TEST(FrameworkString, EmptyStringsShareOneBufferWithCountMinusOne) {
  CString a;
  CString b("");
  CString c(nullptr, 0);
  EXPECT_EQ(data_of(a), AfxGetEmptyStringData());
  EXPECT_EQ(data_of(b), AfxGetEmptyStringData());
  EXPECT_EQ(data_of(c), AfxGetEmptyStringData());
  EXPECT_EQ(AfxGetEmptyStringData()->nRefs, -1);
  CString d("x");
  d.Empty();
  EXPECT_EQ(data_of(d), AfxGetEmptyStringData());
  EXPECT_EQ(AfxGetEmptyStringData()->nRefs, -1);
}

TEST(FrameworkString, BufferHeaderHoldsCountLengthAndCapacity) {
  CString s("hello");
  const CStringData* data = data_of(s);
  EXPECT_EQ(data->nRefs, 1);
  EXPECT_EQ(data->nDataLength, 5);
  EXPECT_EQ(data->nAllocLength, 5);
  EXPECT_EQ(static_cast<LPCTSTR>(s)[5], '\0');
}

TEST(FrameworkString, CopiesShareUntilOneIsChanged) {
  CString a("shared text");
  CString b(a);
  CString c;
  c = a;
  EXPECT_EQ(data_of(a), data_of(b));
  EXPECT_EQ(data_of(a), data_of(c));
  EXPECT_EQ(data_of(a)->nRefs, 3);

  b.SetAt(0, 'S');
  EXPECT_NE(data_of(a), data_of(b));
  EXPECT_EQ(data_of(a)->nRefs, 2);
  EXPECT_STREQ(a, "shared text");
  EXPECT_STREQ(b, "Shared text");

  c += "!";
  EXPECT_EQ(data_of(a)->nRefs, 1);
  EXPECT_STREQ(a, "shared text");
  EXPECT_STREQ(c, "shared text!");

  CString d(a);
  d.MakeUpper();
  EXPECT_STREQ(a, "shared text");
  EXPECT_STREQ(d, "SHARED TEXT");
}

TEST(FrameworkString, LockedBufferIsNeverShared) {
  CString a("locked");
  a.LockBuffer();
  EXPECT_EQ(data_of(a)->nRefs, -1);
  CString b(a);
  CString c;
  c = a;
  EXPECT_NE(data_of(a), data_of(b));
  EXPECT_NE(data_of(a), data_of(c));
  EXPECT_STREQ(b, "locked");
  a.UnlockBuffer();
  CString d(a);
  EXPECT_EQ(data_of(a), data_of(d));
}

TEST(FrameworkString, EmptyOnLockedStringKeepsItsBuffer) {
  CString a("locked text");
  a.LockBuffer();
  const CStringData* before = data_of(a);
  a.Empty();
  EXPECT_EQ(data_of(a), before);
  EXPECT_EQ(a.GetLength(), 0);
  EXPECT_STREQ(a, "");
  a.UnlockBuffer();
}

TEST(FrameworkString, ExtractionClampsCountsAndIndexes) {
  const CString seven("abcdefg");
  struct Case {
    const char* what;
    CString result;
    const char* expected;
  } cases[] = {
      {"Mid(5, 10)", seven.Mid(5, 10), "fg"},
      {"Mid(9)", seven.Mid(9), ""},
      {"Mid(-2, 3)", seven.Mid(-2, 3), "abc"},
      {"Mid(2, -1)", seven.Mid(2, -1), ""},
      {"Left(3)", seven.Left(3), "abc"},
      {"Left(99)", seven.Left(99), "abcdefg"},
      {"Left(-1)", seven.Left(-1), ""},
      {"Right(2)", seven.Right(2), "fg"},
      {"Right(99)", seven.Right(99), "abcdefg"},
      {"SpanIncluding", seven.SpanIncluding("cba"), "abc"},
      {"SpanExcluding", seven.SpanExcluding("ed"), "abc"},
  };
  for (const Case& c : cases) EXPECT_STREQ(c.result, c.expected) << c.what;
}

TEST(FrameworkString, SearchGivesByteIndexOrMinusOne) {
  CString s("a,b;c,d");
  EXPECT_EQ(s.Find(','), 1);
  EXPECT_EQ(s.Find("c,"), 4);
  EXPECT_EQ(s.Find('x'), -1);
  EXPECT_EQ(s.ReverseFind(','), 5);
  EXPECT_EQ(s.FindOneOf(";x"), 3);
  EXPECT_EQ(s.FindOneOf("xyz"), -1);
}

TEST(FrameworkString, ReplaceAndRemove) {
  CString s("&Next, &Back");
  CString shared(s);
  EXPECT_EQ(s.Remove('&'), 2);
  EXPECT_STREQ(s, "Next, Back");
  EXPECT_STREQ(shared, "&Next, &Back");
  EXPECT_EQ(s.Replace(',', '.'), 1);
  EXPECT_STREQ(s, "Next. Back");
  EXPECT_EQ(s.Replace("Ne", "Neue "), 1);
  EXPECT_STREQ(s, "Neue xt. Back");
  CString repeated("aaaa");
  EXPECT_EQ(repeated.Replace("aa", "b"), 2);
  EXPECT_STREQ(repeated, "bb");
  EXPECT_EQ(repeated.Replace("x", "y"), 0);
  EXPECT_EQ(repeated.Remove('x'), 0);
  CString empty;
  EXPECT_EQ(empty.Remove('a'), 0);
  EXPECT_EQ(empty.Replace('a', 'b'), 0);
}

TEST(FrameworkString, CaseMappingTrimAndReverseLeaveUtf8Intact) {
  CString s("  Größe und Farbe \t\r\n");
  s.TrimLeft();
  s.TrimRight();
  EXPECT_STREQ(s, "Größe und Farbe");
  CString upper(s);
  upper.MakeUpper();
  EXPECT_STREQ(upper, "GRößE UND FARBE");
  CString reversed("aöb€");
  reversed.MakeReverse();
  EXPECT_STREQ(reversed, "€böa");
  EXPECT_EQ(CString("abc").CompareNoCase("ABC"), 0);
  EXPECT_LT(CString("abc").Compare("abd"), 0);
  EXPECT_GT(CString("é").Compare("z"), 0);  // bytes compare unsigned
}

TEST(FrameworkString, ConcatenationForms) {
  CString a("ab");
  EXPECT_STREQ(a + "cd", "abcd");
  EXPECT_STREQ("x" + a, "xab");
  EXPECT_STREQ(a + 'z', "abz");
  EXPECT_STREQ('z' + a, "zab");
  EXPECT_STREQ(a + a, "abab");
  a += a;
  EXPECT_STREQ(a, "abab");
  CString repeated('-', 4);
  EXPECT_STREQ(repeated, "----");
  EXPECT_TRUE(CString('-', 0).IsEmpty());
}

TEST(FrameworkString, GetBufferAndReleaseBuffer) {
  CString s("abc");
  CString shared(s);
  char* buffer = s.GetBuffer(10);
  EXPECT_NE(data_of(s), data_of(shared));
  std::strcpy(buffer, "longer text");
  s.ReleaseBuffer();
  EXPECT_EQ(s.GetLength(), 11);
  EXPECT_STREQ(shared, "abc");
  s.GetBufferSetLength(4);
  EXPECT_STREQ(s, "long");
  s.FreeExtra();
  EXPECT_EQ(s.GetAllocLength(), 4);
}

TEST(FrameworkString, FormatMeasuresResultsOfAnyLength) {
  CString s;
  s.Format("%.200f", 1e300);
  EXPECT_EQ(s.GetLength(), 301 + 1 + 200);
  EXPECT_EQ(s.Left(4), "1000");
  CString wide;
  wide.Format("%-500s|%d", "x", 42);
  EXPECT_EQ(wide.GetLength(), 503);
  EXPECT_EQ(wide.Right(3), "|42");
}

TEST(FrameworkString, FormatMessageInsertsByNumber) {
  struct Case {
    const char* format;
    const char* expected;
  } cases[] = {
      {"%2 before %1", "second before first"},
      {"100%% of %1%0 ignored", "100% of first"},
      {"%1%n%2", "first\nsecond"},
      {"end%.", "end."},
  };
  for (const Case& c : cases) {
    CString s;
    s.FormatMessage(c.format, "first", "second");
    EXPECT_STREQ(s, c.expected) << c.format;
  }
  CString typed;
  typed.FormatMessage("%1!d! items cost %2!.2f!, code %3!04X!", 3, 4.5, 0xAB);
  EXPECT_STREQ(typed, "3 items cost 4.50, code 00AB");
  CString repeated;
  repeated.FormatMessage("%1!d!-%1", 7);
  EXPECT_STREQ(repeated, "7-7");
}

TEST(FrameworkString, FormatMessageRefusesAnUnclosedInsertFormat) {
  CString s;
  try {
    s.FormatMessage("%1!d items", 3);
    FAIL() << "no exception";
  } catch (CMemoryException* e) {
    e->Delete();
  }
}

TEST(FrameworkString, LoadStringAndStringIdConstruction) {
  CString s;
  EXPECT_TRUE(s.LoadString(0xF6A1));
  EXPECT_STREQ(s, "Out of memory.");
  CString unchanged("keep");
  EXPECT_FALSE(unchanged.LoadString(65000));
  EXPECT_STREQ(unchanged, "keep");
  CString by_id(reinterpret_cast<LPCSTR>(0xF6A1));
  EXPECT_STREQ(by_id, "Out of memory.");
}

TEST(FrameworkString, SystemStringsRoundTrip) {
  CString s("Preis: 12€");
  BSTR b = s.AllocSysString();
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(SysStringLen(b), 10u);
  EXPECT_EQ(SysStringByteLen(b), 20u);
  EXPECT_EQ(b[9], 0x20AC);
  EXPECT_EQ(b[10], 0);
  CString back(static_cast<LPCWSTR>(b));
  EXPECT_STREQ(back, "Preis: 12€");
  CString("other").SetSysString(&b);
  EXPECT_EQ(SysStringLen(b), 5u);
  SysFreeString(b);
}

}  // namespace

namespace {

TEST(FrameworkString, FormatMayReadItsOwnText) {
  CString s("abc");
  s.Format("%s-%s-%s", static_cast<LPCTSTR>(s), static_cast<LPCTSTR>(s), static_cast<LPCTSTR>(s));
  EXPECT_STREQ(s, "abc-abc-abc");
  s.Format("%s", "");
  EXPECT_TRUE(s.IsEmpty());
}

}  // namespace

namespace {

// Copies of one shared buffer made and dropped on several threads at once:
// the interlocked count ends where it began and the text is intact.
TEST(FrameworkString, SharedBufferCountedAcrossThreads) {
  const CString shared("shared between threads");
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&shared] {
      for (int i = 0; i < 20000; ++i) {
        CString copy(shared);
        CString other;
        other = copy;
        if (other.GetLength() != shared.GetLength()) std::abort();
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(data_of(shared)->nRefs, 1);
  EXPECT_STREQ(shared, "shared between threads");
}

}  // namespace
