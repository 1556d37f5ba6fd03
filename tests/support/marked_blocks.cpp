#include "support/marked_blocks.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace test_support {

namespace {

constexpr char fence[] = "```";

// The indentation of a fence line, or nothing for another line.
std::optional<size_t> fence_indent(const std::string& line) {
  const size_t indent = line.find_first_not_of(' ');
  if (indent == std::string::npos || line.compare(indent, 3, fence) != 0) return std::nullopt;
  return indent;
}

bool has_marker(const std::string& info, const std::string& marker) {
  std::istringstream words(info);
  std::string language, word;
  words >> language;
  while (words >> word) {
    if (word == marker) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> marked_blocks(const std::filesystem::path& document, const std::string& marker) {
  std::ifstream file(document);
  if (!file) throw std::runtime_error("cannot read " + document.string());
  std::vector<std::string> blocks;
  bool in_block = false, marked = false;
  size_t open_indent = 0;  // of the fence that opened the current block
  std::string line;
  while (std::getline(file, line)) {
    const std::optional<size_t> indent = fence_indent(line);
    if (!in_block) {
      if (!indent) continue;
      in_block = true;
      open_indent = *indent;
      marked = has_marker(line.substr(open_indent + 3), marker);
      if (marked) blocks.emplace_back();
    } else if (indent && line.find_first_not_of(' ', *indent + 3) == std::string::npos) {
      in_block = false;
    } else if (marked) {
      const size_t leading = std::min(line.find_first_not_of(' '), line.size());
      blocks.back() += line.substr(std::min(open_indent, leading)) + '\n';
    }
  }
  if (in_block && marked)
    throw std::runtime_error("a block marked " + marker + " is not closed in " + document.string());
  return blocks;
}

}  // namespace test_support
