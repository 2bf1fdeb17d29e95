#include "platform/temporary_name.h"

#include <cstdint>
#include <random>

namespace vantric {

std::string TemporaryNameBeside(const std::string& target) {
  static constexpr char kDigits[] = "0123456789abcdef";
  thread_local std::mt19937_64 random{(std::uint64_t{std::random_device{}()} << 32) ^ std::random_device{}()};
  std::string name = target + ".tmp-";
  std::uint64_t bits = random();
  for (int i = 0; i < 12; ++i, bits >>= 4) name += kDigits[bits & 15];
  return name;
}

}  // namespace vantric
