// Guards the UTF-8 <-> UTF-16 conversion of stream names: every length of
// sequence both ways, malformed input refused (overlong forms, surrogates,
// values past U+10FFFF, cut sequences, unpaired UTF-16 surrogates), and
// results that do not fit their buffer refused to the unit.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "text_encoding.h"

using namespace dv_qem;

namespace {

struct pair_case {
  const char* utf8;
  std::u16string utf16;
};

TEST(TextEncoding, ConvertsBothWays) {
  const pair_case cases[] = {
      {"", u""},
      {"QEM_db_stream", u"QEM_db_stream"},
      {"\x7F", u"\x7F"},
      {"\xC2\x80\xDF\xBF", u"\u0080\u07FF"},
      {"\xE0\xA0\x80\xEF\xBF\xBF", u"\u0800\uFFFF"},
      {"\xED\x9F\xBF\xEE\x80\x80", u"\uD7FF\uE000"},
      {"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", u"\U00010000\U0010FFFF"},
      {"a\xF0\x9F\x93\x9A" "b", u"a\U0001F4DAb"},
  };
  for (const pair_case& c : cases) {
    SCOPED_TRACE(c.utf8);
    char16_t wide[16];
    ASSERT_EQ(_VRN_utf8_to_utf16(c.utf8, wide, 16), 0);
    EXPECT_EQ(std::u16string(wide), c.utf16);
    char narrow[32];
    ASSERT_EQ(_VRN_utf16_to_utf8(c.utf16.c_str(), narrow, 32), 0);
    EXPECT_EQ(std::string(narrow), c.utf8);
  }
}

TEST(TextEncoding, MalformedUtf8IsRefused) {
  const char* cases[] = {
      "\x80",              // a continuation alone
      "\xC0\xAF",          // overlong '/'
      "\xE0\x80\xAF",      // overlong, three bytes
      "\xF0\x80\x80\xAF",  // overlong, four bytes
      "\xED\xA0\x80",      // a surrogate
      "\xF4\x90\x80\x80",  // past U+10FFFF
      "\xF8\x88\x80\x80\x80",
      "\xFF",
      "a\xC3",       // cut at the end
      "\xE2\x82z",  // cut by an ASCII byte
  };
  for (const char* text : cases) {
    char16_t wide[16];
    EXPECT_EQ(_VRN_utf8_to_utf16(text, wide, 16), EILSEQ) << testing::PrintToString(text);
  }
}

TEST(TextEncoding, UnpairedSurrogatesAreRefused) {
  const std::u16string cases[] = {
      {char16_t(0xD800)}, {char16_t(0xDC00)}, {u'a', char16_t(0xD800), u'b'}, {char16_t(0xDC00), char16_t(0xD800)}};
  for (const std::u16string& text : cases) {
    char narrow[16];
    EXPECT_EQ(_VRN_utf16_to_utf8(text.c_str(), narrow, 16), EILSEQ);
  }
}

TEST(TextEncoding, ResultsMustFitWithTheirTerminator) {
  char16_t wide[4];
  EXPECT_EQ(_VRN_utf8_to_utf16("abc", wide, 4), 0);
  EXPECT_EQ(_VRN_utf8_to_utf16("abcd", wide, 4), E2BIG);
  EXPECT_EQ(_VRN_utf8_to_utf16("ab\xF0\x9F\x93\x9A", wide, 4), E2BIG) << "a pair needs two units";
  EXPECT_EQ(_VRN_utf8_to_utf16("a\xF0\x9F\x93\x9A", wide, 4), 0);

  char narrow[4];
  EXPECT_EQ(_VRN_utf16_to_utf8(u"abc", narrow, 4), 0);
  EXPECT_EQ(_VRN_utf16_to_utf8(u"abcd", narrow, 4), E2BIG);
  EXPECT_EQ(_VRN_utf16_to_utf8(u"a\u00e9", narrow, 4), 0);
  EXPECT_EQ(_VRN_utf16_to_utf8(u"\u20ac", narrow, 4), 0);
  EXPECT_EQ(_VRN_utf16_to_utf8(u"a\u20ac", narrow, 4), E2BIG);
  EXPECT_EQ(_VRN_utf16_to_utf8(u"\U0001F4DA", narrow, 4), E2BIG);
}

}  // namespace
