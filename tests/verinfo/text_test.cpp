#include <gtest/gtest.h>

#include "platform/utf_conversion.h"

namespace vantric {
namespace {

TEST(Utf16ToUtf8, DecodesPairsAndReplacesLoneSurrogates) {
  struct Case {
    std::u16string in;
    std::string out;
  } cases[] = {
      {u"", ""},
      {u"A\u00e9\u20ac", "A\xC3\xA9\xE2\x82\xAC"},
      {u"\U0001F600", "\xF0\x9F\x98\x80"},
      {std::u16string(1, char16_t(0xD83D)), "\xEF\xBF\xBD"},                             // high at the end
      {std::u16string{char16_t(0xD83D), u'x'}, "\xEF\xBF\xBDx"},                         // high then no low
      {std::u16string{char16_t(0xDE00), char16_t(0xD83D)}, "\xEF\xBF\xBD\xEF\xBF\xBD"},  // low before high
      {std::u16string{u'a', char16_t(0), u'b'}, std::string("a\0b", 3)},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf16ToUtf8(c.in), c.out);
}

TEST(Utf8ToUtf16, ReplacesEachMalformedByte) {
  struct Case {
    std::string in;
    std::u16string out;
  } cases[] = {
      {"CompanyName", u"CompanyName"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
      {"\xE2\x82", u"\uFFFD\uFFFD"},                      // cut short
      {"a\x80z", u"a\uFFFDz"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8ToUtf16(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace vantric
