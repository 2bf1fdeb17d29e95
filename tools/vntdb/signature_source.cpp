#include "tools/vntdb/signature_source.h"

#include <array>
#include <bitset>
#include <optional>

#include "sigdb/database.h"
#include "sigdb/search_limit.h"

namespace vantric::vntdb {
namespace {

constexpr std::array<std::string_view, 5> kCompilerKeys = {"pattern", "language", "compiler", "company",
                                                           "url"};
constexpr std::array<std::string_view, 5> kCompressionKeys = {"pattern", "limit", "program", "company",
                                                              "url"};
constexpr std::array<std::string_view, 5> kRawKeys = {"field0", "field1", "field2", "field3", "field4"};

// Diagnostics listed before the parse gives up, so that a source of any
// length takes little memory however broken it is.
constexpr std::size_t kMostErrors = 1000;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsKeyChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}
bool IsPrintable(unsigned char c) { return c >= 0x20 && c < 0x7F; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::size_t> IndexOf(const std::array<std::string_view, 5>& keys, std::string_view key) {
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (keys[i] == key) return i;
  }
  return std::nullopt;
}

// Reads one line of the source. Values are one or more literals written side
// by side: "text with \x00 escapes" or <hex bytes>.
class LineReader {
 public:
  explicit LineReader(std::string_view line) : line_(line) {}

  void SkipBlanks() {
    while (pos_ < line_.size() && IsBlank(line_[pos_])) ++pos_;
  }
  bool AtEnd() {
    SkipBlanks();
    return pos_ >= line_.size() || line_[pos_] == '#';
  }
  std::string_view Word() {
    SkipBlanks();
    std::size_t start = pos_;
    while (pos_ < line_.size() && IsKeyChar(line_[pos_])) ++pos_;
    return line_.substr(start, pos_ - start);
  }
  // The concatenated literals up to the end of the line; sets `error` on failure.
  std::optional<std::string> Value(std::string& error) {
    std::string bytes;
    bool any = false;
    while (!AtEnd()) {
      char open = line_[pos_];
      bool ok = open == '"' ? Quoted(bytes, error) : open == '<' ? Hex(bytes, error) : false;
      if (!ok) {
        if (error.empty()) error = "expected a \"quoted\" or <hex> value, found " + Rest();
        return std::nullopt;
      }
      any = true;
    }
    if (!any) {
      error = "missing value";
      return std::nullopt;
    }
    return bytes;
  }
  // What is left of the line, quoted for a diagnostic.
  std::string Rest() const { return Excerpt(line_.substr(pos_)); }

 private:
  bool Quoted(std::string& bytes, std::string& error) {
    ++pos_;
    while (pos_ < line_.size() && line_[pos_] != '"') {
      char c = line_[pos_++];
      if (c != '\\') {
        bytes += c;
        continue;
      }
      if (pos_ >= line_.size()) break;
      char escape = line_[pos_++];
      switch (escape) {
        case '\\': bytes += '\\'; break;
        case '"': bytes += '"'; break;
        case 'n': bytes += '\n'; break;
        case 'r': bytes += '\r'; break;
        case 't': bytes += '\t'; break;
        case '0': bytes += '\0'; break;
        case 'x': {
          int high = pos_ < line_.size() ? HexValue(line_[pos_]) : -1;
          int low = pos_ + 1 < line_.size() ? HexValue(line_[pos_ + 1]) : -1;
          if (high < 0 || low < 0) {
            error = "bad escape: \\x needs two hex digits";
            return false;
          }
          bytes += static_cast<char>(high * 16 + low);
          pos_ += 2;
          break;
        }
        default:
          error = std::string("bad escape \\") + escape + " (use \\xNN, \\\\, \\\", \\n, \\r, \\t or \\0)";
          return false;
      }
    }
    if (pos_ >= line_.size()) {
      error = "unterminated string: a \" is missing";
      return false;
    }
    ++pos_;
    return true;
  }

  bool Hex(std::string& bytes, std::string& error) {
    ++pos_;
    for (;;) {
      SkipBlanks();
      if (pos_ >= line_.size()) {
        error = "unterminated hex value: a > is missing";
        return false;
      }
      if (line_[pos_] == '>') break;
      int high = HexValue(line_[pos_]);
      int low = pos_ + 1 < line_.size() ? HexValue(line_[pos_ + 1]) : -1;
      if (high < 0 || low < 0) {
        error = "bad hex byte at " + Rest() + ": write bytes as two hex digits";
        return false;
      }
      bytes += static_cast<char>(high * 16 + low);
      pos_ += 2;
    }
    ++pos_;
    return true;
  }

