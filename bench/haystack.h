#pragma once

// What the matcher benchmarks share: a clock and real executable bytes.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace bench {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

inline constexpr double kMiB = 1024.0 * 1024.0;

inline double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// The folder's .exe and .dll files, sorted, concatenated and repeated until
// `size` bytes; when it has none, pseudo-random bytes stand in and `real`
// says so.
inline Bytes Haystack(const std::string& folder, std::size_t size, bool& real) {
  Bytes out;
  out.reserve(size);
  std::error_code error;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const auto ext = entry.path().extension().string();
    if (entry.is_regular_file() && (ext == ".dll" || ext == ".exe")) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  while (!files.empty() && out.size() < size) {
    for (const auto& file : files) {
      std::ifstream in(file, std::ios::binary);
      out.insert(out.end(), std::istreambuf_iterator<char>(in), {});
      if (out.size() >= size) break;
    }
  }
  real = !files.empty();
  std::mt19937 random(1);
  while (out.size() < size) out.push_back(static_cast<std::uint8_t>(random()));
  out.resize(size);
  return out;
}

// The benchmarks' command line: [--quick] [FOLDER of PE files].
struct Arguments {
  bool quick = false;
  std::string folder;
};

inline Arguments ParseArguments(int argc, char** argv, std::string defaultFolder) {
  Arguments arguments{false, std::move(defaultFolder)};
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) {
      arguments.quick = true;
    } else {
      arguments.folder = argv[i];
    }
  }
  return arguments;
}

}  // namespace bench
