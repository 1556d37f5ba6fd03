#include "updater_lib/details/https/update_server_url.h"

#include <regex>

#include "common/path_helpers.h"
#include "common/u16_stream.h"
#include "cpplogger/log_scope.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"

namespace updater {

namespace {

// std::regex has no char16_t traits; the patterns are ASCII, so every UTF-16 unit is
// matched as a wchar_t of the same value and a non-ASCII unit can never match.
bool matches_whole(const std::u16string& text, const wchar_t* pattern) {
  const std::wregex expression(pattern, std::regex_constants::ECMAScript);
  const std::wstring wide(text.begin(), text.end());
  return std::regex_match(wide, expression);
}

constexpr wchar_t host_name_pattern[] = L"(?=^.{4,253}$)(^((?!-)[a-zA-Z0-9-]{0,62}[a-zA-Z0-9]\\.)+[a-zA-Z]{2,63}$)";
constexpr wchar_t ipv4_pattern[] =
    L"^(([0-9]|[1-9][0-9]|1[0-9]{2}|2[0-4][0-9]|25[0-5])\\.){3}([0-9]|[1-9][0-9]|1[0-9]{2}|2[0-4][0-9]|25[0-5])$";

}  // namespace

void check_full_qualified_domain_name(const std::u16string& host) {
  FW_LOG_SCOPE();
  if (matches_whole(host, host_name_pattern) || matches_whole(host, ipv4_pattern)) return;
  FW_THROW(common::application_exception(common::error_invalid_fqdn), "FQDN = ", host);
}

// URLs take '/' on every system, unlike file paths.
std::u16string concatenate_url_paths(const std::u16string& left, const std::u16string& right) {
  return path_helpers::join_with(left, right, u"/");
}

std::pair<std::u16string, std::u16string> get_update_server_url(const std::u16string& host, uint16_t service_port,
                                                                uint32_t version_of_update_compatibility,
                                                                int32_t utilities) {
  FW_LOG_SCOPE();
  check_full_qualified_domain_name(host);
  const std::u16string root = common::concat("https", "://", host, ":", service_port, "/");
  const std::u16string version =
      common::concat(version_of_update_compatibility, utilities == 1 ? std::u16string(u"/utils") : std::u16string());
  return {root, concatenate_url_paths(concatenate_url_paths(root, u"update"), version)};
}

}  // namespace updater
