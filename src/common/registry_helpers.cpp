#include "common/registry_helpers.h"

#include <cstring>
#include <exception>
#include <limits>

#include "common/u16_stream.h"
#include "common/winapi/process/last_error.h"
#include "cpplogger/levels.h"
#include "cpplogger/log_scope.h"
#include "cpplogger/logger.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"

namespace registry_helpers {
namespace {

// The most a string read through SHGetValueW may take, terminator included.
constexpr uint32_t max_string_bytes = 32767;

[[noreturn]] void fail(int code, const std::u16string& detail) { FW_THROW(registry_exception(code, detail), detail); }

[[noreturn]] void fail_read(winapi::reg_result result, const std::u16string& subkey, const std::u16string& value_name) {
  fail(common::error_registry_read_failed,
       common::concat(u"error code: ", result, u" subkey: ", subkey, u" value: ", value_name));
}

void require_type(uint32_t type, uint32_t expected, const std::u16string& subkey, const std::u16string& value_name) {
  if (type == expected) return;
  fail(common::error_registry_invalid_type, common::concat(u"Invalid value type ", type, u" of the key ", subkey, u"'",
                                                           value_name, u". Expected type: ", expected));
}

std::u16string up_to_first_nul(const std::u16string& buffer) { return buffer.substr(0, buffer.find(u'\0')); }

uint32_t checked_size(std::size_t bytes) {
  if (bytes > std::numeric_limits<uint32_t>::max()) fail(common::error_registry_set_failed, u"data is too long");
  return static_cast<uint32_t>(bytes);
}

void set_value(winapi::hkey root, const std::u16string& subkey, const std::u16string& value_name, uint32_t type,
               const void* data, uint32_t size) {
  const key_holder key = open_or_create_key(root, &subkey);
  const winapi::reg_result result = winapi::reg_set_value_ex(key.get(), value_name, type, data, size);
  if (result != winapi::error_success) {
    fail(common::error_registry_set_failed, common::concat(u"value: ", value_name, u" call result: ", result));
  }
}

}  // namespace

registry_exception::registry_exception(int code, std::u16string detail)
    : common::application_exception(code), detail_(std::move(detail)) {}

key_holder::key_holder(key_holder&& other) noexcept
    : close_(other.close_), subkey_(std::move(other.subkey_)), key_(other.key_) {
  other.key_ = 0;
}

void key_holder::reset(winapi::hkey key) {
  if (key_ != 0) close_(key_, subkey_);
  key_ = key;
}

void close_key_or_terminate(winapi::hkey key, const std::u16string& /*subkey*/) {
  if (winapi::reg_close_key(key) == winapi::error_success) return;
  cpplogger::log(cpplogger::level_fatal, u"Failed to close registry handle. Terminating.");
  std::terminate();
}

void close_key_or_warn(winapi::hkey key, const std::u16string& subkey) {
  if (winapi::reg_close_key(key) == winapi::error_success) return;
  cpplogger::log(cpplogger::level_warn, common::concat(u"subkey ", subkey, u" can not be closed"));
}

// Unlike SHGetValueW alone, the type is checked: a DWORD or binary value read as text
// would give a wrong string. A value too long for the buffer reports its wrong type
// before its size, here and for DWORDs.
std::u16string get_string_from_registry(winapi::hkey root, const std::u16string& subkey,
                                        const std::u16string& value_name) {
  FW_LOG_SCOPE();
  std::u16string buffer(max_string_bytes, u'\0');
  uint32_t type = 0;
  uint32_t size = max_string_bytes;
  const winapi::reg_result result = winapi::sh_get_value(root, subkey, value_name, &type, buffer.data(), &size);
  if (result == winapi::error_more_data) require_type(type, winapi::reg_sz, subkey, value_name);
  if (result != winapi::error_success) fail_read(result, subkey, value_name);
  require_type(type, winapi::reg_sz, subkey, value_name);
  return up_to_first_nul(buffer);
}

std::u16string get_string_from_registry_WOW64(winapi::hkey root, const std::u16string& subkey,
                                              const std::u16string& value_name) {
  FW_LOG_SCOPE();
  key_holder key(close_key_or_warn, subkey);
  winapi::hkey opened = 0;
  winapi::reg_result result =
      winapi::reg_open_key_ex(root, subkey, 0, winapi::key_read | winapi::key_wow64_64key, &opened);
  if (result != winapi::error_success) fail_read(result, subkey, value_name);
  key.reset(opened);
  uint32_t type = 0;
  uint32_t size = 0;
  result = winapi::reg_query_value_ex(key.get(), value_name, &type, nullptr, &size);
  if (result != winapi::error_success) fail_read(result, subkey, value_name);
  require_type(type, winapi::reg_sz, subkey, value_name);
  // n wide characters for n bytes: always room for a terminator the value may lack.
  std::u16string buffer(size, u'\0');
  size = checked_size(buffer.size() * 2);
  result = winapi::reg_query_value_ex(key.get(), value_name, &type, buffer.data(), &size);
  if (result != winapi::error_success) fail_read(result, subkey, value_name);
  require_type(type, winapi::reg_sz, subkey, value_name);
  return up_to_first_nul(buffer);
}

void set_string_to_registry(winapi::hkey root, const std::u16string& subkey, const std::u16string& value_name,
                            const std::u16string& value) {
  FW_LOG_SCOPE();
  const uint32_t size = checked_size((value.size() + 1) * sizeof(char16_t));
  set_value(root, subkey, value_name, winapi::reg_sz, value.c_str(), size);
}

uint32_t get_dword_from_registry(winapi::hkey root, const std::u16string& subkey, const std::u16string& value_name) {
  FW_LOG_SCOPE();
  uint32_t type = 0;
  uint32_t value = 0;
  uint32_t size = sizeof value;
  const winapi::reg_result result = winapi::sh_get_value(root, subkey, value_name, &type, &value, &size);
  if (result == winapi::error_more_data) require_type(type, winapi::reg_dword, subkey, value_name);
  if (result != winapi::error_success) fail_read(result, subkey, value_name);
  require_type(type, winapi::reg_dword, subkey, value_name);
  return value;
}

void set_value_to_registry(winapi::hkey root, const std::u16string& subkey, const std::u16string& value_name,
                           uint32_t value) {
  FW_LOG_SCOPE();
  set_value(root, subkey, value_name, winapi::reg_dword, &value, sizeof value);
}

std::vector<uint8_t> get_binary_from_registry(winapi::hkey root, const std::u16string& subkey,
                                              const std::u16string& value_name) {
  FW_LOG_SCOPE();
  uint32_t type = 0;
  uint32_t size = 0;
  winapi::reg_result result = winapi::sh_get_value(root, subkey, value_name, &type, nullptr, &size);
  if (result != winapi::error_success) fail_read(result, subkey, value_name);
  require_type(type, winapi::reg_binary, subkey, value_name);
  std::vector<uint8_t> data(size);
  result = winapi::sh_get_value(root, subkey, value_name, &type, data.data(), &size);
  if (result != winapi::error_success) fail_read(result, subkey, value_name);
  require_type(type, winapi::reg_binary, subkey, value_name);
  data.resize(size);
  return data;
}

void set_binary_to_registry(winapi::hkey root, const std::u16string& subkey, const std::u16string& value_name,
                            const std::vector<uint8_t>& value) {
  FW_LOG_SCOPE();
  set_value(root, subkey, value_name, winapi::reg_binary, value.data(), checked_size(value.size()));
}

template <typename Pod>
Pod get_pod_from_registry(winapi::hkey root, const std::u16string& subkey, const std::u16string& value_name) {
  static_assert(sizeof(Pod) == 8);
  FW_LOG_SCOPE();
  const std::vector<uint8_t> data = get_binary_from_registry(root, subkey, value_name);
  if (data.size() != sizeof(Pod)) {
    fail(common::error_registry_invalid_size, common::concat(u"Invalid size of value of the key ", subkey, u"'",
                                                             value_name, u". Expected size: ", sizeof(Pod)));
  }
  Pod value;
  std::memcpy(&value, data.data(), sizeof value);
  return value;
}

template <typename Pod>
void set_pod_to_registry(winapi::hkey root, const std::u16string& subkey, const std::u16string& value_name,
                         const Pod& value) {
  static_assert(sizeof(Pod) == 8);
  FW_LOG_SCOPE();
  std::vector<uint8_t> data(sizeof value);
  std::memcpy(data.data(), &value, sizeof value);
  set_binary_to_registry(root, subkey, value_name, data);
}

template std::time_t get_pod_from_registry<std::time_t>(winapi::hkey, const std::u16string&, const std::u16string&);
template filetime get_pod_from_registry<filetime>(winapi::hkey, const std::u16string&, const std::u16string&);
template void set_pod_to_registry<std::time_t>(winapi::hkey, const std::u16string&, const std::u16string&,
                                               const std::time_t&);
template void set_pod_to_registry<filetime>(winapi::hkey, const std::u16string&, const std::u16string&,
                                            const filetime&);

key_holder open_or_create_key(winapi::hkey root, const std::u16string* subkey) {
  FW_LOG_SCOPE();
  if (subkey == nullptr) fail(common::error_registry_invalid_key_name, u"key: (null)");
  key_holder key(close_key_or_terminate, *subkey);
  winapi::hkey opened = 0;
  if (winapi::reg_open_key_ex(root, *subkey, 0, winapi::key_write, &opened) == winapi::error_success) {
    key.reset(opened);
    return key;
  }
  if (subkey->size() < 2 || subkey->find(u'\\', 1) == std::u16string::npos) {
    fail(common::error_registry_invalid_key_name, common::concat(u"key: ", *subkey));
  }
  for (std::size_t separator = subkey->find(u'\\', 1);; separator = subkey->find(u'\\', separator + 1)) {
    const std::u16string prefix = subkey->substr(0, separator);
    winapi::hkey created = 0;
    if (winapi::reg_create_key_ex(root, prefix, winapi::reg_option_non_volatile, winapi::key_all_access, &created) !=
        winapi::error_success) {
      fail(common::error_registry_create_failed, common::concat(u"key: ", prefix));
    }
    key.reset(created);
    if (separator == std::u16string::npos) return key;
  }
}

}  // namespace registry_helpers
