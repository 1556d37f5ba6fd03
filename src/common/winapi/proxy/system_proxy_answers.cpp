#include "common/winapi/proxy/system_proxy_answers.h"

namespace winapi {

namespace {

constexpr std::string_view direct_entry = "direct://";
constexpr std::string_view http_scheme = "http://";

}  // namespace

std::string proxy_address_of_url(std::string_view url) {
  if (const size_t scheme_end = url.find("://"); scheme_end != std::string_view::npos) {
    url.remove_prefix(scheme_end + 3);
  }
  // The last '@' ends the user information even when a password holds '/' or '@',
  // so no piece of a password can stay in the address.
  if (const size_t at = url.rfind('@'); at != std::string_view::npos) url.remove_prefix(at + 1);
  return std::string(url.substr(0, url.find('/')));
}

std::optional<std::string> proxy_list_of_libproxy_answer(const std::vector<std::string>& answer) {
  std::string list;
  bool names_a_proxy = false;
  for (const std::string& entry : answer) {
    std::string item;
    if (entry == direct_entry) {
      item = "DIRECT";
    } else if (entry.starts_with(http_scheme)) {
      item = proxy_address_of_url(entry);
      names_a_proxy = true;
    } else {
      continue;
    }
    if (!list.empty()) list += ';';
    list += item;
  }
  if (!names_a_proxy) return std::nullopt;
  return list;
}

}  // namespace winapi
