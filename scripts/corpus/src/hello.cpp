#include <iostream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

int main(int argc, char **argv) {
  std::vector<std::string> args(argv, argv + argc);
  std::map<std::string, int> lengths;
  for (const auto &a : args) lengths[a] = static_cast<int>(a.size());
  try {
    if (args.size() > 5) throw std::runtime_error("too many arguments");
    for (const auto &[k, v] : lengths) std::cout << k << ' ' << v << '\n';
  } catch (const std::exception &e) {
    std::cerr << e.what() << '\n';
    return 1;
  }
  return 0;
}
