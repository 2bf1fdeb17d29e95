#include "platform/text_escape.h"

#include <cstdint>

namespace vantric {
namespace {

constexpr char kDigits[] = "0123456789abcdef";

void AppendHexEscape(std::string& out, std::uint8_t byte) {
  out += "\\x";
  out += kDigits[byte >> 4];
  out += kDigits[byte & 15];
}

// The short escapes a reader knows from C; other controls get \xNN.
char ShortEscape(std::uint8_t byte) {
  switch (byte) {
    case '\a': return 'a';
    case '\b': return 'b';
    case '\t': return 't';
    case '\n': return 'n';
    case '\v': return 'v';
    case '\f': return 'f';
    case '\r': return 'r';
    default: return 0;
  }
}

// Characters that draw nothing of their own but turn the text around them
// (U+202E shows "fdp.exe" as "exe.pdf") or hide in it: the bidirectional
// marks, embeddings, overrides and isolates, the zero-width characters, the
// line and paragraph separators, and the byte order mark.
bool IsFormatCharacter(std::uint32_t c) {
  return c == 0x061C || (c >= 0x200B && c <= 0x200F) || (c >= 0x2028 && c <= 0x202E) ||
         (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF;
}

void AppendCodePointEscape(std::string& out, std::uint32_t codePoint) {
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(codePoint >> shift) & 15];
}

// A valid UTF-8 sequence at the start of a text: its length, 0 when there is
// none, and the code point it stands for.
struct Utf8Sequence {
  std::size_t length;
  std::uint32_t codePoint;
};

Utf8Sequence DecodeUtf8(std::string_view text) {
  const auto lead = static_cast<std::uint8_t>(text[0]);
  std::size_t length;
  std::uint32_t codePoint;
  if (lead < 0x80) return {1, lead};
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, codePoint = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, codePoint = lead & 0x07;
  } else {
    return {0, 0};
  }
  if (text.size() < length) return {0, 0};
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<std::uint8_t>(text[i]);
    if ((next & 0xC0) != 0x80) return {0, 0};
    codePoint = (codePoint << 6) | (next & 0x3F);
  }
  static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (codePoint < kSmallest[length] || (codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF) {
    return {0, 0};
  }
  return {length, codePoint};
}

}  // namespace

std::size_t Utf8SequenceLength(std::string_view text) { return DecodeUtf8(text).length; }

std::string Utf8WithLatin1Bytes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const std::size_t length = DecodeUtf8(text).length;
    if (length == 0) {
      const auto byte = static_cast<std::uint8_t>(text[0]);
      out += static_cast<char>(0xC0 | (byte >> 6));
      out += static_cast<char>(0x80 | (byte & 0x3F));
    }
    out.append(text.substr(0, length));
    text.remove_prefix(length == 0 ? 1 : length);
  }
  return out;
}

std::string TerminalText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const auto byte = static_cast<std::uint8_t>(text[0]);
    const Utf8Sequence sequence = DecodeUtf8(text);
    std::size_t length = sequence.length;
    // U+0080..U+009F, the C1 controls, are C2 80..C2 9F in UTF-8: some
    // terminals act on them as on ESC sequences.
    const bool c1 = sequence.codePoint >= 0x80 && sequence.codePoint < 0xA0;
    if (length == 0 || c1) {
      length = length == 0 ? 1 : length;
      for (std::size_t i = 0; i < length; ++i) AppendHexEscape(out, static_cast<std::uint8_t>(text[i]));
    } else if (byte == '\\') {
      out += "\\\\";
    } else if (IsFormatCharacter(sequence.codePoint)) {
      AppendCodePointEscape(out, sequence.codePoint);
    } else if (byte < 0x20 || byte == 0x7F) {
      if (const char letter = ShortEscape(byte)) {
        out += '\\';
        out += letter;
      } else {
        AppendHexEscape(out, byte);
      }
    } else {
      out.append(text.substr(0, length));
    }
    text.remove_prefix(length);
  }
  return out;
}

}  // namespace vantric
