#pragma once
// Commands kept in Markdown documents: the fenced code blocks whose info string names a
// marker word after the language ("```sh walk"), which renders as a plain sh block.
#include <filesystem>
#include <string>
#include <vector>

namespace test_support {

// The marked blocks of document in document order, each without its fence lines and
// without the fence's indentation (blocks inside list items). Raises std::runtime_error
// when the document cannot be read or a marked block is not closed.
std::vector<std::string> marked_blocks(const std::filesystem::path& document, const std::string& marker);

}  // namespace test_support
