#pragma once
// Path manipulation. Paths use the system's separator: '/' on Linux, where the long-path
// prefixes "//?/" and "/??/" stand for the Windows forms "\\?\" and "\??\"; '\' on Windows,
// which takes '/' as a separator too.
#include <string>
#include <string_view>
#include <tuple>

namespace path_helpers {

// Drive, directory (with its trailing separator), file name without extension, extension.
// The drive is always empty on Linux: paths have no drive letters.
using split_result = std::tuple<std::u16string, std::u16string, std::u16string, std::u16string>;

// The path with every component resolved to its real, full form; the path must exist.
// A path that begins with a long-path prefix is returned unchanged.
std::u16string get_long_path_name(const std::u16string& path);

// first and second with exactly one separator between them: any of separators already
// ending first or beginning second counts, else the first of them goes in.
std::u16string join_with(const std::u16string& first, const std::u16string& second, std::u16string_view separators);

// first and second with exactly one of the system's separators between them.
std::u16string join_path(const std::u16string& first, const std::u16string& second);

// The path without its trailing separators; a path made only of them is returned unchanged.
std::u16string trim_last_slash(const std::u16string& path);

// Raises 5277 for an empty path.
split_result split_path(const std::u16string& path);

// The file-name part of split_path: no directory, no extension.
std::u16string get_base_name(const std::u16string& path);

}  // namespace path_helpers
