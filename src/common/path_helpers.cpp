#include "common/path_helpers.h"

namespace path_helpers {

std::u16string join_path(const std::u16string& first, const std::u16string& second) {
  const bool first_ends = !first.empty() && first.back() == u'/';
  const bool second_begins = !second.empty() && second.front() == u'/';
  if (first_ends && second_begins) return first.substr(0, first.size() - 1) + second;
  if (first_ends || second_begins) return first + second;
  return first + u'/' + second;
}

}  // namespace path_helpers