  std::string_view line_;
  std::size_t pos_ = 0;
};

class SourceParser {
 public:
  SourceParser(std::string_view text, const std::string& fileName) : text_(text), fileName_(fileName) {}

  SignatureSource Run() {
    std::size_t start = 0;
    while (start <= text_.size() && !stopped_) {
      std::size_t end = text_.find('\n', start);
      if (end == std::string_view::npos) end = text_.size();
      std::string_view line = text_.substr(start, end - start);
      if (line.ends_with('\r')) line.remove_suffix(1);
      ++lineNumber_;
      ParseLine(line);
      start = end + 1;
    }
    FinishRecord();
    return std::move(result_);
  }

 private:
  std::string Here() const { return fileName_ + ":" + std::to_string(lineNumber_); }
  void Error(std::string message) { ErrorAt(Here(), std::move(message)); }
  void ErrorAt(std::string where, std::string message) {
    if (stopped_) return;
    if (result_.errors.size() == kMostErrors) {
      stopped_ = true;
      message = "more than " + std::to_string(kMostErrors) + " problems; the rest is not read";
    }
    result_.errors.push_back({std::move(where), std::move(message)});
  }
  // Nothing after this line is read; the reason is the last diagnostic.
  void Stop(std::string message) {
    Error(std::move(message));
    stopped_ = true;
  }

  void ParseLine(std::string_view line) {
    LineReader reader(line);
    if (reader.AtEnd()) return;
    std::string_view key = reader.Word();
    if (key.empty()) return Error("expected a key, found " + reader.Rest());
    if (key == "kind") return ParseKind(reader);
    if (key == "record") {
      if (!reader.AtEnd()) return Error("'record' takes no value");
      return StartRecord();
    }
    ParseField(key, reader);
  }

  void ParseKind(LineReader& reader) {
    std::string_view word = reader.Word();
    if (kindSeen_) return Error("'kind' given twice");
    if (inRecord_ || header_) return Error("'kind' must come before the header and the records");
    if (word == "compiler") {
      result_.kind = DatabaseKind::kCompiler;
    } else if (word == "compression") {
      result_.kind = DatabaseKind::kCompression;
    } else {
      return Error("kind must be 'compiler' or 'compression'");
    }
    if (!reader.AtEnd()) return Error("unexpected text after the kind: " + reader.Rest());
    kindSeen_ = true;
  }

  void ParseField(std::string_view key, LineReader& reader) {
    std::optional<std::size_t> index = IndexOf(kRawKeys, key);
    const bool raw = index.has_value();
    if (!inRecord_) {
      if (key == "version") index = kHeaderVersionField;
      if (key == "date") index = kHeaderDateField;
    } else if (!index) {
      index = IndexOf(keys(), key);
    }
    if (!index) {
      return Error("unknown key " + Excerpt(key) +
                   (inRecord_ ? " in a record" : " before the first 'record'"));
    }
    std::string error;
    std::optional<std::string> value = reader.Value(error);
    if (!value) return Error(std::string(key) + ": " + error);
    if (seen_[*index]) return Error("'" + std::string(key) + "' given twice");
    seen_[*index] = true;
    if (value->size() > ShortString::kCapacity) {
      return Error(std::string(key) + " is " + std::to_string(value->size()) +
                   " bytes long; a field holds at most 80");
    }
    // Raw field keys take any bytes, so that every existing file can be written back.
    if (inRecord_ && !raw) {
      if (*index == kPatternField && value->empty()) return Error("empty pattern: it would never match");
      if (key == "limit" && !ParseSearchLimit(*value)) {
        return Error("unparsable limit \"" + *value + "\": write a decimal or $hex number");
      }
    }
    if (!inRecord_ && !header_) StartHeader();
    current_.record.fields[*index].assign(*value);
  }

  const std::array<std::string_view, 5>& keys() const {
    return result_.kind == DatabaseKind::kCompiler ? kCompilerKeys : kCompressionKeys;
  }

  void StartHeader() {
    header_ = true;
    current_ = {TLangDefinition{}, Here()};
  }

