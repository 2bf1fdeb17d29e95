#include "platform/temporary_name.h"

#include <cstdint>
#include <random>

namespace vantric {
namespace {

// The folder part of `target`, its final separator included; empty for a
// bare name, which lies in the current folder.
std::string FolderOf(const std::string& target) {
#ifdef _WIN32
  const std::size_t end = target.find_last_of("\\/:");
#else
  const std::size_t end = target.rfind('/');
#endif
  return end == std::string::npos ? std::string() : target.substr(0, end + 1);
}

}  // namespace

std::string TemporaryNameBeside(const std::string& target) {
  static constexpr char kDigits[] = "0123456789abcdef";
  thread_local std::mt19937_64 random{(std::uint64_t{std::random_device{}()} << 32) ^ std::random_device{}()};
  std::string name = FolderOf(target) + ".vantric-";
  std::uint64_t bits = random();
  for (int i = 0; i < 12; ++i, bits >>= 4) name += kDigits[bits & 15];
  return name;
}

}  // namespace vantric
