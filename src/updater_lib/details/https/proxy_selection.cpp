#include "updater_lib/details/https/proxy_selection.h"

#include <exception>
#include <limits>
#include <optional>
#include <tuple>

#include "common/winapi/proxy/system_proxy.h"
#include "cpplogger/levels.h"
#include "cpplogger/log_scope.h"
#include "cpplogger/log_stream.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "error_lib/win32_exception.h"
#include "updater_lib/details/https/default_update_server.h"

namespace updater {

namespace {

constexpr char16_t direct_proxy_string[] = u"DIRECT";

std::optional<uint16_t> decimal_port(std::u16string_view text) {
  if (text.empty()) return std::nullopt;
  uint32_t value = 0;
  for (const char16_t digit : text) {
    if (digit < u'0' || digit > u'9') return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(digit - u'0');
    if (value > std::numeric_limits<uint16_t>::max()) return std::nullopt;
  }
  return static_cast<uint16_t>(value);
}

proxy_parameters variant_of(const proxy_parameters& configured, const std::u16string& proxy) {
  proxy_parameters variant = configured;
  if (proxy == direct_proxy_string) {
    variant.proxy_mode = proxy_mode::direct_connection;
  } else {
    variant.proxy_mode = proxy_mode::custom_proxy;
    std::tie(variant.proxy_address, variant.proxy_port) = parse_proxy_address_and_port(proxy);
  }
  return variant;
}

void append_pieces(std::vector<std::u16string>& strings, std::u16string_view list) {
  for (std::u16string& piece : split_proxy_list(list)) strings.push_back(std::move(piece));
}

void append_detected_proxies(std::vector<std::u16string>& strings) {
  try {
    std::optional<std::u16string> list;
    if (!winapi::get_proxy_for_url(default_update_server_url, list)) {
      FW_THROW(win32::exception("WinHttpGetProxyForUrl"), "Could not get HTTP proxy");
    }
    if (list) append_pieces(strings, *list);
  } catch (const common::application_exception& error) {
    FW_LOG(cpplogger::level_debug) << "Can't auto detect proxy settings. Error: " << error.what();
  }
}

void append_current_user_proxies(std::vector<std::u16string>& strings) {
  try {
    std::optional<std::u16string> list;
    if (!winapi::get_current_user_proxy(list)) {
      FW_THROW(win32::exception("WinHttpGetIEProxyConfigForCurrentUser"), "Could not get HTTP proxy");
    }
    if (list) {
      append_pieces(strings, *list);
    } else {
      FW_LOG(cpplogger::level_debug) << "IE proxy was not found for current user";
    }
  } catch (const std::exception& error) {
    FW_LOG(cpplogger::level_debug) << "Can't get proxy settings for current user. Error: " << error.what();
  }
}

}  // namespace

std::vector<proxy_parameters> get_variants_of_proxy_servers(const https_parameters& parameters) {
  FW_LOG_SCOPE();
  const proxy_parameters& configured = parameters.proxy;
  if (configured.proxy_mode != proxy_mode::system_proxy) return {configured};
  std::vector<proxy_parameters> variants;
  for (const std::u16string& proxy : get_system_proxy_strings()) {
    try {
      variants.push_back(variant_of(configured, proxy));
    } catch (const std::exception& error) {
      FW_LOG(cpplogger::level_debug) << "Can't process proxy string. Error: " << error.what();
    }
  }
  return variants;
}

std::vector<std::u16string> get_system_proxy_strings() {
  FW_LOG_SCOPE();
  std::vector<std::u16string> strings;
  FW_LOG(cpplogger::level_trace) << u"URL: " << default_update_server_url;
  append_detected_proxies(strings);
  append_current_user_proxies(strings);
  return strings;
}

std::vector<std::u16string> split_proxy_list(std::u16string_view list) {
  std::vector<std::u16string> pieces;
  std::u16string piece;
  for (const char16_t unit : list) {
    if (unit == u';' || unit == u' ') {
      if (!piece.empty()) pieces.push_back(std::move(piece));
      piece.clear();
    } else {
      piece.push_back(unit);
    }
  }
  if (!piece.empty()) pieces.push_back(std::move(piece));
  return pieces;
}

std::pair<std::u16string, uint16_t> parse_proxy_address_and_port(const std::u16string& proxy) {
  FW_LOG_SCOPE();
  FW_LOG(cpplogger::level_trace) << u"Parsing proxy string: \"" << proxy << u"\"";
  const size_t colon = proxy.find(u':');
  const bool one_colon = colon != std::u16string::npos && proxy.find(u':', colon + 1) == std::u16string::npos;
  const std::optional<uint16_t> port =
      one_colon && colon > 0 ? decimal_port(std::u16string_view(proxy).substr(colon + 1)) : std::nullopt;
  if (!port) {
    FW_THROW(common::application_exception(common::error_unexpected_proxy_string), "proxy string = \"", proxy, "\"");
  }
  return {proxy.substr(0, colon), *port};
}

}  // namespace updater
