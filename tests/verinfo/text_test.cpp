#include <gtest/gtest.h>

#include <map>

#include "platform/text_escape.h"
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

// What a terminal shows must tell every text apart and hide nothing: each
// case is written out by hand, escapes and all.
TEST(TerminalText, EscapesWhatWouldMislead) {
  struct Case {
    std::string in;
    std::string out;
  } cases[] = {
      {"plain caf\xC3\xA9 \xE2\x82\xAC", "plain caf\xC3\xA9 \xE2\x82\xAC"},
      // A backslash and the controls its escapes stand for.
      {"a\\nb", "a\\\\nb"},
      {"a\nb", "a\\nb"},
      {"C:\\Windows\\x1b.exe", "C:\\\\Windows\\\\x1b.exe"},
      {"\x1b[31m", "\\x1b[31m"},
      {"\\x1b[31m", "\\\\x1b[31m"},
      {"\\u202e", "\\\\u202e"},
      {"\\", "\\\\"},
      {"\\\\", "\\\\\\\\"},
      {"\x7F\x01", "\\x7f\\x01"},
      {"\xC2\x9B" "2J", "\\xc2\\x9b2J"},
      // Each character that reorders or hides text, first and last included.
      {"\xD8\x9C\xEF\xBB\xBF", "\\u061c\\ufeff"},
      {"\xE2\x80\x8B\xE2\x80\x8C\xE2\x80\x8D\xE2\x80\x8E\xE2\x80\x8F", "\\u200b\\u200c\\u200d\\u200e\\u200f"},
      {"\xE2\x80\xA8\xE2\x80\xA9\xE2\x80\xAA\xE2\x80\xAB\xE2\x80\xAC\xE2\x80\xAD\xE2\x80\xAE",
       "\\u2028\\u2029\\u202a\\u202b\\u202c\\u202d\\u202e"},
      {"\xE2\x81\xA6\xE2\x81\xA7\xE2\x81\xA8\xE2\x81\xA9", "\\u2066\\u2067\\u2068\\u2069"},
      // Their neighbours are shown as they are.
      {"\xD8\x9B\xE2\x80\x8A\xE2\x80\x90\xE2\x80\xA7\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA\xEF\xBB\xBE",
       "\xD8\x9B\xE2\x80\x8A\xE2\x80\x90\xE2\x80\xA7\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA\xEF\xBB\xBE"},
      {"invoice_\xE2\x80\xAE" "fdp.exe", "invoice_\\u202efdp.exe"},
      {"\xE2\x80\xAE" "abc\xE2\x81\xA6", "\\u202eabc\\u2066"},
      // Bytes that are no UTF-8 beside a backslash; a format character cut short.
      {"\\\xFF", "\\\\\\xff"},
      {"\xFF\\", "\\xff\\\\"},
      {"\xE2\x80\\", "\\xe2\\x80\\\\"},
      {"\xED\xA0\x80", "\\xed\\xa0\\x80"},
  };
  for (const Case& c : cases) EXPECT_EQ(TerminalText(c.in), c.out) << c.out;
}

TEST(TerminalText, DistinctTextsNeverPrintAlike) {
  const std::string pieces[] = {"\\",    "n",     "x1b",  "\x1b",         "\n",           "\\n",
                                "u202e", "\xE2\x80\xAE",  "\xE2\x80",     "\xC2\x9B",     "\x9B",
                                "\xFF",  "\\xff", "\\\\", "\xEF\xBB\xBF", "\xD8\x9C",     "e"};
  // Every text of up to three pieces: many of them the same bytes, by
  // different pieces; bytes that differ must print differently.
  std::map<std::string, std::string> shownAs;
  for (const std::string& a : pieces) {
    for (const std::string& b : pieces) {
      for (const std::string& c : pieces) {
        for (const std::string& text : {a, a + b, a + b + c}) {
          const auto [where, added] = shownAs.emplace(TerminalText(text), text);
          EXPECT_TRUE(added || where->second == text) << where->first;
        }
      }
    }
  }
}

}  // namespace
}  // namespace vantric
