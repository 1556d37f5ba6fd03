#pragma once
// Splitting of description texts: runs of the separator count as one, and separators at
// either end give no empty piece.
#include <string>
#include <vector>

namespace updater::details {

inline std::vector<std::u16string> split_skipping_empty(const std::u16string& text, char16_t separator) {
  std::vector<std::u16string> parts;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(separator, start);
    if (end == std::u16string::npos) end = text.size();
    if (end > start) parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace updater::details
