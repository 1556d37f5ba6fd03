#pragma once
// The messages a download meets on its way, oldest first, and their joined form in the
// final error, newest first.
#include <Poco/Exception.h>

#include <string>
#include <vector>

namespace updater::details {

using error_list = std::vector<std::u16string>;

// Empty for no entry; ". " + the entry for one; otherwise, newest first, entry k as a
// line feed, k dots, "\-> " and the entry.
std::u16string join_error_list(const error_list& errors);

// The display texts of the exception's chain of nested exceptions, innermost first,
// ending with its own.
void append_exception_chain(error_list& errors, const Poco::Exception& exception);

}  // namespace updater::details
