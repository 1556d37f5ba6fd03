#include "common/winapi/sync/named_event_store.h"

#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "common/text.h"
#include "common/winapi/process/last_error.h"

namespace winapi::details {

namespace {

bool is_kept_literally(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

std::string escape_name(const std::string& utf8) {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string escaped;
  for (const unsigned char c : utf8) {
    if (is_kept_literally(c)) {
      escaped.push_back(static_cast<char>(c));
    } else {
      escaped.push_back('%');
      escaped.push_back(digits[c >> 4]);
      escaped.push_back(digits[c & 0x0F]);
    }
  }
  return escaped;
}

}  // namespace

std::string events_directory() {
  const char* configured = std::getenv("FERROWICK_EVENTS_DIR");
  return configured != nullptr && *configured != '\0' ? configured : "/dev/shm/ferrowick-events";
}

std::optional<std::string> named_event_path(const std::u16string& name) {
  std::string utf8;
  try {
    utf8 = common::utf16_to_utf8(name);
  } catch (const std::range_error&) {
    utf8.clear();
  }
  if (utf8.empty()) {
    set_last_error(error_invalid_name);
    return std::nullopt;
  }
  return events_directory() + "/" + escape_name(utf8);
}

std::optional<bool> read_named_state(handle_t file) {
  char state = '0';
  const ssize_t result = ::pread(static_cast<int>(file), &state, 1, 0);
  if (result < 0) {
    set_last_error_from_errno();
    return std::nullopt;
  }
  return result == 1 && state == '1';
}

bool set_named_state(handle_t file) {
  const char state = '1';
  if (::pwrite(static_cast<int>(file), &state, 1, 0) != 1) {
    set_last_error_from_errno();
    return false;
  }
  return true;
}

}  // namespace winapi::details
