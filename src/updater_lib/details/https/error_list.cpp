#include "updater_lib/details/https/error_list.h"

#include "common/text.h"

namespace updater::details {

std::u16string join_error_list(const error_list& errors) {
  if (errors.empty()) return {};
  // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on chained operator+.
  std::u16string joined;
  if (errors.size() == 1) {
    joined = u". ";
    joined += errors.front();
    return joined;
  }
  for (size_t k = 0; k < errors.size(); ++k) {
    joined += u'\n';
    joined.append(k, u'.');
    joined += u"\\-> ";
    joined += errors[errors.size() - 1 - k];
  }
  return joined;
}

void append_exception_chain(error_list& errors, const Poco::Exception& exception) {
  error_list chain;
  for (const Poco::Exception* link = &exception; link != nullptr; link = link->nested()) {
    chain.push_back(common::utf8_to_utf16_lenient(link->displayText()));
  }
  errors.insert(errors.end(), chain.rbegin(), chain.rend());
}

}  // namespace updater::details
