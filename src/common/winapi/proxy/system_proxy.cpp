#include "common/winapi/proxy/system_proxy.h"

#include <proxy.h>

#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "common/text.h"
#include "common/winapi/process/last_error.h"
#include "common/winapi/proxy/system_proxy_answers.h"
#include "common/winapi/proxy/system_proxy_child.h"

namespace winapi {

namespace {

// Runs in the detection child. libproxy's only source that needs no desktop is its
// environment module, which would repeat the user's https_proxy; pointing that variable
// at WPAD makes libproxy detect instead. The bypass list is not part of detection.
std::optional<std::string> ask_libproxy(const std::string& url) {
  ::setenv("https_proxy", "wpad://", 1);
  ::unsetenv("no_proxy");
  ::unsetenv("NO_PROXY");
  pxProxyFactory* const factory = px_proxy_factory_new();
  if (factory == nullptr) return std::nullopt;
  char** const proxies = px_proxy_factory_get_proxies(factory, url.c_str());
  std::optional<std::string> answer;
  if (proxies != nullptr) {
    answer.emplace();
    for (char** proxy = proxies; *proxy != nullptr; ++proxy) {
      answer->append(*proxy);
      answer->push_back('\0');
    }
  }
  px_proxy_factory_free_proxies(proxies);
  px_proxy_factory_free(factory);
  return answer;
}

std::vector<std::string> entries_of(const std::string& answer) {
  std::vector<std::string> entries;
  for (size_t start = 0; start < answer.size();) {
    const size_t end = answer.find('\0', start);
    entries.push_back(answer.substr(start, end - start));
    start = end + 1;
  }
  return entries;
}

bool fail(uint32_t error) {
  set_last_error(error);
  return false;
}

const char* non_empty_variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

bool get_proxy_for_url(std::u16string_view url, std::optional<std::u16string>& proxy_list) {
  const std::string narrow_url = common::utf16_to_utf8(url);
  const child_call_result result = call_in_child([&] { return ask_libproxy(narrow_url); }, proxy_detection_limit);
  switch (result.how) {
    case child_call_result::ending::not_started: return false;
    case child_call_result::ending::timed_out: return fail(error_winhttp_timeout);
    case child_call_result::ending::no_answer: return fail(error_winhttp_autodetection_failed);
    case child_call_result::ending::answered: break;
  }
  const std::optional<std::string> list = proxy_list_of_libproxy_answer(entries_of(result.answer));
  if (!list) return fail(error_winhttp_autodetection_failed);
  proxy_list = common::utf8_to_utf16_lenient(*list);
  return true;
}

bool get_current_user_proxy(std::optional<std::u16string>& proxy_list) {
  // curl's order for https URLs: the lower-case name first.
  const char* value = non_empty_variable("https_proxy");
  if (value == nullptr) value = non_empty_variable("HTTPS_PROXY");
  if (value == nullptr) {
    proxy_list.reset();
    return true;
  }
  try {
    proxy_list = common::utf8_to_utf16(proxy_address_of_url(value));
  } catch (const std::range_error&) {
    return fail(error_invalid_data);
  }
  return true;
}

}  // namespace winapi