  void StartRecord() {
    if (!kindSeen_) Error("'kind compiler' or 'kind compression' must come before the first record");
    kindSeen_ = true;  // report it once
    if (!inRecord_ && !header_) StartHeader();
    FinishRecord();
    // The header counts: the loaders refuse a file of more records than this.
    if (result_.records.size() == kMostDatabaseRecords) {
      inRecord_ = false;
      result_.tooManyRecords = true;
      return Stop("a database holds at most 1,000,000 records, the header included; the rest is not read");
    }
    inRecord_ = true;
    current_ = {TLangDefinition{}, Here()};
  }

  void FinishRecord() {
    if (inRecord_ && !seen_[kPatternField]) {
      ErrorAt(current_.where, "record has no pattern");
    }
    if (inRecord_ || header_) result_.records.push_back(std::move(current_));
    header_ = false;
    seen_.reset();
  }

  std::string_view text_;
  const std::string& fileName_;
  SignatureSource result_;
  int lineNumber_ = 0;
  bool kindSeen_ = false;
  bool header_ = false;  // the header record is open
  bool inRecord_ = false;
  bool stopped_ = false;  // the rest is not read
  LocatedRecord current_;
  std::bitset<TLangDefinition::kFieldCount> seen_;
};

std::string QuotedLiteral(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (unsigned char c : bytes) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (IsPrintable(c)) {
      out += static_cast<char>(c);
    } else {
      out += "\\x";
      out += kDigits[c >> 4];
      out += kDigits[c & 15];
    }
  }
  return out + "\"";
}

std::string HexLiteral(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out = "<";
  for (unsigned char c : bytes) {
    if (out.size() > 1) out += ' ';
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out + ">";
}

// Patterns that are mostly binary read better as hex bytes.
std::string PatternLiteral(std::string_view bytes) {
  std::size_t printable = 0;
  for (unsigned char c : bytes) printable += IsPrintable(c) ? 1 : 0;
  return printable * 2 >= bytes.size() ? QuotedLiteral(bytes) : HexLiteral(bytes);
}

void WriteLine(std::string& out, std::string_view indent, std::string_view key, const std::string& literal) {
  out.append(indent).append(key).append(" ").append(literal).append("\n");
}

}  // namespace

std::string Excerpt(std::string_view text, std::size_t most) {
  if (text.size() <= most) return "'" + std::string(text) + "'";
  std::size_t cut = most;
  // Back to the start of a sequence: a continuation byte is 10xxxxxx.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return "'" + std::string(text.substr(0, cut)) + "\xE2\x80\xA6' (" + std::to_string(text.size()) + " bytes)";
}

std::string_view FieldKey(DatabaseKind kind, std::size_t index) {
  return kind == DatabaseKind::kCompiler ? kCompilerKeys[index] : kCompressionKeys[index];
}

std::string_view KindName(DatabaseKind kind) {
  return kind == DatabaseKind::kCompiler ? "compiler" : "compression";
}

SignatureSource ParseSignatureSource(std::string_view text, const std::string& fileName) {
  return SourceParser(text, fileName).Run();
}

std::string WriteSignatureSource(const TLangDefinitionArray& records, DatabaseKind kind) {
  std::string out = "kind " + std::string(KindName(kind)) + "\n";
  if (records.empty()) return out;

  const TLangDefinition& header = records.front();
  WriteLine(out, "", "version", QuotedLiteral(header.fields[kHeaderVersionField].view()));
  WriteLine(out, "", "date", QuotedLiteral(header.fields[kHeaderDateField].view()));
  for (std::size_t i = 2; i < TLangDefinition::kFieldCount; ++i) {
    if (header.fields[i].length) WriteLine(out, "", kRawKeys[i], QuotedLiteral(header.fields[i].view()));
  }

  for (std::size_t r = 1; r < records.size(); ++r) {
    const TLangDefinition& record = records[r];
    out += "\nrecord\n";
    std::string_view pattern = record.fields[kPatternField].view();
    WriteLine(out, "  ", pattern.empty() ? kRawKeys[kPatternField] : "pattern", PatternLiteral(pattern));
    for (std::size_t i = 1; i < TLangDefinition::kFieldCount; ++i) {
      std::string_view text = record.fields[i].view();
      if (text.empty()) continue;
      const bool unparsableLimit =
          kind == DatabaseKind::kCompression && i == kSearchLimitField && !ParseSearchLimit(text);
      WriteLine(out, "  ", unparsableLimit ? kRawKeys[i] : FieldKey(kind, i), QuotedLiteral(text));
    }
  }
  return out;
}

}  // namespace vantric::vntdb
