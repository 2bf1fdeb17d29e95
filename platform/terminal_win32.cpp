#include <io.h>
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <streambuf>
#include <string>

#include "platform/terminal.h"
#include "platform/utf_conversion.h"

namespace vantric {
namespace {

// Collects UTF-8 and writes it to a console as UTF-16, whole characters at a
// time: a character cut between two writes waits for its end.
class ConsoleBuffer : public std::streambuf {
 public:
  explicit ConsoleBuffer(HANDLE console) : console_(console) {}

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return sync() == 0 ? 0 : traits_type::eof();
    pending_ += traits_type::to_char_type(c);
    if (c == '\n' || pending_.size() >= 4096) return sync() == 0 ? c : traits_type::eof();
    return c;
  }

  std::streamsize xsputn(const char* text, std::streamsize count) override {
    pending_.append(text, static_cast<std::size_t>(count));
    return sync() == 0 ? count : 0;
  }

  int sync() override {
    const std::size_t whole = WholeCharacters();
    const std::u16string wide = Utf8ToUtf16(std::string_view(pending_).substr(0, whole));
    pending_.erase(0, whole);
    for (std::size_t done = 0; done < wide.size();) {
      DWORD written = 0;
      const auto chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
      if (!WriteConsoleW(console_, wide.data() + done, chunk, &written, nullptr) || written == 0) return -1;
      done += written;
    }
    return 0;
  }

 private:
  // The length of pending_ less an unfinished UTF-8 sequence at its end.
  std::size_t WholeCharacters() const {
    std::size_t end = pending_.size();
    for (std::size_t back = 1; back <= 3 && back <= pending_.size(); ++back) {
      const auto byte = static_cast<unsigned char>(pending_[pending_.size() - back]);
      if ((byte & 0xC0) != 0x80) {  // the lead byte of the last sequence
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        if (length > back) end = pending_.size() - back;
        break;
      }
    }
    return end;
  }

  HANDLE console_;
  std::string pending_;
};

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode);
}

}  // namespace

bool StandardErrorIsTerminal() { return ::_isatty(::_fileno(stderr)) != 0; }

void WriteUnicodeToConsoles() {
  static ConsoleBuffer* output = nullptr;
  static ConsoleBuffer* error = nullptr;
  if (HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE); !output && IsConsole(handle)) {
    output = new ConsoleBuffer(handle);  // lives as long as std::cout
    std::cout.rdbuf(output);
  }
  if (HANDLE handle = GetStdHandle(STD_ERROR_HANDLE); !error && IsConsole(handle)) {
    error = new ConsoleBuffer(handle);
    std::cerr.rdbuf(error);
  }
}

}  // namespace vantric
