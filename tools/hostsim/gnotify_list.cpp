#include "tools/hostsim/gnotify_list.h"

#include <algorithm>

#include "tools/hostsim/notification.h"

namespace hostsim {

std::vector<std::string> GnotifyListLines(std::vector<std::string> names) {
  constexpr std::size_t kWidth = 78;
  std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return LowerCased(a) < LowerCased(b);
  });
  std::size_t widest = 0;
  for (const std::string& name : names) {
    widest = std::max(widest, name.size());
  }
  const std::size_t perLine = std::max<std::size_t>(kWidth / (widest + 2), 1);
  const std::size_t rows = names.empty() ? 1 : (names.size() + perLine - 1) / perLine;
  std::vector<std::string> lines{"-- gnotify list: " + std::to_string(names.size()) + " names --"};
  for (std::size_t row = 0; row < rows; ++row) {
    std::string line;
    for (std::size_t col = 0; col < perLine && row + col * rows < names.size(); ++col) {
      const std::string& name = names[row + col * rows];
      line += name + std::string(widest + (col + 1 == perLine ? 0 : 2) - name.size(), ' ');
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace hostsim
