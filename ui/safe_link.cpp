#include "ui/safe_link.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace vantric::ui {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() > prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
         });
}

bool Unsafe(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte <= ' ' || byte == 0x7F || c == '"';
}

}  // namespace

std::optional<std::string> SafeLinkTarget(std::string_view text) {
  if (std::any_of(text.begin(), text.end(), Unsafe)) return std::nullopt;
  constexpr std::array<std::string_view, 4> kSchemes = {"http://", "https://", "ftp://", "mailto:"};
  for (std::string_view scheme : kSchemes) {
    if (StartsWithNoCase(text, scheme)) return std::string(text);
  }
  if (StartsWithNoCase(text, "www.")) return "http://" + std::string(text);
  return std::nullopt;
}

}  // namespace vantric::ui
